// tracking list / tracking delete KEY: the tracking viewer's work.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/table_printer.h"

#include "store/data_module.h"
#include "util/error.h"

#include <ostream>

namespace torvane {

int runTracking(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("tracking", argv);
    if (args.help || args.positional.empty()) {
        if (!args.help)
            throw UsageError("tracking: say list or delete KEY (see tracking --help)");
        out << findCommand("tracking")->help;
        return kExitOk;
    }
    const std::string& action = args.positional[0];
    if (action == "list") {
        requirePositional("tracking list", args, 1);
        TDataModule1 data;
        TextTable table = tableOf(data.TrackTable);
        table.headers = {"Data Sent", "Date Sent"};
        printTable(out, table);
        return kExitOk;
    }
    if (action == "delete") {
        requirePositional("tracking delete", args, 2);
        const std::string& key = args.positional[1];
        TDataModule1 data;
        TableView& track = data.TrackTable;
        // Every record of the key goes: the lookup before a send finds any of them, so leaving one
        // would still keep the export record from being sent again.
        int deleted = 0;
        for (int i = 0; i < track.recordCount();) {
            if (cellDisplayText(track.cellAt(i, "DataToTrack"), FieldKind::Text) == key && !key.empty()) {
                track.moveTo(i);
                track.remove();
                ++deleted;
            } else {
                ++i;
            }
        }
        if (deleted == 0)
            throw Error("no tracking record for '" + key + "'");
        out << "Tracking records deleted: " << deleted << '\n';
        return kExitOk;
    }
    throw UsageError("tracking: unknown action '" + action + "' (list or delete KEY)");
}

}  // namespace torvane
