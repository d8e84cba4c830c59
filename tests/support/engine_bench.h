// A store in a fresh directory with a posting engine over it and recording stand-ins around it: the
// common ground of the posting engine's tests.
#pragma once

#include "posting/posting_engine.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

#include <string>

namespace torvane::test {

struct EngineBench {
    TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    RecordingHost host;
    ScriptedDialogs dialogs;
    FakePostingClient client;
    FakeClock clock;
    PostingEngine engine{data, host, dialogs, client, clock};

    // Writes one field of the settings record as the operator would type it, and saves it.
    void set(const std::string& field, const std::string& value)
    {
        data.SettingsTable.setText(field, value);
        data.SettingsTable.post();
    }
};

}  // namespace torvane::test
