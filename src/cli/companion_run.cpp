#include "cli/companion_run.h"

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/on_finish.h"
#include "cli/run_files.h"
#include "cli/stop_signals.h"

#include "posting/run_report_html.h"
#include "store/run_lock.h"
#include "util/error_handler.h"
#include "util/utf8_output.h"

#include <algorithm>
#include <ostream>

namespace torvane {

namespace {

// A count of records, or seconds, for the delivery options.
int countOption(const CommandArgs& args, const char* name, int max)
{
    return parseInteger(args.values.at(name), name, 0, max);
}

}  // namespace

std::string summaryLine(const RunSummary& s)
{
    return "Records read: " + std::to_string(s.recordsRead) + ", accepted: " + std::to_string(s.accepted) +
           ", not confirmed: " + std::to_string(s.notConfirmed) +
           ", refused for missing fields: " + std::to_string(s.refused) +
           ", skipped as already sent: " + std::to_string(s.alreadySent) + ", in doubt: " + std::to_string(s.inDoubt) +
           // Only a run that went on past failed records has any to count.
           (s.failed > 0 ? ", failed: " + std::to_string(s.failed) : std::string());
}

const std::vector<std::string>& RunOptions::valueOptions()
{
    static const std::vector<std::string> names{"--pause", "--retry",  "--retry-wait", "--max-errors",
                                                "--rate",  "--on-finish", "--connections"};
    return names;
}

RunOptions RunOptions::read(const CommandArgs& args)
{
    RunOptions o;
    if (auto it = args.values.find("--pause"); it != args.values.end())
        o.pause = static_cast<uint16_t>(parseInteger(it->second, "--pause", 0, 65535));
    // The delivery options override the settings for this run only.
    if (args.values.count("--retry"))
        o.retry = countOption(args, "--retry", 1000);
    if (args.values.count("--retry-wait"))
        o.retryWait = countOption(args, "--retry-wait", DeliveryPolicy::kMaxWaitSeconds);
    if (args.values.count("--max-errors"))
        o.maxErrors = countOption(args, "--max-errors", 1000000000);
    if (args.values.count("--rate"))
        o.minIntervalMs = 60000 / std::max(1, parseInteger(args.values.at("--rate"), "--rate", 1, 60000));
    if (args.values.count("--connections"))
        o.connections = parseInteger(args.values.at("--connections"), "--connections", 1, DeliveryPolicy::kMaxConnections);
    if (auto it = args.values.find("--on-finish"); it != args.values.end()) {
        if (it->second.empty())
            throw UsageError("--on-finish needs a command");
        o.onFinish = it->second;
    }
    o.verbose = args.has("--verbose");
    return o;
}

CompanionRun::CompanionRun(TDataModule1& data, ConsoleHost& console, const RunOptions& options, bool lockHeld)
    : m_data(data), m_options(options), m_station(data, console, console)
{
    PostingEngine& engine = m_station.engine;
    engine.setPauseSeconds(options.pause);
    engine.setStoreLockHeld(lockHeld);
    engine.setPolicyOverride([o = options](DeliveryPolicy& policy) {
        if (o.retry)
            policy.retryCount = *o.retry;
        if (o.retryWait)
            policy.retryWaitSeconds = *o.retryWait;
        if (o.maxErrors)
            policy.maxErrors = *o.maxErrors;
        policy.minIntervalMs = o.minIntervalMs;
        if (o.connections)
            policy.connections = *o.connections;
    });
    engine.setStopRequested([] { return StopSignals::received() != 0; });
}

int CompanionRun::post(RunFiles& files, std::ostream& err)
{
    PostingEngine& engine = m_station.engine;
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
        err << "Posting stopped by " << StopSignals::name() << " before the end of the export file\n";
        return kExitSignalBase + StopSignals::received();
    }
    if (engine.lastOutcome() != RunOutcome::Completed)
        return kExitAborted;
    return s.refused + s.notConfirmed + s.inDoubt + s.failed > 0 ? kExitDoneWithProblems : kExitOk;
}

RunEnd CompanionRun::run(const RunOutputs& outputs, std::ostream& err)
{
    PostingEngine& engine = m_station.engine;
    engine.setExportOverride(outputs.exportFile);
    RunFiles files(outputs.results, outputs.rejects, m_data.SettingsTable.text("ExportEncoding"));
    engine.setObserver(outputs.results.empty() && outputs.rejects.empty() ? nullptr : &files);
    RunEnd end;
    end.ran = true;
    try {
        end.status = post(files, err);
    } catch (const StoreInUse& e) {
        // Nothing was read or sent: no summary, the message alone.
        err << e.what() << '\n';
        end.status = kExitStoreInUse;
        end.ran = false;
        return end;
    } catch (...) {
        // What the general error handler would show in its message box.
        writeLines(err, formatErrorMessage(currentExceptionMessage(&engine.secrets())));
        end.status = kExitFailed;
    }
    engine.setObserver(nullptr);
    end.finished.rejects = files.wroteRejects() ? outputs.rejects : std::string();
    err << summaryLine(engine.summary()) << '\n';
    if (engine.summary().inDoubt > 0)
        err << "Records in doubt may have reached the server: list them with 'torvane-cli tracking in-doubt', "
               "then check each on the server and settle it with 'torvane-cli tracking resolve KEY --sent' "
               "or '--resend'\n";
    afterRun(outputs, end, err);
    return end;
}

void CompanionRun::afterRun(const RunOutputs& outputs, RunEnd& end, std::ostream& err)
{
    PostingEngine& engine = m_station.engine;
    DeliveryLedger ledger(m_data.database());
    FinishedRun& finished = end.finished;
    finished.run = engine.runNumber();
    finished.counts = engine.summary();
    finished.exportFile = outputs.exportFile.empty() ? m_data.SettingsTable.text("ImportData") : outputs.exportFile;
    finished.results = outputs.results;
    if (const auto row = ledger.run(finished.run))
        finished.outcome = row->outcome;
    if (!outputs.report.empty() && finished.run > 0) {
        try {
            const Utf8Output text(m_data.SettingsTable.text("ExportEncoding"));
            writeRunReportHtml(outputs.report, loadRunReport(ledger, finished.run, text));
            finished.report = outputs.report;
        } catch (const std::exception& e) {
            // The run itself is over; the report that could not be written is an error of the command.
            err << "torvane-cli: " << e.what() << '\n';
            end.status = kExitFailed;
        }
    }
    finished.exitStatus = end.status;
}

void CompanionRun::notify(const RunEnd& end, std::ostream& err) const
{
    if (end.ran && !m_options.onFinish.empty())
        runOnFinish(m_options.onFinish, end.finished, err);
}

}  // namespace torvane
