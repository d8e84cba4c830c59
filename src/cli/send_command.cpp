// send: the application's start (first activation with its purge) followed by one posting run.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/companion_run.h"
#include "cli/console_host.h"
#include "cli/stop_signals.h"

#include "posting/results_file.h"
#include "store/data_module.h"
#include "store/run_lock.h"
#include "util/error.h"
#include "util/error_handler.h"

#include <filesystem>
#include <ostream>

namespace torvane {

namespace {

RunOutputs sendOutputs(const CommandArgs& args)
{
    auto value = [&args](const char* name) {
        auto it = args.values.find(name);
        return it == args.values.end() ? std::string() : it->second;
    };
    RunOutputs o{{}, value("--results"), value("--rejects"), value("--report")};
    if (args.values.count("--results") && !ResultsFile::formatOf(o.results))
        throw UsageError("send: --results needs a file name ending in .csv or .jsonl, not '" + o.results + "'");
    if (args.values.count("--rejects") && o.rejects.empty())
        throw UsageError("send: --rejects needs a file name");
    if (args.values.count("--report") && o.report.empty())
        throw UsageError("send: --report needs a file name");
    return o;
}

}  // namespace

int runSend(const Args& argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> valueOptions = RunOptions::valueOptions();
    valueOptions.insert(valueOptions.end(), {"--results", "--rejects", "--report"});
    const CommandArgs args = parseCommandArgs("send", argv, {"--verbose"}, valueOptions);
    if (args.help) {
        out << findCommand("send")->help;
        return kExitOk;
    }
    requirePositional("send", args, 0);
    const RunOptions options = RunOptions::read(args);
    const RunOutputs outputs = sendOutputs(args);

    ConsoleHost console(out, err, options.verbose);
    TDataModule1 data;
    // Writing any output over the export file would destroy the records still to be read.
    const std::string exportPath = data.SettingsTable.text("ImportData");
    for (const auto& [option, path] : {std::pair{"--results", outputs.results}, std::pair{"--rejects", outputs.rejects},
                                       std::pair{"--report", outputs.report}}) {
        std::error_code ec;
        if (!path.empty() && !exportPath.empty() && std::filesystem::equivalent(path, exportPath, ec))
            throw UsageError(std::string("send: ") + option + " names the export file '" + exportPath + "'");
    }
    StopSignals signals;
    CompanionRun run(data, console, options);
    try {
        run.activate();
    } catch (...) {
        writeLines(err, formatErrorMessage(currentExceptionMessage()));
        err << summaryLine({}) << '\n';
        return kExitFailed;
    }
    const RunEnd end = run.run(outputs, err);
    run.notify(end, err);
    return end.status;
}

}  // namespace torvane
