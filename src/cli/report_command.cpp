// report [RUN] --html FILE: the HTML report of any run of the history, the last one when RUN is left out.

#include "cli/arguments.h"
#include "cli/commands.h"

#include "posting/run_report_html.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "util/utf8_output.h"

#include <ostream>

namespace torvane {

int runReport(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("report", argv, {}, {"--html"});
    if (args.help) {
        out << findCommand("report")->help;
        return kExitOk;
    }
    if (args.positional.size() > 1)
        throw UsageError("report: too many arguments (see report --help)");
    const auto html = args.values.find("--html");
    if (html == args.values.end() || html->second.empty())
        throw UsageError("report: --html FILE is needed (see report --help)");
    const int64_t number = args.positional.empty() ? 0 : parseInteger(args.positional[0], "RUN", 1, INT32_MAX);

    TDataModule1 data;
    DeliveryLedger ledger(data.database());
    const RunReport report = loadRunReport(ledger, number, Utf8Output(data.SettingsTable.text("ExportEncoding")));
    writeRunReportHtml(html->second, report);
    out << "Report of run " << report.run.run << " written to " << html->second << '\n';
    return kExitOk;
}

}  // namespace torvane
