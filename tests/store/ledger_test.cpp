// The delivery ledger: which rows hold their key back, how interrupted runs are settled, the operator's
// two decisions, the history, the purge, and an older store gaining the ledger.
#include "store/data_module.h"
#include "store/ledger.h"
#include "store/run_lock.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

class LedgerTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    DeliveryLedger ledger{data.database()};

    std::vector<std::string> unresolvedKeys()
    {
        std::vector<std::string> keys;
        for (const DeliveryRecord& d : ledger.unresolved())
            keys.push_back(d.key);
        return keys;
    }
    int64_t count(const std::string& sql)
    {
        return std::get<int64_t>(data.database().query(sql)[0][0]);
    }
};

TEST_F(LedgerTest, OnlyUnresolvedRowsInDoubtHoldTheirKey)
{
    struct Case {
        DeliveryState state;
        bool holds;
        bool held;
    };
    const Case cases[] = {
        {DeliveryState::Accepted, true, false},  {DeliveryState::NotConfirmed, true, false},
        {DeliveryState::Sent, true, false},      {DeliveryState::Failed, true, false},
        {DeliveryState::NotSent, true, false},   {DeliveryState::InDoubt, true, true},
        {DeliveryState::InDoubt, false, false},  // tracking off: history only
    };
    const int64_t run = ledger.beginRun("export.txt");
    int n = 0;
    for (const Case& c : cases) {
        const std::string key = "K" + std::to_string(++n);
        ledger.finishDelivery(ledger.beginDelivery(run, n + 1, n, key, c.holds), c.state, "HTTP/1.1 500 Oops", "why");
        EXPECT_EQ(ledger.inDoubtSince(key).has_value(), c.held) << deliveryStateName(c.state) << " holds=" << c.holds;
    }
    EXPECT_EQ(unresolvedKeys(), std::vector<std::string>{"K6"});
    EXPECT_FALSE(ledger.inDoubtSince("").has_value());
}

TEST_F(LedgerTest, RowsOfARunThatDiedCountAsInDoubtBeforeAndAfterSettling)
{
    const int64_t run = ledger.beginRun("export.txt");
    ledger.beginDelivery(run, 3, 2, "1001", true);  // the process died with the request out
    {
        // While the run holds the lock, its row is being sent, not in doubt.
        RunLock lock(data.database().path());
        EXPECT_TRUE(unresolvedKeys().empty());
        EXPECT_EQ(ledger.runs(5).at(0).outcome, runoutcome::kRunning);
    }
    // The lock went with the process: the row is in doubt at once, also before the next run starts.
    EXPECT_EQ(unresolvedKeys(), std::vector<std::string>{"1001"});
    const DeliveryRecord row = ledger.unresolved().at(0);
    EXPECT_EQ(row.line, 3);
    EXPECT_EQ(row.run, run);
    EXPECT_EQ(ledger.runs(5).at(0).outcome, runoutcome::kInterrupted);

    RunLock lock(data.database().path());
    ledger.settleInterruptedRuns();
    ledger.beginRun("export.txt");
    EXPECT_TRUE(ledger.inDoubtSince("1001").has_value());
    EXPECT_EQ(count("SELECT count(*) FROM runs WHERE Outcome = 'interrupted'"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM deliveries WHERE State = 'in doubt'"), 1);
}

TEST_F(LedgerTest, ResolvingAsSentTracksTheKeyAndAsResendLetsItGo)
{
    const int64_t run = ledger.beginRun("export.txt");
    ledger.finishDelivery(ledger.beginDelivery(run, 2, 1, "A", true), DeliveryState::InDoubt);
    ledger.finishDelivery(ledger.beginDelivery(run, 3, 2, "B", true), DeliveryState::InDoubt);

    ledger.resolve("A", true);
    EXPECT_FALSE(ledger.inDoubtSince("A").has_value());
    data.TrackTable.first();
    ASSERT_EQ(data.TrackTable.recordCount(), 1) << "the tracking view sees the new record";
    EXPECT_EQ(data.TrackTable.text("DataToTrack"), "A");

    ledger.resolve("B", false);
    EXPECT_FALSE(ledger.inDoubtSince("B").has_value());
    EXPECT_EQ(data.TrackTable.recordCount(), 1);

    for (const char* key : {"A", "unknown", ""}) {
        try {
            ledger.resolve(key, false);
            ADD_FAILURE() << key << " was resolved";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "no record in doubt for '" + std::string(key) + "'");
        }
    }
}

TEST_F(LedgerTest, HistoryIsNewestFirstWithItsCounts)
{
    for (int i = 1; i <= 3; ++i) {
        const int64_t run = ledger.beginRun("e" + std::to_string(i));
        ledger.endRun(run, runoutcome::kCompleted, {i, 1, 2, 3, 4, 5});
    }
    const auto runs = ledger.runs(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].exportFile, "e3");
    EXPECT_EQ(runs[1].exportFile, "e2");
    EXPECT_EQ(runs[0].counts.recordsRead, 3);
    EXPECT_EQ(runs[0].counts.inDoubt, 5);
    EXPECT_FALSE(runs[0].ended.empty());
}

TEST_F(LedgerTest, PurgeKeepsWhatIsStillInDoubt)
{
    const int64_t run = ledger.beginRun("export.txt");
    ledger.finishDelivery(ledger.beginDelivery(run, 2, 1, "done", true), DeliveryState::Accepted);
    ledger.finishDelivery(ledger.beginDelivery(run, 3, 2, "doubt", true), DeliveryState::InDoubt);
    ledger.endRun(run, runoutcome::kFailed, {});
    ledger.purge(addDays(today(), -1));  // rows of today are newer than the cut-off
    EXPECT_EQ(count("SELECT count(*) FROM deliveries"), 2);

    ledger.purge(today());
    EXPECT_EQ(count("SELECT count(*) FROM deliveries"), 1);
    EXPECT_EQ(unresolvedKeys(), std::vector<std::string>{"doubt"});
    EXPECT_EQ(count("SELECT count(*) FROM runs"), 1) << "the run of a row in doubt stays";

    ledger.resolve("doubt", false);
    ledger.purge(today());
    EXPECT_EQ(count("SELECT count(*) FROM deliveries"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM runs"), 0);
}

TEST(LedgerStoreTest, AnOlderStoreGainsTheLedgerAndKeepsItsRows)
{
    test::TempDir dir;
    {
        TDataModule1 old(dir.file("torvane.db"));
        old.database().execute("DROP TABLE runs");
        old.database().execute("DROP TABLE deliveries");
        old.database().execute("INSERT INTO track (DataToTrack, DataSent) VALUES ('1001', '2026-01-31')");
    }
    TDataModule1 reopened(dir.file("torvane.db"));
    EXPECT_EQ(reopened.TrackTable.recordCount(), 1);
    DeliveryLedger ledger(reopened.database());
    EXPECT_GT(ledger.beginRun("export.txt"), 0);
    EXPECT_EQ(ledger.runs(1).size(), 1u);
}

TEST(LedgerStoreTest, ALedgerOfAnEarlierVersionGainsTheTimesAndKeepsItsRows)
{
    test::TempDir dir;
    {
        TDataModule1 old(dir.file("torvane.db"));
        Database& db = old.database();
        db.execute("DROP TABLE runs");
        db.execute("DROP TABLE deliveries");
        db.execute("CREATE TABLE runs (RunNum INTEGER PRIMARY KEY AUTOINCREMENT, Started TEXT, Ended TEXT, "
                   "ExportFile TEXT, Outcome TEXT, RecordsRead INTEGER, Accepted INTEGER, NotConfirmed INTEGER, "
                   "Refused INTEGER, AlreadySent INTEGER, InDoubt INTEGER, Failed INTEGER)");
        db.execute("CREATE TABLE deliveries (Id INTEGER PRIMARY KEY AUTOINCREMENT, RunNum INTEGER, LineNum INTEGER, "
                   "RecordNum INTEGER, TrackKey TEXT, State TEXT, Started TEXT, Finished TEXT, StatusLine TEXT, "
                   "Message TEXT, Holds INTEGER, Resolved TEXT, ResolvedAt TEXT)");
        db.execute("INSERT INTO runs (Started, Outcome, RecordsRead, Accepted) VALUES ('2026-01-31 10:00:00', "
                   "'completed', 1, 1)");
        db.execute("INSERT INTO deliveries (RunNum, LineNum, RecordNum, TrackKey, State) VALUES (1, 2, 1, '1001', "
                   "'accepted')");
    }
    TDataModule1 reopened(dir.file("torvane.db"));
    DeliveryLedger ledger(reopened.database());
    ASSERT_TRUE(ledger.run(0));
    EXPECT_EQ(ledger.run(0)->counts.accepted, 1);
    EXPECT_EQ(ledger.run(0)->settings, "");
    const std::vector<DeliveryRecord> old = ledger.deliveriesOf(1);
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old[0].key, "1001");
    EXPECT_EQ(old[0].requestMs, -1) << "an earlier version kept no times";

    const int64_t run = ledger.beginRun("export.txt");
    const int64_t id = ledger.beginDelivery(run, 2, 1, "1002", true, 120);
    ledger.finishDelivery(id, DeliveryState::Accepted, "HTTP/1.1 200 OK", {}, 345);
    ledger.noteUnsent(run, 3, 2, "1003", DeliveryState::Refused, "Missing required fields: zip");
    ledger.setRunSettings(run, "URL: http://x/\n");
    const std::vector<DeliveryRecord> rows = ledger.deliveriesOf(run);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].requestMs, 120);
    EXPECT_EQ(rows[0].replyMs, 345);
    EXPECT_EQ(rows[1].state, "refused");
    EXPECT_TRUE(ledger.unresolved().empty()) << "a record not sent holds no key";
    EXPECT_EQ(ledger.run(run)->settings, "URL: http://x/\n");
    EXPECT_FALSE(ledger.run(run + 1));
}

// The states are stored as text: stores of earlier versions hold these very words.
TEST(DeliveryStateTest, StoredNamesStayAsTheyWere)
{
    const std::pair<DeliveryState, const char*> names[] = {
        {DeliveryState::Sending, "sending"}, {DeliveryState::Accepted, "accepted"},
        {DeliveryState::NotConfirmed, "not confirmed"}, {DeliveryState::Sent, "sent"},
        {DeliveryState::Failed, "failed"}, {DeliveryState::NotSent, "not sent"},
        {DeliveryState::InDoubt, "in doubt"}, {DeliveryState::Refused, "refused"}};
    for (const auto& [state, name] : names)
        EXPECT_STREQ(deliveryStateName(state), name);
}

}  // namespace
}  // namespace torvane
