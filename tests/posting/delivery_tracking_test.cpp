#include "store/run_lock.h"
#include "support/engine_bench.h"
#include "util/error.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

class DeliveryTrackingTest : public ::testing::Test, protected test::EngineBench {
protected:
    void addTrack(const std::string& key, Date sent)
    {
        data.TrackTable.append();
        data.TrackTable.setText("DataToTrack", key);
        data.TrackTable.setCell("DataSent", toIsoText(sent));
        data.TrackTable.post();
    }
    // One confirmation check of a reply for a record with the given key.
    Lines check(const std::string& reply, const std::string& key)
    {
        host.memo2.clear();
        engine.setReply(reply);
        engine.TrackKey = key;
        engine.CheckToSeeIfSent();
        EXPECT_TRUE(engine.TrackKey.empty()) << "the key is emptied after every check";
        return host.memo2;
    }
};

TEST_F(DeliveryTrackingTest, ConfirmationMessagesAndTracking)
{
    struct Case {
        const char* name;
        const char* sentText;  // "" leaves DataSentText blank
        bool trackSent;
        const char* fieldToTrack1;
        const char* reply;
        Lines memo2;
        int tracked;
    };
    const Case cases[] = {
        {"no confirmation text: nothing at all", "", true, "ACCT", "Thank you", {}, 0},
        {"found in any case", "thank you", true, "ACCT", "<b>THANK YOU</b>", {"Data Accepted By Server For: 1001"}, 1},
        {"not found", "thank you", true, "ACCT", "Error", {"Server Did Not Confirm Data Was Sent For: 1001"}, 0},
        {"short forms without FieldToTrack1", "ok", true, "", "OK", {"Data Accepted By Server"}, 1},
        {"short unconfirmed form", "ok", true, "", "nope", {"Server Did Not Confirm Data Was Sent"}, 0},
        {"tracking off: confirmed records are not reported", "ok", false, "ACCT", "ok", {}, 0},
        {"tracking off: unconfirmed still are", "ok", false, "ACCT", "no", {"Server Did Not Confirm Data Was Sent For: 1001"}, 0},
    };
    for (const Case& c : cases) {
        set("DataSentText", c.sentText);
        engine.TrackSent = c.trackSent;
        engine.FieldToTrack1 = c.fieldToTrack1;
        const int before = data.TrackTable.recordCount();
        EXPECT_EQ(check(c.reply, "1001"), c.memo2) << c.name;
        EXPECT_EQ(data.TrackTable.recordCount() - before, c.tracked) << c.name;
    }
}

TEST_F(DeliveryTrackingTest, TheTrackingRecordIsStoredBeforeAcceptanceIsReportedThenPauses)
{
    set("DataSentText", "ok");
    engine.TrackSent = true;
    engine.FieldToTrack1 = "ACCT";
    struct CheckingHost : test::RecordingHost {
        std::string path;
        bool storedFirst = false;
        void memo2Add(const std::string& text) override
        {
            TDataModule1 other(path);  // a second connection sees only what was committed
            other.TrackQuery.open(selectTrackByKey("1001"));
            storedFirst = other.TrackQuery.findFirst();
            RecordingHost::memo2Add(text);
        }
    } checking;
    checking.path = dir.file("torvane.db");
    test::TestEngine e(data, checking, dialogs, client, clock);
    e.TrackSent = true;
    e.FieldToTrack1 = "ACCT";
    e.TrackKey = "1001";
    e.setReply("OK");
    e.CheckToSeeIfSent();
    EXPECT_TRUE(checking.storedFirst);
    EXPECT_EQ(clock.sleeps, std::vector<int64_t>{1000});
    EXPECT_EQ(data.TrackTable.text("DataSent"), formatShortDate(today()));
}

TEST_F(DeliveryTrackingTest, AlreadySentReportsTheDateAndAnEmptyKeyNeverMatches)
{
    addTrack("1001", {2026, 1, 31});
    addTrack("", today());
    engine.TrackKey = "1001";
    EXPECT_TRUE(engine.DataAlreadySent());
    EXPECT_EQ(host.memo2, Lines{"Data For 1001 Sent On 01/31/2026, Data Not Sent."});
    host.memo2.clear();
    engine.TrackKey = "";
    EXPECT_FALSE(engine.DataAlreadySent());
    engine.TrackKey = "1002";
    EXPECT_FALSE(engine.DataAlreadySent());
    EXPECT_TRUE(host.memo2.empty());
}

TEST_F(DeliveryTrackingTest, PurgeAtFirstActivation)
{
    struct Case {
        const char* name;
        const char* trackSent;
        const char* purgeDays;
        int left;
    };
    // Rows dated today, 3 days ago and 40 days ago.
    const Case cases[] = {
        {"PurgeDays 0 deletes today's rows too", "True", "0", 0},
        {"PurgeDays 3", "True", "3", 1},
        {"PurgeDays 30", "True", "30", 2},
        {"blank PurgeDays deletes nothing", "True", "", 3},
        {"tracking off deletes nothing", "False", "0", 3},
        {"tracking blank deletes nothing", "", "0", 3},
    };
    for (const Case& c : cases) {
        data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1000)));
        addTrack("a", today());
        addTrack("b", addDays(today(), -3));
        addTrack("c", addDays(today(), -40));
        set("TrackSent", c.trackSent);
        set("PurgeDays", c.purgeDays);
        PostingEngine fresh(data, host, dialogs, client, clock);
        EXPECT_TRUE(fresh.FormActivate());
        EXPECT_EQ(data.TrackTable.recordCount(), c.left) << c.name;
    }
}

// Whole runs over a one-field form: what the ledger keeps of each record and what the next run does
// with a record whose request was cut off.
class DeliveryLedgerRunTest : public DeliveryTrackingTest {
protected:
    void SetUp() override
    {
        oneTrackedFieldForm();
    }
    std::vector<std::string> states()
    {
        std::vector<std::string> out;
        for (const auto& row : data.database().query("SELECT TrackKey, State, LineNum FROM deliveries ORDER BY Id"))
            out.push_back(std::get<std::string>(row[0]) + " " + std::get<std::string>(row[1]) + " line " +
                          std::to_string(std::get<int64_t>(row[2])));
        return out;
    }
    std::vector<std::string> sentKeys()
    {
        std::vector<std::string> keys;
        for (const auto& r : client.requests)
            keys.push_back(r.entries.at(0));
        return keys;
    }
};

TEST_F(DeliveryLedgerRunTest, AFailedRequestIsHeldBackOnlyWhenTheServerMayHaveIt)
{
    struct Case {
        const char* name;
        RequestFate fate;
        const char* state;
        bool held;
    };
    const Case cases[] = {
        {"refused before a byte left", RequestFate::NotSent, "not sent", false},
        {"an error status is a definite answer", RequestFate::Answered, "failed", false},
        {"cut off after the request went out", RequestFate::InDoubt, "in doubt", true},
    };
    for (const Case& c : cases) {
        data.database().execute("DELETE FROM deliveries");
        client.requests.clear();
        client.failWith = "Socket Error # 10054";
        client.fate = c.fate;
        EXPECT_THROW(engine.runPosting(), Error) << c.name;
        EXPECT_EQ(states(), std::vector<std::string>{std::string("1001 ") + c.state + " line 1"}) << c.name;
        EXPECT_EQ(engine.summary().inDoubt, c.held ? 1 : 0) << c.name;

        client.failWith.clear();
        host = {};
        engine.runPosting();
        const std::string heldLine = "Data For 1001 May Have Been Sent On " + formatShortDate(today()) + ", Data Not Sent.";
        EXPECT_EQ(std::count(host.memo2.begin(), host.memo2.end(), heldLine), c.held ? 1 : 0) << c.name;
        const std::vector<std::string> held{"ACCT=1001", "ACCT=1002"};
        const std::vector<std::string> resent{"ACCT=1001", "ACCT=1001", "ACCT=1002"};
        EXPECT_EQ(sentKeys(), c.held ? held : resent) << c.name;
        EXPECT_EQ(engine.summary().inDoubt, c.held ? 1 : 0) << c.name;
        data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
        DeliveryLedger(data.database()).purge(addDays(today(), 1));
    }
}

TEST_F(DeliveryLedgerRunTest, AnAcceptedRecordIsTrackedAndRecordedTogether)
{
    engine.runPosting();
    EXPECT_EQ(states(), (std::vector<std::string>{"1001 accepted line 1", "1002 accepted line 2"}));
    EXPECT_EQ(data.TrackTable.recordCount(), 2);
    const auto runs = DeliveryLedger(data.database()).runs(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].outcome, "completed");
    EXPECT_EQ(runs[0].counts.accepted, 2);
    EXPECT_EQ(runs[0].counts.recordsRead, 2);
}

TEST_F(DeliveryLedgerRunTest, WithTrackingOffNothingIsHeld)
{
    set("TrackSent", "False");
    client.failWith = "Read timed out.";
    EXPECT_THROW(engine.runPosting(), Error);
    client.failWith.clear();
    engine.runPosting();
    EXPECT_EQ(client.requests.size(), 3u) << "the record in doubt goes again: nothing skips it without tracking";
    EXPECT_EQ(engine.summary().inDoubt, 0);
}

TEST_F(DeliveryLedgerRunTest, ASecondRunOnTheSameStoreIsRefused)
{
    RunLock other(data.database().path());
    EXPECT_THROW(engine.runPosting(), StoreInUse);
    EXPECT_TRUE(client.requests.empty());
    EXPECT_FALSE(engine.isRunning());
}

}  // namespace
}  // namespace torvane
