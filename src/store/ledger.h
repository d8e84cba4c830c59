// The delivery ledger: one row per posting run and one per record that reached a request, written
// before the request goes out, so that a run that dies mid-record leaves a trace the next run can act
// on instead of sending the record a second time.
#pragma once

#include "store/database.h"
#include "store/schema.h"
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
enum class DeliveryState {
    Sending,
    Accepted,
    NotConfirmed,
    Sent,  // no confirmation text configured: nothing to check
    Failed,
    NotSent,
    InDoubt,
    Refused,  // a record the run did not send for a missing or invalid field
};
// The state as the ledger stores it.
const char* deliveryStateName(DeliveryState state);

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
    std::string settings;  // the settings the run went by, one "Name: value" a line; empty when not kept
};

struct DeliveryRecord {
    int64_t id = 0;
    int64_t run = 0;
    int64_t line = 0;
    int64_t record = 0;
    std::string key, state, started, finished, statusLine, message;
    // When the request went out and its reply (or failure) came back, in milliseconds since the run
    // began; -1 when not known (a record that reached no request, a row of an earlier version).
    int64_t requestMs = -1, replyMs = -1;
};

class DeliveryLedger {
public:
    explicit DeliveryLedger(Database& db) : m_db(db) {}

    // CREATE TABLE statements of the ledger, run whenever a store opens.
    static const std::vector<std::string>& schemaSql();
    // The columns added to the ledger's tables since they first shipped: a store of an earlier version
    // gains them when it opens, its rows reading them as blank.
    static const std::vector<TableDef>& addedColumns();

    // With the run lock held: every run still marked running is dead, so it becomes interrupted and
    // its records that were being sent become in doubt.
    void settleInterruptedRuns();
    int64_t beginRun(const std::string& exportFile);
    void endRun(int64_t run, const std::string& outcome, const RunSummary& counts);

    // Writes and commits the record's row before its request is made. holds: the row keeps the key
    // from being sent again while it is in doubt (tracking on and a key to track).
    // requestMs, replyMs: milliseconds since the run began (-1: not known).
    int64_t beginDelivery(int64_t run, int64_t line, int64_t record, const std::string& key, bool holds,
                          int64_t requestMs = -1);
    void finishDelivery(int64_t id, DeliveryState state, const std::string& statusLine = {},
                        const std::string& message = {}, int64_t replyMs = -1);
    // A record the run did not send (refused, or held while in doubt), kept for the run's report; such
    // a row holds no key.
    void noteUnsent(int64_t run, int64_t line, int64_t record, const std::string& key, DeliveryState state,
                    const std::string& message);
    // The settings a run went by, in the words of its report; kept with the run.
    void setRunSettings(int64_t run, const std::string& summary);

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
    // One run of the history (0: the newest), nothing when there is no such run.
    std::optional<RunRecord> run(int64_t number);
    // Every row the run left, in the order of the export file.
    std::vector<DeliveryRecord> deliveriesOf(int64_t run);
    // Removes the rows of runs started on or before the cut-off day, except unresolved in-doubt rows.
    void purge(Date cutOff);

private:
    std::vector<RunRecord> runsWhere(const char* where, const std::vector<Cell>& params);
    // The run that is going on right now, if any: the newest one marked running while the lock is held.
    std::optional<int64_t> liveRun();

    Database& m_db;
};

}  // namespace torvane
