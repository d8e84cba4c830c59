// --on-finish COMMAND: a shell command run after each posting run with what the run did in TORVANE_*
// environment variables, so a mail, a chat message or a ticket is one line of shell.
#pragma once

#include "store/ledger.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace torvane {

struct FinishedRun {
    int64_t run = 0;
    std::string outcome;  // the history's word: completed, aborted, failed, interrupted
    int exitStatus = 0;
    std::string exportFile, results, rejects, report;  // empty: none
    RunSummary counts;
};

// The TORVANE_* variables of a finished run, as NAME=value.
std::vector<std::string> finishVariables(const FinishedRun& run);

// Runs command through /bin/sh with the variables added to the environment and waits for it. Its
// failure is reported on err and changes nothing else.
void runOnFinish(const std::string& command, const FinishedRun& run, std::ostream& err);

}  // namespace torvane
