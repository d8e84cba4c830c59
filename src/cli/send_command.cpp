// send: the application's start (first activation with its purge) followed by one posting run.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/run_files.h"

#include "posting/posting_station.h"
#include "store/data_module.h"
#include "store/run_lock.h"
#include "util/error.h"
#include "util/error_handler.h"

#include <ostream>

namespace torvane {

namespace {

std::string summaryLine(const RunSummary& s)
{
    return "Records read: " + std::to_string(s.recordsRead) + ", accepted: " + std::to_string(s.accepted) +
           ", not confirmed: " + std::to_string(s.notConfirmed) +
           ", refused for missing fields: " + std::to_string(s.refused) +
           ", skipped as already sent: " + std::to_string(s.alreadySent) + ", in doubt: " + std::to_string(s.inDoubt);
}

}  // namespace

int runSend(const Args& argv, std::ostream& out, std::ostream& err)
{
    const CommandArgs args = parseCommandArgs("send", argv, {"--verbose"}, {"--pause", "--results", "--rejects"});
    if (args.help) {
        out << findCommand("send")->help;
        return kExitOk;
    }
    requirePositional("send", args, 0);
    uint16_t pause = 1;
    if (auto it = args.values.find("--pause"); it != args.values.end())
        pause = static_cast<uint16_t>(parseInteger(it->second, "--pause", 0, 65535));
    auto value = [&args](const char* name) {
        auto it = args.values.find(name);
        return it == args.values.end() ? std::string() : it->second;
    };
    const std::string resultsPath = value("--results"), rejectsPath = value("--rejects");
    if (args.values.count("--results") && !ResultsFile::formatOf(resultsPath))
        throw UsageError("send: --results needs a file name ending in .csv or .jsonl, not '" + resultsPath + "'");
    if (args.values.count("--rejects") && rejectsPath.empty())
        throw UsageError("send: --rejects needs a file name");

    ConsoleHost console(out, err, args.has("--verbose"));
    TDataModule1 data;
    PostingStation station(data, console, console);
    PostingEngine& engine = station.engine;
    engine.setPauseSeconds(pause);
    RunFiles files(resultsPath, rejectsPath, data.SettingsTable.text("ExportEncoding"));
    if (!resultsPath.empty() || !rejectsPath.empty())
        engine.setObserver(&files);

    int status = kExitOk;
    try {
        engine.FormActivate();
        try {
            engine.runPosting();
        } catch (const StoreInUse&) {
            throw;
        } catch (...) {
            try {
                files.finish();
            } catch (...) {
                // The error that ended the run is the one to report.
            }
            throw;
        }
        files.finish();
        const RunSummary& s = engine.summary();
        if (engine.lastOutcome() != RunOutcome::Completed)
            status = kExitAborted;
        else if (s.refused + s.notConfirmed + s.inDoubt > 0)
            status = kExitDoneWithProblems;
    } catch (const StoreInUse& e) {
        // Nothing was read or sent: no summary, the message alone.
        err << e.what() << '\n';
        return kExitStoreInUse;
    } catch (...) {
        // What the general error handler would show in its message box.
        writeLines(err, formatErrorMessage(currentExceptionMessage()));
        status = kExitFailed;
    }
    err << summaryLine(engine.summary()) << '\n';
    return status;
}

}  // namespace torvane
