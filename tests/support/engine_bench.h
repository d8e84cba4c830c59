// A store in a fresh directory with a posting engine over it and recording stand-ins around it: the
// common ground of the posting engine's tests.
#pragma once

#include "posting/posting_engine.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

#include <string>

namespace torvane::test {

// The engine, with the reply to its last request in the test's hand: the confirmation check reads it.
class TestEngine : public PostingEngine {
public:
    using PostingEngine::PostingEngine;
    void setReply(std::string body)
    {
        m_reply = {};
        m_reply.body = std::move(body);
    }
};

struct EngineBench {
    TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    RecordingHost host;
    ScriptedDialogs dialogs;
    FakePostingClient client;
    FakeClock clock;
    TestEngine engine{data, host, dialogs, client, clock};

    // A form of one field ACCT (columns 1-4, tracked), posted to an address nobody needs to answer,
    // over an export of the records 1001 and 1002; the client confirms each.
    void oneTrackedFieldForm()
    {
        data.FieldsTable.append();
        data.FieldsTable.setText("OrderNum", "10");
        data.FieldsTable.setText("Name", "ACCT");
        data.FieldsTable.setText("MaxLength", "4");
        data.FieldsTable.setText("ImportStart", "1");
        data.FieldsTable.setText("ImportLength", "4");
        data.FieldsTable.post();
        dir.write("export.txt", "1001\n1002\n");
        set("URL", "http://127.0.0.1:9/form");
        set("PostType", "POST");
        set("ImportData", dir.file("export.txt"));
        set("DataSentText", "ok");
        set("TrackSent", "True");
        set("FieldToTrack1", "ACCT");
        client.reply = "OK";
    }

    // Writes one field of the settings record as the operator would type it, and saves it.
    void set(const std::string& field, const std::string& value)
    {
        data.SettingsTable.setText(field, value);
        data.SettingsTable.post();
    }
};

}  // namespace torvane::test
