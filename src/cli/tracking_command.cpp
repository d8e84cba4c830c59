// tracking list / tracking delete KEY: the tracking viewer's work; tracking in-doubt / resolve: the
// Interrupted Submissions window's.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/table_printer.h"

#include "store/data_module.h"
#include "store/ledger.h"
#include "util/dates.h"
#include "util/error.h"

#include <ostream>

namespace torvane {

namespace {

int listTracking(const CommandArgs& args, bool json, std::ostream& out)
{
    requirePositional("tracking list", args, 1);
    TDataModule1 data;
    if (json) {
        out << jsonText(rowsJson(data.TrackTable, storeText(data))) << '\n';
        return kExitOk;
    }
    TextTable table = tableOf(data.TrackTable);
    table.headers = {"Data Sent", "Date Sent"};
    printTable(out, table);
    return kExitOk;
}

int deleteTracking(const CommandArgs& args, std::ostream& out)
{
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

int listInDoubt(const CommandArgs& args, bool json, std::ostream& out)
{
    requirePositional("tracking in-doubt", args, 1);
    TDataModule1 data;
    if (json) {
        out << jsonText(deliveriesJson(DeliveryLedger(data.database()).unresolved(), storeText(data)))
            << '\n';
        return kExitOk;
    }
    TextTable table;
    table.headers = {"Data Sent", "Date", "Line", "Run"};
    for (const DeliveryRecord& d : DeliveryLedger(data.database()).unresolved()) {
        table.rows.push_back(
            {d.key, shortDateOfTimestamp(d.started), std::to_string(d.line), std::to_string(d.run)});
    }
    printTable(out, table);
    return kExitOk;
}

int resolveInDoubt(CommandArgs& args, std::ostream& out)
{
    // The decision may follow the key, as in "resolve KEY --sent", or come before the action.
    const bool sent = args.take("--sent"), resend = args.take("--resend");
    if (sent == resend)
        throw UsageError("tracking resolve: say --sent or --resend (see tracking --help)");
    requirePositional("tracking resolve", args, 2);
    const std::vector<std::string> rest(args.positional.begin() + 1, args.positional.end());
    const std::string& key = rest[0];
    TDataModule1 data;
    DeliveryLedger(data.database()).resolve(key, sent);
    out << (sent ? "Marked as sent: " : "Will be sent again: ") << key << '\n';
    return kExitOk;
}

}  // namespace

int runTracking(const Args& argv, std::ostream& out, std::ostream&)
{
    CommandArgs args = parseCommandArgs("tracking", argv, {"--sent", "--resend", "--json"});
    const bool json = args.take("--json");
    if (args.help || args.positional.empty()) {
        if (!args.help)
            throw UsageError("tracking: say list or delete KEY (see tracking --help)");
        out << findCommand("tracking")->help;
        return kExitOk;
    }
    const std::string action = args.positional[0];
    if (action == "list")
        return listTracking(args, json, out);
    if (action == "delete")
        return deleteTracking(args, out);
    if (action == "in-doubt")
        return listInDoubt(args, json, out);
    if (action == "resolve")
        return resolveInDoubt(args, out);
    throw UsageError("tracking: unknown action '" + action + "' (list, delete KEY, in-doubt or resolve KEY)");
}

}  // namespace torvane
