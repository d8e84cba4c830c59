// The delivery ledger: one row per posting run and one per record that reached a request, written
// before the request goes out, so that a run that dies mid-record leaves a trace the next run can act
// on instead of sending the record a second time.
#pragma once

#include "store/database.h"
#include "util/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

// Counts of one run, as the run summary and the history give them.
struct RunSummary {
    int recordsRead = 0;
    int accepted = 0;
    int notConfirmed = 0;
    int refused = 0;
    int alreadySent = 0;
    int inDoubt = 0;
    int failed = 0;  // records that failed while the run went on past them
};

// States of a delivery row.
namespace delivery {
inline constexpr const char* kSending = "sending";
inline constexpr const char* kAccepted = "accepted";
inline constexpr const char* kNotConfirmed = "not confirmed";
inline constexpr const char* kSent = "sent";  // no confirmation text configured: nothing to check
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kNotSent = "not sent";
inline constexpr const char* kInDoubt = "in doubt";
}  // namespace delivery

// Outcomes of a run row.
namespace runoutcome {
inline constexpr const char* kRunning = "running";
inline constexpr const char* kCompleted = "completed";
inline constexpr const char* kAborted = "aborted";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kInterrupted = "interrupted";
}  // namespace runoutcome

struct RunRecord {
    int64_t run = 0;
    std::string started, ended, exportFile, outcome;
    RunSummary counts;
};

struct DeliveryRecord {
    int64_t id = 0;
    int64_t run = 0;
    int64_t line = 0;
    int64_t record = 0;
    std::string key, state, started, finished, statusLine, message;
};

class DeliveryLedger {
public:
    explicit DeliveryLedger(Database& db) : m_db(db) {}

    // CREATE TABLE statements of the ledger, run whenever a store opens.
    static const std::vector<std::string>& schemaSql();

    // With the run lock held: every run still marked running is dead, so it becomes interrupted and
    // its records that were being sent become in doubt.
    void settleInterruptedRuns();
    int64_t beginRun(const std::string& exportFile);
    void endRun(int64_t run, const std::string& outcome, const RunSummary& counts);

    // Writes and commits the record's row before its request is made. holds: the row keeps the key
    // from being sent again while it is in doubt (tracking on and a key to track).
    int64_t beginDelivery(int64_t run, int64_t line, int64_t record, const std::string& key, bool holds);
    void finishDelivery(int64_t id, const std::string& state, const std::string& statusLine = {},
                        const std::string& message = {});

    // The start of the oldest unresolved in-doubt row of the key, if it has one. The run that holds the
    // lock names itself as the live one; from outside a run, whether one is going on is found out first.
    std::optional<std::string> inDoubtSince(const std::string& key, int64_t liveRun);
    std::optional<std::string> inDoubtSince(const std::string& key) { return inDoubtSince(key, liveRun().value_or(0)); }
    // Every unresolved in-doubt row, oldest first, counting rows still being sent by a run that is no
    // longer running.
    std::vector<DeliveryRecord> unresolved();
    // The operator's decision on a key in doubt: sent writes a tracking record for it so later runs skip
    // it; otherwise the next run sends it. Throws Error for a key that has no unresolved row.
    void resolve(const std::string& key, bool sent);

    // The last runs, newest first; a run marked running that no longer runs shows as interrupted.
    std::vector<RunRecord> runs(int last);
    // Removes the rows of runs started on or before the cut-off day, except unresolved in-doubt rows.
    void purge(Date cutOff);

private:
    // The run that is going on right now, if any: the newest one marked running while the lock is held.
    std::optional<int64_t> liveRun();

    Database& m_db;
};

}  // namespace torvane
