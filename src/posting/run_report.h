// What a run's report shows, worked out from the ledger once: the counts, the response times and their
// percentiles, the records finished over the run, the slowest records, and the records the server did
// not take for certain grouped by reason. The HTML report and the Run History window both draw it.
#pragma once

#include "store/ledger.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace torvane {

class Utf8Output;

struct ReportRecord {
    int64_t line = 0;
    int64_t record = 0;
    std::string key;     // UTF-8
    int64_t ms = -1;     // response time, -1 when unknown
};

// The records of one outcome that share a reason; only the first kListed of them are kept.
struct ReportGroup {
    std::string outcome;  // refused, not confirmed, in doubt, failed
    std::string reason;   // UTF-8
    int64_t total = 0;
    std::vector<ReportRecord> records;
    static constexpr size_t kListed = 200;
    static constexpr size_t kGroupsPerOutcome = 30;
};

struct RunReport {
    RunRecord run;
    std::vector<std::pair<std::string, std::string>> settings;  // name, value (UTF-8)
    // The bars of the counts chart: accepted, sent, not confirmed, refused, already sent, in doubt, failed.
    std::vector<std::pair<std::string, int64_t>> counts;

    int64_t timed = 0;  // records with a response time
    int64_t medianMs = 0, p90Ms = 0, p99Ms = 0, maxMs = 0;
    // Response times in buckets: the upper edges (the last bucket has none) and how many fell in each.
    std::vector<int64_t> bucketEdgesMs;
    std::vector<int64_t> bucketCounts;

    // Records whose request ended in each step of the run, starting at the run's start; one step is
    // stepMinutes minutes (more than one only for runs too long to draw minute by minute).
    int64_t stepMinutes = 1;
    std::vector<int64_t> perStep;

    std::vector<ReportRecord> slowest;  // slowest first
    std::vector<ReportGroup> groups;    // by outcome in the order above, then by size
};

inline constexpr size_t kSlowestShown = 10;
inline constexpr size_t kMaxSteps = 720;

// The report of a run from its history row and ledger rows (any order); keys and reasons are turned
// into UTF-8 with text.
RunReport buildRunReport(const RunRecord& run, const std::vector<DeliveryRecord>& rows, const Utf8Output& text);

// The report of run number `number` of the store's history (0: the last run); throws Error when there
// is no such run.
RunReport loadRunReport(DeliveryLedger& ledger, int64_t number, const Utf8Output& text);

// The value at fraction q (0..1) of sorted values, by the nearest rank; 0 for none.
int64_t percentile(const std::vector<int64_t>& sorted, double q);

}  // namespace torvane
