// runs [--last N] [--json]: the history of posting runs, newest first.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/table_printer.h"

#include "store/data_module.h"
#include "store/ledger.h"

#include <ostream>

namespace torvane {

int runRuns(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("runs", argv, {"--json"}, {"--last"});
    if (args.help) {
        out << findCommand("runs")->help;
        return kExitOk;
    }
    requirePositional("runs", args, 0);
    int last = 20;
    if (auto it = args.values.find("--last"); it != args.values.end())
        last = parseInteger(it->second, "--last", 1, 1000000);

    TDataModule1 data;
    if (args.has("--json")) {
        out << jsonText(runsJson(DeliveryLedger(data.database()).runs(last), storeText(data))) << '\n';
        return kExitOk;
    }
    TextTable table;
    table.headers = {"Run",     "Started",       "Ended",       "Outcome",      "Read",
                     "Accepted", "Not Confirmed", "Refused",     "Already Sent", "In Doubt"};
    for (const RunRecord& r : DeliveryLedger(data.database()).runs(last)) {
        const RunSummary& c = r.counts;
        table.rows.push_back({std::to_string(r.run), r.started, r.ended, r.outcome, std::to_string(c.recordsRead),
                              std::to_string(c.accepted), std::to_string(c.notConfirmed), std::to_string(c.refused),
                              std::to_string(c.alreadySent), std::to_string(c.inDoubt)});
    }
    printTable(out, table);
    return kExitOk;
}

}  // namespace torvane
