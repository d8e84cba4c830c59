// One posting run of the companion with everything around it: the engine set up from the command
// line, the results, rejects and report files, the summary line, the exit status and the --on-finish
// command. send makes one; watch makes one for each file it takes.
#pragma once

#include "cli/arguments.h"
#include "cli/on_finish.h"
#include "posting/posting_station.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

class ConsoleHost;

// The options that shape a run, common to send and watch.
struct RunOptions {
    uint16_t pause = 1;
    std::optional<int> retry, retryWait, maxErrors, connections;
    int64_t minIntervalMs = 0;
    bool verbose = false;
    std::string onFinish;  // empty: none

    static const std::vector<std::string>& valueOptions();
    static RunOptions read(const CommandArgs& args);
};

// Where one run reads and writes; empty: none (export: the ImportData setting).
struct RunOutputs {
    std::string exportFile, results, rejects, report;
};

struct RunEnd {
    int status = 0;
    bool ran = false;  // false when the store was in use: nothing was read, no run in the history
    // What --on-finish is told; the rejects and report paths only when those files were written.
    FinishedRun finished;
};

class CompanionRun {
public:
    CompanionRun(TDataModule1& data, ConsoleHost& console, const RunOptions& options, bool lockHeld = false);

    // Purges old tracking records once, as the application's start does.
    void activate() { m_station.engine.FormActivate(); }
    RunEnd run(const RunOutputs& outputs, std::ostream& err);
    // Runs the --on-finish command, if any, for a run that had the store.
    void notify(const RunEnd& end, std::ostream& err) const;

private:
    int post(class RunFiles& files, std::ostream& err);
    void afterRun(const RunOutputs& outputs, RunEnd& end, std::ostream& err);

    TDataModule1& m_data;
    RunOptions m_options;
    PostingStation m_station;
};

// The one-line summary on standard error after a run.
std::string summaryLine(const RunSummary& s);

}  // namespace torvane
