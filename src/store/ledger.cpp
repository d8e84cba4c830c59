#include "store/ledger.h"

#include "store/run_lock.h"
#include "util/error.h"

namespace torvane {

namespace {

// A row in doubt that nobody has decided on yet, and that keeps its key from being sent. A row still
// being sent counts once its run is known to be dead: the caller binds the live run (or 0 for none).
const char* const kUnresolvedWhere =
    "Holds = 1 AND Resolved IS NULL AND (State = 'in doubt' OR (State = 'sending' AND RunNum <> ?))";

int64_t integerOf(const Cell& cell)
{
    const int64_t* n = std::get_if<int64_t>(&cell);
    return n ? *n : 0;
}

Cell msCell(int64_t ms)
{
    return ms < 0 ? Cell{} : Cell{ms};
}

int64_t msOf(const Cell& cell)
{
    const int64_t* n = std::get_if<int64_t>(&cell);
    return n ? *n : -1;
}

std::string textOf(const Cell& cell)
{
    if (const std::string* s = std::get_if<std::string>(&cell))
        return *s;
    if (const int64_t* n = std::get_if<int64_t>(&cell))
        return std::to_string(*n);
    return {};
}

}  // namespace

const std::vector<std::string>& DeliveryLedger::schemaSql()
{
    static const std::vector<std::string> sql{
        "CREATE TABLE IF NOT EXISTS runs (RunNum INTEGER PRIMARY KEY AUTOINCREMENT, Started TEXT, Ended TEXT, "
        "ExportFile TEXT, Outcome TEXT, RecordsRead INTEGER, Accepted INTEGER, NotConfirmed INTEGER, "
        "Refused INTEGER, AlreadySent INTEGER, InDoubt INTEGER, Failed INTEGER)",
        "CREATE TABLE IF NOT EXISTS deliveries (Id INTEGER PRIMARY KEY AUTOINCREMENT, RunNum INTEGER, "
        "LineNum INTEGER, RecordNum INTEGER, TrackKey TEXT, State TEXT, Started TEXT, Finished TEXT, "
        "StatusLine TEXT, Message TEXT, Holds INTEGER, Resolved TEXT, ResolvedAt TEXT)",
        "CREATE INDEX IF NOT EXISTS deliveries_key ON deliveries (TrackKey, State)",
        "CREATE INDEX IF NOT EXISTS deliveries_run ON deliveries (RunNum, LineNum)",
    };
    return sql;
}

const std::vector<TableDef>& DeliveryLedger::addedColumns()
{
    static const std::vector<TableDef> added{
        {"runs", {{"Settings", FieldKind::Text}}},
        {"deliveries", {{"RequestMs", FieldKind::Integer}, {"ReplyMs", FieldKind::Integer}}},
    };
    return added;
}

void DeliveryLedger::settleInterruptedRuns()
{
    Database::Transaction transaction(m_db);
    m_db.execute("UPDATE deliveries SET State = 'in doubt' WHERE State = 'sending'");
    m_db.execute("UPDATE runs SET Outcome = 'interrupted' WHERE Outcome = 'running'");
    transaction.commit();
}

int64_t DeliveryLedger::beginRun(const std::string& exportFile)
{
    m_db.execute("INSERT INTO runs (Started, ExportFile, Outcome, RecordsRead, Accepted, NotConfirmed, Refused, "
                 "AlreadySent, InDoubt) VALUES (?, ?, 'running', 0, 0, 0, 0, 0, 0)",
                 {localTimestamp(), exportFile.empty() ? Cell{} : Cell{exportFile}});
    return m_db.lastInsertRowId();
}

void DeliveryLedger::endRun(int64_t run, const std::string& outcome, const RunSummary& c)
{
    m_db.execute("UPDATE runs SET Ended = ?, Outcome = ?, RecordsRead = ?, Accepted = ?, NotConfirmed = ?, "
                 "Refused = ?, AlreadySent = ?, InDoubt = ?, Failed = ? WHERE RunNum = ?",
                 {localTimestamp(), outcome, int64_t(c.recordsRead), int64_t(c.accepted), int64_t(c.notConfirmed),
                  int64_t(c.refused), int64_t(c.alreadySent), int64_t(c.inDoubt), int64_t(c.failed), run});
}

int64_t DeliveryLedger::beginDelivery(int64_t run, int64_t line, int64_t record, const std::string& key,
                                      bool holds, int64_t requestMs)
{
    m_db.execute("INSERT INTO deliveries (RunNum, LineNum, RecordNum, TrackKey, State, Started, Holds, RequestMs) "
                 "VALUES (?, ?, ?, ?, 'sending', ?, ?, ?)",
                 {run, line, record, key, localTimestamp(), int64_t(holds ? 1 : 0), msCell(requestMs)});
    return m_db.lastInsertRowId();
}

const char* deliveryStateName(DeliveryState state)
{
    switch (state) {
    case DeliveryState::Sending:
        return "sending";
    case DeliveryState::Accepted:
        return "accepted";
    case DeliveryState::NotConfirmed:
        return "not confirmed";
    case DeliveryState::Sent:
        return "sent";
    case DeliveryState::Failed:
        return "failed";
    case DeliveryState::NotSent:
        return "not sent";
    case DeliveryState::InDoubt:
        return "in doubt";
    case DeliveryState::Refused:
        break;
    }
    return "refused";
}

void DeliveryLedger::finishDelivery(int64_t id, DeliveryState state, const std::string& statusLine,
                                    const std::string& message, int64_t replyMs)
{
    m_db.execute("UPDATE deliveries SET State = ?, Finished = ?, StatusLine = ?, Message = ?, "
                 "ReplyMs = coalesce(?, ReplyMs) WHERE Id = ?",
                 {deliveryStateName(state), localTimestamp(), statusLine.empty() ? Cell{} : Cell{statusLine},
                  message.empty() ? Cell{} : Cell{message}, msCell(replyMs), id});
}

void DeliveryLedger::noteUnsent(int64_t run, int64_t line, int64_t record, const std::string& key,
                                DeliveryState state, const std::string& message)
{
    const std::string now = localTimestamp();
    m_db.execute("INSERT INTO deliveries (RunNum, LineNum, RecordNum, TrackKey, State, Started, Finished, Message, "
                 "Holds) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0)",
                 {run, line, record, key, deliveryStateName(state), now, now, message.empty() ? Cell{} : Cell{message}});
}

void DeliveryLedger::setRunSettings(int64_t run, const std::string& summary)
{
    m_db.execute("UPDATE runs SET Settings = ? WHERE RunNum = ?", {summary, run});
}

std::optional<std::string> DeliveryLedger::inDoubtSince(const std::string& key, int64_t liveRun)
{
    if (key.empty())
        return std::nullopt;
    const auto rows = m_db.query(std::string("SELECT Started FROM deliveries WHERE TrackKey = ? AND ") +
                                     kUnresolvedWhere + " ORDER BY Id LIMIT 1",
                                 {key, liveRun});
    if (rows.empty())
        return std::nullopt;
    return textOf(rows[0][0]);
}

std::optional<int64_t> DeliveryLedger::liveRun()
{
    if (!RunLock::isHeld(m_db.path()))
        return std::nullopt;
    const auto rows = m_db.query("SELECT max(RunNum) FROM runs WHERE Outcome = 'running'");
    if (rows.empty() || std::holds_alternative<std::monostate>(rows[0][0]))
        return std::nullopt;
    return integerOf(rows[0][0]);
}

std::vector<DeliveryRecord> DeliveryLedger::unresolved()
{
    const auto rows = m_db.query(std::string("SELECT Id, RunNum, LineNum, RecordNum, TrackKey, State, Started, "
                                             "Finished, StatusLine, Message FROM deliveries WHERE ") +
                                     kUnresolvedWhere + " ORDER BY Id",
                                 {liveRun().value_or(0)});
    std::vector<DeliveryRecord> out;
    for (const Database::Row& r : rows) {
        DeliveryRecord d{integerOf(r[0]), integerOf(r[1]), integerOf(r[2]), integerOf(r[3]), textOf(r[4]),
                         deliveryStateName(DeliveryState::InDoubt), textOf(r[6]), textOf(r[7]), textOf(r[8]), textOf(r[9])};
        out.push_back(std::move(d));
    }
    return out;
}

void DeliveryLedger::resolve(const std::string& key, bool sent)
{
    const int64_t live = liveRun().value_or(0);
    Database::Transaction transaction(m_db);
    const int changed = m_db.execute(std::string("UPDATE deliveries SET State = 'in doubt', Resolved = ?, "
                                                 "ResolvedAt = ? WHERE TrackKey = ? AND ") +
                                         kUnresolvedWhere,
                                     {sent ? "sent" : "resend", localTimestamp(), key, live});
    if (changed == 0 || key.empty())
        throw Error("no record in doubt for '" + key + "'");
    if (sent)
        m_db.execute("INSERT INTO track (DataToTrack, DataSent) VALUES (?, ?)", {key, toIsoText(today())});
    transaction.commit();
    if (sent)
        m_db.notifyChanged("track");
}

std::vector<RunRecord> DeliveryLedger::runs(int last)
{
    return runsWhere("1 = 1", {int64_t(last)});
}

std::optional<RunRecord> DeliveryLedger::run(int64_t number)
{
    std::vector<RunRecord> found = number == 0 ? runs(1) : runsWhere("RunNum = ?", {number, int64_t(1)});
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

std::vector<RunRecord> DeliveryLedger::runsWhere(const char* where, const std::vector<Cell>& params)
{
    const int64_t live = liveRun().value_or(0);
    const auto rows = m_db.query(std::string("SELECT RunNum, Started, Ended, ExportFile, Outcome, RecordsRead, "
                                             "Accepted, NotConfirmed, Refused, AlreadySent, InDoubt, Failed, "
                                             "Settings FROM runs WHERE ") +
                                     where + " ORDER BY RunNum DESC LIMIT ?",
                                 params);
    std::vector<RunRecord> out;
    for (const Database::Row& r : rows) {
        RunRecord run{integerOf(r[0]), textOf(r[1]), textOf(r[2]), textOf(r[3]), textOf(r[4]), {}, textOf(r[12])};
        if (run.outcome == runoutcome::kRunning && run.run != live)
            run.outcome = runoutcome::kInterrupted;
        run.counts = {int(integerOf(r[5])), int(integerOf(r[6])), int(integerOf(r[7])),
                      int(integerOf(r[8])), int(integerOf(r[9])), int(integerOf(r[10])), int(integerOf(r[11]))};
        out.push_back(std::move(run));
    }
    return out;
}

std::vector<DeliveryRecord> DeliveryLedger::deliveriesOf(int64_t run)
{
    const auto rows = m_db.query("SELECT Id, RunNum, LineNum, RecordNum, TrackKey, State, Started, Finished, "
                                 "StatusLine, Message, RequestMs, ReplyMs FROM deliveries WHERE RunNum = ? "
                                 "ORDER BY LineNum, Id",
                                 {run});
    std::vector<DeliveryRecord> out;
    out.reserve(rows.size());
    for (const Database::Row& r : rows)
        out.push_back({integerOf(r[0]), integerOf(r[1]), integerOf(r[2]), integerOf(r[3]), textOf(r[4]), textOf(r[5]),
                       textOf(r[6]), textOf(r[7]), textOf(r[8]), textOf(r[9]), msOf(r[10]), msOf(r[11])});
    return out;
}

void DeliveryLedger::purge(Date cutOff)
{
    const std::string day = toIsoText(cutOff);
    const int64_t live = liveRun().value_or(0);
    Database::Transaction transaction(m_db);
    m_db.execute(std::string("DELETE FROM deliveries WHERE substr(Started, 1, 10) <= ? AND State <> 'sending' "
                             "AND NOT (") + kUnresolvedWhere + ")",
                 {day, live});
    m_db.execute("DELETE FROM runs WHERE substr(Started, 1, 10) <= ? AND RunNum <> ? AND "
                 "NOT EXISTS (SELECT 1 FROM deliveries d WHERE d.RunNum = runs.RunNum)",
                 {day, live});
    transaction.commit();
}

}  // namespace torvane
