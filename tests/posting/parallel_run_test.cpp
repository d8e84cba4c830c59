// A run with several records in flight over connections whose replies come back out of order: what it
// shows and writes is what a run of one connection shows and writes given the same replies; an error,
// a stop and an expired session while other requests are out.
#include "posting/connection_pool.h"
#include "support/engine_bench.h"
#include "support/scripted_connections.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;
using Answer = test::ScriptedConnections::Answer;

// A reply with body, given once the record `after` was answered (empty: at once).
Answer says(const std::string& body, const std::string& after = {})
{
    Answer a;
    a.body = body;
    a.after = after;
    return a;
}
Answer fails(int status, const std::string& after = {})
{
    Answer a = says("down", after);
    a.status = status;
    return a;
}
Answer notSent()
{
    Answer a;
    a.notSent = true;
    return a;
}
Answer loginPage(const std::string& after)
{
    Answer a = says("", after);
    a.loginPage = true;
    return a;
}

std::vector<int> counts(const RunSummary& s)
{
    return {s.recordsRead, s.accepted, s.notConfirmed, s.refused, s.alreadySent, s.inDoubt, s.failed};
}

Lines sorted(Lines lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

class RecordingObserver : public RunObserver {
public:
    Lines results;
    std::string unread;
    void lineSkipped(std::string_view) override {}
    void recordDone(const RecordResult& r) override
    {
        std::string row = std::to_string(r.record) + " " + r.key + " " + outcomeName(r.outcome) + " " + r.status;
        for (const std::string& m : r.messages)
            row += " | " + m;
        results.push_back(row);
    }
    void unreadBytes(std::string_view bytes) override { unread += bytes; }
};

// One store, one engine over scripted connections, one observer.
struct Side : test::EngineBench {
    test::ScriptedConnections scripted;
    test::TestEngine run{data, host, dialogs, scripted, clock};
    RecordingObserver observer;

    Side(const std::string& exportBytes, int connections)
    {
        oneTrackedFieldForm();
        dir.write("export.txt", exportBytes);
        if (connections > 1)
            set("Connections", std::to_string(connections));
        run.setPauseSeconds(0);
        run.setObserver(&observer);
    }
    Lines deliveries()
    {
        Lines out;
        for (const DeliveryRecord& d : DeliveryLedger(data.database()).deliveriesOf(run.runNumber()))
            out.push_back(d.key + " " + d.state);
        return out;
    }
};

struct Case {
    const char* name;
    std::string exportBytes;
    std::map<std::string, std::deque<Answer>> script;
    std::vector<std::pair<std::string, std::string>> settings;
};

TEST(ParallelRunTest, ShowsAndWritesWhatARunOfOneConnectionDoes)
{
    const Case cases[] = {
        {"confirmed and not, answered last to first",
         "1001\n1002\n1003\n1004\n1005\n1006\n",
         {{"ACCT=1001", {says("ok", "ACCT=1003")}},
          {"ACCT=1002", {says("no", "ACCT=1001")}},
          {"ACCT=1003", {says("ok")}},
          {"ACCT=1004", {says("ok", "ACCT=1005")}},
          {"ACCT=1005", {says("ok", "ACCT=1006")}},
          {"ACCT=1006", {says("no")}}},
         {}},
        {"an error status and a retry among requests in flight",
         "1001\n1002\n1003\n1004\n",
         {{"ACCT=1001", {says("ok", "ACCT=1002")}},
          {"ACCT=1002", {fails(500)}},
          {"ACCT=1003", {notSent(), says("ok")}},
          {"ACCT=1004", {says("ok")}}},
         {{"MaxErrors", "3"}, {"RetryCount", "2"}}},
        {"a refused record and a key twice, the second read while the first is out",
         "1001\n    \n1004\n1001\n1005\n",
         {{"ACCT=1001", {says("ok", "ACCT=1004")}},
          {"ACCT=1004", {says("ok")}},
          {"ACCT=1005", {says("ok")}}},
         {{"ViewWarnings", "True"}}},
    };
    for (const Case& c : cases) {
        Side one(c.exportBytes, 1), many(c.exportBytes, 3);
        for (Side* side : {&one, &many}) {
            for (const auto& [field, value] : c.settings)
                side->set(field, value);
            side->data.FieldsTable.first();
            side->data.FieldsTable.setText("Required", "True");
            side->data.FieldsTable.post();
            side->scripted.script = c.script;
        }
        one.scripted.ordered = true;
        one.run.runPosting();
        many.run.runPosting();
        EXPECT_EQ(many.host.memo2, one.host.memo2) << c.name;
        EXPECT_EQ(many.observer.results, one.observer.results) << c.name;
        EXPECT_EQ(counts(many.run.summary()), counts(one.run.summary())) << c.name;
        EXPECT_EQ(many.run.lastOutcome(), RunOutcome::Completed) << c.name;
        EXPECT_EQ(sorted(many.deliveries()), sorted(one.deliveries())) << c.name;
        EXPECT_EQ(many.scripted.connectionsOpened(), 3) << c.name;
        EXPECT_EQ(many.host.progress.back().done, one.host.progress.back().done) << c.name;
    }
}

TEST(ParallelRunTest, AnErrorLetsTheRequestsInFlightEndAndLeavesTheRestUnread)
{
    Side many("1001\n1002\n1003\n1004\n1005\n", 3);
    many.scripted.script = {{"ACCT=1001", {says("ok", "ACCT=1002")}},
                            {"ACCT=1002", {fails(500)}},
                            {"ACCT=1003", {says("ok", "ACCT=1002")}},
                            {"ACCT=1004", {says("ok")}},
                            {"ACCT=1005", {says("ok")}}};
    EXPECT_THROW(many.run.runPosting(), RequestFailed);
    EXPECT_EQ(many.run.lastOutcome(), RunOutcome::Failed);
    // The first and the third were out when the second failed: they get their answers and states.
    // Records read as the first was shown, before the failure came back, may have gone out too; they
    // end the same way. Nothing else is sent, and the lines not sent go to the rejects.
    const Lines& results = many.observer.results;
    ASSERT_GE(results.size(), 3u);
    EXPECT_EQ(Lines(results.begin(), results.begin() + 3),
              (Lines{"1 1001 accepted HTTP/1.1 200 OK | Data Accepted By Server For: 1001",
                     "2 1002 failed HTTP/1.1 500 Error | HTTP/1.1 500 Error",
                     "3 1003 accepted HTTP/1.1 200 OK | Data Accepted By Server For: 1003"}));
    Lines sent, ledger;
    std::string unread;
    for (size_t i = 0; i < 5; ++i) {
        const std::string key = "100" + std::to_string(i + 1);
        if (i >= results.size()) {
            unread += key + "\n";
            continue;
        }
        sent.push_back("ACCT=" + key);
        ledger.push_back(key + (i == 1 ? " failed" : " accepted"));
    }
    EXPECT_EQ(many.observer.unread, unread);
    EXPECT_EQ(sorted(many.scripted.arrivals()), sent);
    EXPECT_EQ(sorted(many.deliveries()), ledger);
}

TEST(ParallelRunTest, AStopSendsNothingNewAndEndsWithTheRequestsOut)
{
    Side many("1001\n1002\n1003\n1004\n1005\n1006\n1007\n", 2);
    for (const char* key : {"1001", "1002", "1003", "1004", "1005", "1006", "1007"})
        many.scripted.script[std::string("ACCT=") + key] = {says("ok")};
    many.scripted.script["ACCT=1001"] = {says("ok", "ACCT=1002")};
    many.run.setStopRequested([&] { return many.scripted.answered().size() >= 2; });
    many.run.runPosting();
    EXPECT_EQ(many.run.lastOutcome(), RunOutcome::Stopped);
    const Lines sent = many.scripted.arrivals();
    ASSERT_GE(sent.size(), 2u);
    // Every record read was either answered and written, or goes to the rejects unread, in line order.
    EXPECT_EQ(many.observer.results.size(), sent.size());
    EXPECT_EQ(many.run.summary().recordsRead, int(sent.size()));
    std::string rest;
    for (size_t i = sent.size() + 1; i <= 7; ++i)
        rest += "100" + std::to_string(i) + "\n";
    EXPECT_EQ(many.observer.unread, rest);
    EXPECT_TRUE(std::is_sorted(many.observer.results.begin(), many.observer.results.end()));
}

TEST(ParallelRunTest, AnExpiredSessionHoldsNewRequestsUntilTheLoginIsDone)
{
    Side many("1001\n1002\n1003\n1004\n", 2);
    many.set("LoginURL", "http://127.0.0.1:9/login");
    many.set("LoginData", "user=ann");
    PostingReply loginForm;
    loginForm.statusLine = "HTTP/1.1 200 OK";
    loginForm.body = "<form method=post action=/auth><input name=user></form>";
    loginForm.place = "127.0.0.1/login";
    PostingReply welcome;
    welcome.statusLine = "HTTP/1.1 200 OK";
    welcome.body = "Welcome";
    welcome.place = "127.0.0.1/auth";
    many.scripted.sessionAnswers = {loginForm, welcome, loginForm, welcome};
    many.scripted.script = {{"ACCT=1001", {loginPage(""), says("ok")}},
                            {"ACCT=1002", {says("ok", "ACCT=1001")}},
                            {"ACCT=1003", {says("ok")}},
                            {"ACCT=1004", {says("ok")}}};
    many.run.runPosting();
    EXPECT_EQ(many.run.lastOutcome(), RunOutcome::Completed);
    // 1001 met the login page while 1002 was out. 1003 may have gone out when 1002's reply was taken
    // before 1001's; once the expiry was seen nothing new went out until the new login was done.
    const Lines sent = many.scripted.arrivals();
    ASSERT_EQ(sent.size(), 9u);
    const Lines login{"session http://127.0.0.1:9/login", "session http://127.0.0.1:9/auth"};
    EXPECT_EQ(Lines(sent.begin(), sent.begin() + 2), login);
    EXPECT_EQ(sorted({sent[2], sent[3]}), (Lines{"ACCT=1001", "ACCT=1002"}));
    const auto again = std::find(sent.begin() + 2, sent.end(), login[0]);
    ASSERT_LT(again + 1, sent.end());
    EXPECT_EQ(*(again + 1), login[1]);
    const Lines after(again + 2, sent.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "ACCT=1001"), after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "ACCT=1004"), after.end());
    EXPECT_EQ(sorted(Lines(sent.begin() + 4, sent.end())),
              sorted({"ACCT=1001", "ACCT=1003", "ACCT=1004", login[0], login[1]}));
    EXPECT_EQ(many.run.summary().accepted, 4);
    EXPECT_EQ(sorted(many.deliveries()), (Lines{"1001 accepted", "1001 not sent", "1002 accepted", "1003 accepted", "1004 accepted"}));
}

}  // namespace
}  // namespace torvane
