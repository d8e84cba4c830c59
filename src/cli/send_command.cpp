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

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <ostream>

namespace torvane {

namespace {

std::string summaryLine(const RunSummary& s)
{
    return "Records read: " + std::to_string(s.recordsRead) + ", accepted: " + std::to_string(s.accepted) +
           ", not confirmed: " + std::to_string(s.notConfirmed) +
           ", refused for missing fields: " + std::to_string(s.refused) +
           ", skipped as already sent: " + std::to_string(s.alreadySent) + ", in doubt: " + std::to_string(s.inDoubt) +
           // Only a run that went on past failed records has any to count.
           (s.failed > 0 ? ", failed: " + std::to_string(s.failed) : std::string());
}

// The signal that asked the run to stop, 0 while none has. A second one ends the process at once.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    if (g_stopSignal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stopSignal = signal;
}

// SIGINT and SIGTERM let the record in progress finish, then end the run as the end of the file would.
class StopSignals {
public:
    StopSignals()
    {
        g_stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_int);
        sigaction(SIGTERM, &action, &m_term);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &m_int, nullptr);
        sigaction(SIGTERM, &m_term, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction m_int {}, m_term {};
};

// A count of records, or seconds, for the delivery options.
int countOption(const CommandArgs& args, const char* name, int max)
{
    return parseInteger(args.values.at(name), name, 0, max);
}

}  // namespace

int runSend(const Args& argv, std::ostream& out, std::ostream& err)
{
    const CommandArgs args =
        parseCommandArgs("send", argv, {"--verbose"},
                         {"--pause", "--results", "--rejects", "--retry", "--retry-wait", "--max-errors", "--rate"});
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
    // The delivery options override the settings for this run only.
    std::optional<int> retry, retryWait, maxErrors;
    int64_t minIntervalMs = 0;
    if (args.values.count("--retry"))
        retry = countOption(args, "--retry", 1000);
    if (args.values.count("--retry-wait"))
        retryWait = countOption(args, "--retry-wait", DeliveryPolicy::kMaxWaitSeconds);
    if (args.values.count("--max-errors"))
        maxErrors = countOption(args, "--max-errors", 1000000000);
    if (args.values.count("--rate"))
        minIntervalMs = 60000 / std::max(1, parseInteger(args.values.at("--rate"), "--rate", 1, 60000));

    ConsoleHost console(out, err, args.has("--verbose"));
    TDataModule1 data;
    PostingStation station(data, console, console);
    PostingEngine& engine = station.engine;
    engine.setPauseSeconds(pause);
    engine.setPolicyOverride([=](DeliveryPolicy& policy) {
        if (retry)
            policy.retryCount = *retry;
        if (retryWait)
            policy.retryWaitSeconds = *retryWait;
        if (maxErrors)
            policy.maxErrors = *maxErrors;
        policy.minIntervalMs = minIntervalMs;
    });
    StopSignals signals;
    engine.setStopRequested([] { return g_stopSignal != 0; });
    // Writing either file over the export file would destroy the records still to be read.
    const std::string exportPath = data.SettingsTable.text("ImportData");
    for (const auto& [option, path] : {std::pair{"--results", resultsPath}, std::pair{"--rejects", rejectsPath}}) {
        std::error_code ec;
        if (!path.empty() && !exportPath.empty() && std::filesystem::equivalent(path, exportPath, ec))
            throw UsageError(std::string("send: ") + option + " names the export file '" + exportPath + "'");
    }
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
        if (engine.lastOutcome() == RunOutcome::Stopped) {
            err << "Posting stopped by " << (g_stopSignal == SIGTERM ? "SIGTERM" : "SIGINT")
                << " before the end of the export file\n";
            status = kExitSignalBase + int(g_stopSignal);
        } else if (engine.lastOutcome() != RunOutcome::Completed) {
            status = kExitAborted;
        } else if (s.refused + s.notConfirmed + s.inDoubt + s.failed > 0) {
            status = kExitDoneWithProblems;
        }
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
    if (engine.summary().inDoubt > 0)
        err << "Records in doubt may have reached the server: list them with 'torvane-cli tracking in-doubt', "
               "then check each on the server and settle it with 'torvane-cli tracking resolve KEY --sent' "
               "or '--resend'\n";
    return status;
}

}  // namespace torvane
