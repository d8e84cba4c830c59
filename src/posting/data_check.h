// The data check, a dry run of Send Data: the settings and the export file are read as a run reads
// them, every record is built by the run's own code, and what would go wrong is reported. Nothing is
// sent and nothing is written: no request, no tracking or ledger row, no purge, no deleted file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace torvane {

class TDataModule1;

struct CheckOptions {
    bool showData = false;  // the request of every record that would be sent, as it would go out
    int64_t limit = -1;     // stop after this many records; below 0 for all of them
    // Called every few hundred records, so that a window can repaint during a long check.
    std::function<void()> processMessages;
    // Reads the whole check from one snapshot of the store, which spares every statement its own lock.
    // Only for a connection nothing else writes through while the check runs.
    bool snapshot = false;
};

struct CheckCounts {
    int64_t records = 0;
    int64_t wouldSend = 0;
    int64_t refused = 0;
    int64_t alreadySent = 0;
    int64_t withWarnings = 0;  // records with a problem that is neither a refusal nor an already-tracked key
};

enum class CheckVerdict {
    Clean,          // nothing found
    ProblemsFound,  // settings or record problems
    RunWouldAbort,  // a run would end before its first record
};

struct CheckResult {
    CheckVerdict verdict = CheckVerdict::Clean;
    CheckCounts counts;
};

// Writes the report through out, one call per line (a request body is one call of its own): first the
// run's own abort messages and the settings problems, then one line per record problem, each beginning
// "Line L (record R, key K): ", then the summary line (not when the run would abort). Throws Error when
// the store or the export file cannot be read.
CheckResult runDataCheck(TDataModule1& data, const std::function<void(const std::string&)>& out,
                         const CheckOptions& options = {});

// "Checked N records: A would be sent, B refused for missing fields, C already sent, D with warnings".
std::string checkSummaryLine(const CheckCounts& counts);

}  // namespace torvane
