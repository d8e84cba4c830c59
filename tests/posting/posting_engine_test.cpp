#include "support/engine_bench.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

class PostingRunTest : public ::testing::Test, protected test::EngineBench {
protected:
    void configure(const std::string& exportBytes, const std::string& method = "POST")
    {
        dir.write("export.txt", exportBytes);
        set("URL", "http://127.0.0.1:9/form");
        set("PostType", method);
        set("ImportData", dir.file("export.txt"));
    }
    std::vector<std::string> recordStatuses() const
    {
        std::vector<std::string> out;
        for (const auto& s : host.statuses)
            if (s.rfind("Processing Export Record# ", 0) == 0)
                out.push_back(s);
        return out;
    }
};

TEST_F(PostingRunTest, AnsweringNoChangesNothing)
{
    host.memo2 = {"kept"};
    dialogs.answer = false;
    engine.SendData1Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "Information");
    EXPECT_EQ(dialogs.shown[0].text, "Ok to Send Data?");
    EXPECT_EQ(host.memo2, Lines{"kept"});
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_EQ(engine.lastOutcome(), RunOutcome::NotStarted);
}

TEST_F(PostingRunTest, AbortMessagesInTheirOrder)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> settings;
        Lines memo2;
    };
    const Case cases[] = {
        {"empty store", {}, {"Posting Aborted, No URL Defined.", "Positng Aborted, Post Action Not Defined"}},
        {"no post type", {{"URL", "http://x/"}, {"ImportData", "f"}}, {"Positng Aborted, Post Action Not Defined"}},
        {"no url", {{"PostType", "POST"}}, {"Posting Aborted, No URL Defined."}},
        {"no export file name", {{"URL", "http://x/"}, {"PostType", "POST"}},
         {"Posting Aborted, No Import File Name Defined"}},
    };
    for (const Case& c : cases) {
        for (const char* f : {"URL", "PostType", "ImportData"})
            data.SettingsTable.setBlank(f);
        for (const auto& [field, value] : c.settings)
            data.SettingsTable.setText(field, value);
        data.SettingsTable.post();
        host = {};
        engine.SendData1Click();
        EXPECT_EQ(host.memo2, c.memo2) << c.name;
        EXPECT_EQ(host.status(), "Ready") << c.name;
        EXPECT_FALSE(host.bannerVisible) << c.name;
        EXPECT_EQ(engine.lastOutcome(), RunOutcome::Aborted) << c.name;
    }
    EXPECT_TRUE(client.requests.empty());
}

TEST_F(PostingRunTest, MissingExportFileShowsTheBox)
{
    set("URL", "http://x/");
    set("PostType", "GET");
    set("ImportData", dir.file("nothere.txt"));
    engine.SendData1Click();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, "exclamation");
    EXPECT_EQ(dialogs.shown[1].caption, "Error");
    EXPECT_EQ(dialogs.shown[1].text, "Export File Could Not Be Found");
    EXPECT_EQ(host.status(), "Ready");
    EXPECT_EQ(engine.lastOutcome(), RunOutcome::Aborted);
}

TEST_F(PostingRunTest, SkippedLinesAreNotCountedAndEmptyLinesAreRecords)
{
    struct Case {
        const char* name;
        std::string bytes;
        int linesToRead;
        int records;
    };
    const Case cases[] = {
        {"more lines to skip than the file has", "a\nb\n", 5, 0},
        {"empty file", "", 0, 0},
        {"skip one, empty line counts", "head\nr1\n\nr3", 1, 3},
        {"Ctrl-Z ends the records", "r1\r\nr2\x1Ar3\r\n", 0, 2},
    };
    for (const Case& c : cases) {
        configure(c.bytes, "GET");
        set("LinesToRead", std::to_string(c.linesToRead));
        host = {};
        client.requests.clear();
        engine.runPosting();
        EXPECT_EQ(static_cast<int>(client.requests.size()), c.records) << c.name;
        const auto statuses = recordStatuses();
        ASSERT_EQ(static_cast<int>(statuses.size()), c.records) << c.name;
        for (int i = 0; i < c.records; ++i)
            EXPECT_EQ(statuses[size_t(i)], "Processing Export Record# " + std::to_string(i + 1)) << c.name;
        EXPECT_EQ(host.status(), "Ready") << c.name;
        EXPECT_EQ(engine.lastOutcome(), RunOutcome::Completed) << c.name;
    }
}

TEST_F(PostingRunTest, ProgressAfterEachRecordOfTheCountedFile)
{
    using P = test::RecordingHost::Progress;
    struct Case {
        const char* name;
        std::string bytes;
        int linesToRead;
        std::vector<P> progress;
    };
    const Case cases[] = {
        {"three records after the header, a second each",
         "head\nr1\r\nr2\r\nr3",
         1,
         {{0, 3, 0}, {1, 3, 1000}, {2, 3, 2000}, {3, 3, 3000}}},
        {"a refused record counts without a pause", "ok\n\nok\n", 0, {{0, 3, 0}, {1, 3, 1000}, {2, 3, 1000}, {3, 3, 2000}}},
        {"Ctrl-Z ends the count as it ends the run", "r1\nr2\x1Ar3\n", 0, {{0, 2, 0}, {1, 2, 1000}, {2, 2, 2000}}},
        {"nothing after the skipped lines", "a\nb\n", 5, {{0, 0, 0}}},
    };
    for (const Case& c : cases) {
        configure(c.bytes);
        set("LinesToRead", std::to_string(c.linesToRead));
        data.FieldsTable.append();
        data.FieldsTable.setText("Name", "f");
        data.FieldsTable.setText("ImportStart", "1");
        data.FieldsTable.setText("ImportLength", "2");
        data.FieldsTable.setText("Required", "True");
        data.FieldsTable.post();
        host = {};
        clock.now = 0;
        engine.runPosting();
        EXPECT_EQ(host.progress, c.progress) << c.name;
        data.database().execute("DELETE FROM fields");
    }

    // A run that aborts before its records reports no progress.
    set("URL", "");
    host = {};
    engine.runPosting();
    EXPECT_TRUE(host.progress.empty());
}

TEST_F(PostingRunTest, AnEmptyFileIsStillDeleted)
{
    configure("", "POST");
    set("DeleteFile", "True");
    engine.runPosting();
    EXPECT_FALSE(std::filesystem::exists(dir.file("export.txt")));
}

TEST_F(PostingRunTest, MethodContentTypeAndTransportPerRecord)
{
    struct Case {
        const char* postType;
        const char* url;
        const char* content;
        const char* method;  // nullptr: nothing is sent
        const char* contentSent;
        bool tls;
    };
    const Case cases[] = {
        {"post", "http://h/f", "", "POST", "application/x-www-form-urlencoded", false},
        {"Put", "HtTpS://h/f", "text/plain", "PUT", "text/plain", true},
        {"GET", "http://h/?u=https://x", "text/xml", "GET", "text/xml", false},
        {" post", "http://h/f", "", nullptr, "", false},
        {"DELETE", "http://h/f", "", nullptr, "", false},
    };
    for (const Case& c : cases) {
        configure("one\n", c.postType);
        set("URL", c.url);
        set("Content", c.content);
        client.requests.clear();
        clock.sleeps.clear();
        engine.runPosting();
        if (!c.method) {
            EXPECT_TRUE(client.requests.empty()) << c.postType;
            EXPECT_EQ(clock.sleeps, std::vector<int64_t>{1000}) << "the pause still runs for " << c.postType;
            continue;
        }
        ASSERT_EQ(client.requests.size(), 1u) << c.postType;
        const auto& r = client.requests[0];
        EXPECT_EQ(r.method, c.method);
        EXPECT_EQ(r.url, c.url);
        EXPECT_EQ(r.contentType, c.contentSent);
        EXPECT_EQ(r.cacheControl, "no-cache");
        EXPECT_EQ(r.tls, c.tls) << c.url;
    }
}

TEST_F(PostingRunTest, TheReplyGoesIntoTheDiagnosticsPane)
{
    configure("a\nb\n", "GET");
    client.replies = {"first reply", "second reply"};
    engine.runPosting();
    EXPECT_EQ(host.memo1, "second reply");
}

TEST_F(PostingRunTest, TrafficLogIsOnOnlyAroundRequests)
{
    configure("a\nb\n", "POST");
    set("ViewDiag", "True");
    engine.runPosting();
    ASSERT_EQ(client.requests.size(), 2u);
    for (const auto& r : client.requests)
        EXPECT_TRUE(r.logOn);
    EXPECT_EQ(client.logSwitches, (std::vector<bool>{true, false, true, false}));

    set("ViewDiag", "False");
    client.logSwitches.clear();
    engine.runPosting();
    EXPECT_TRUE(client.logSwitches.empty());
}

TEST_F(PostingRunTest, AnErrorEndsTheRunAndLeavesNothingOpen)
{
    configure("a\nb\nc\n", "POST");
    set("ViewDiag", "True");
    set("DeleteFile", "True");
    client.failWith = "HTTP/1.1 404 Not Found";
    try {
        engine.runPosting();
        ADD_FAILURE() << "the error did not reach the caller";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 404 Not Found");
    }
    EXPECT_EQ(client.requests.size(), 1u) << "no later record is read";
    EXPECT_TRUE(std::filesystem::exists(dir.file("export.txt"))) << "the export file is not deleted";
    EXPECT_FALSE(client.logOn) << "the traffic log is switched off";
    EXPECT_FALSE(host.bannerVisible);
    EXPECT_EQ(host.status(), "Ready");
    EXPECT_EQ(engine.lastOutcome(), RunOutcome::Failed);
    EXPECT_FALSE(engine.isRunning());
    // The file was closed: it can be replaced and the next run reads the new content.
    dir.write("export.txt", "x\n");
    client.failWith.clear();
    client.requests.clear();
    engine.runPosting();
    EXPECT_EQ(client.requests.size(), 1u);
}

TEST_F(PostingRunTest, FirstActivationReadsDiagnosticsOnce)
{
    set("ViewDiag", "True");
    int layouts = 0;
    EXPECT_TRUE(engine.FormActivate([&] { ++layouts; }));
    EXPECT_TRUE(engine.DiagnosticsOn);
    EXPECT_EQ(layouts, 1);
    set("ViewDiag", "False");
    EXPECT_FALSE(engine.FormActivate([&] { ++layouts; }));
    EXPECT_TRUE(engine.DiagnosticsOn) << "later activations do nothing";
    EXPECT_EQ(layouts, 1);
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

// Runs of two one-field records whose requests fail as scripted: what is tried again, after how long,
// and what a run goes on past.
class DeliveryRetryTest : public ::testing::Test, protected test::EngineBench {
protected:
    using Failure = test::FakePostingClient::Failure;

    void SetUp() override
    {
        oneTrackedFieldForm();
        engine.setPauseSeconds(0);
    }
    int64_t waitedMs() const
    {
        int64_t total = 0;
        for (int64_t ms : clock.sleeps)
            total += ms;
        return total;
    }
    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& line : host.memo2)
            if (line.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }
};

TEST_F(DeliveryRetryTest, WhatIsTriedAgainAndHowLongTheRunWaits)
{
    const Failure refused{"Socket Error # 10061\r\nConnection refused.", RequestFate::NotSent};
    const Failure busy{"HTTP/1.1 503 Service Unavailable", RequestFate::Answered, 503};
    const Failure busyFor2{"HTTP/1.1 503 Service Unavailable", RequestFate::Answered, 503, "2"};
    const Failure throttled{"HTTP/1.1 429 Too Many Requests", RequestFate::Answered, 429, "1"};
    const Failure missing{"HTTP/1.1 404 Not Found", RequestFate::Answered, 404};
    const Failure reset{"Socket Error # 10054\r\nConnection reset by peer.", RequestFate::InDoubt};
    struct Case {
        const char* name;
        int retryCount;
        std::vector<Failure> failures;
        bool runEnds;
        size_t requests;
        int64_t waitedMs;
        std::vector<std::string> retries;
    };
    const Case cases[] = {
        {"blank settings: the first error ends the run", 0, {refused}, true, 1, 0, {}},
        {"refused twice, then through", 3, {refused, refused}, false, 4, 15000,
         {"Retrying Record# 1 In 5 Seconds: Socket Error # 10061", "Retrying Record# 1 In 10 Seconds: Socket Error # 10061"}},
        {"503 with the server's wait", 3, {busyFor2}, false, 3, 2000,
         {"Retrying Record# 1 In 2 Seconds: HTTP/1.1 503 Service Unavailable"}},
        {"429 with the server's wait", 1, {throttled}, false, 3, 1000,
         {"Retrying Record# 1 In 1 Seconds: HTTP/1.1 429 Too Many Requests"}},
        {"retries run out", 2, {busy, busy, busy}, true, 3, 15000,
         {"Retrying Record# 1 In 5 Seconds: HTTP/1.1 503 Service Unavailable",
          "Retrying Record# 1 In 10 Seconds: HTTP/1.1 503 Service Unavailable"}},
        {"a 404 is a definite answer: never again", 3, {missing}, true, 1, 0, {}},
        {"a reset after the request went out: never again", 3, {reset}, true, 1, 0, {}},
    };
    for (const Case& c : cases) {
        data.database().execute("DELETE FROM deliveries");
        data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
        set("RetryCount", c.retryCount ? std::to_string(c.retryCount) : "");
        client.requests.clear();
        client.failures.assign(c.failures.begin(), c.failures.end());
        clock.sleeps.clear();
        host = {};
        bool ended = false;
        try {
            engine.runPosting();
        } catch (const Error&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.runEnds) << c.name;
        EXPECT_EQ(client.requests.size(), c.requests) << c.name;
        EXPECT_EQ(waitedMs(), c.waitedMs) << c.name << ": the waits come from the injected clock";
        EXPECT_EQ(linesStartingWith("Retrying"), c.retries) << c.name;
    }
}

TEST_F(DeliveryRetryTest, MaxErrorsGoesOnPastThatManyFailedRecords)
{
    const Failure missing{"HTTP/1.1 404 Not Found", RequestFate::Answered, 404};
    const Failure reset{"Read timed out.", RequestFate::InDoubt};
    set("MaxErrors", "1");
    client.failures = {missing};
    engine.runPosting();
    EXPECT_EQ(engine.lastOutcome(), RunOutcome::Completed);
    EXPECT_EQ(linesStartingWith("Data Not Sent For"), std::vector<std::string>{"Data Not Sent For 1001: HTTP/1.1 404 Not Found."});
    EXPECT_EQ(engine.summary().failed, 1);
    EXPECT_EQ(engine.summary().accepted, 1);

    // The second failure of a run with MaxErrors 1 ends it, as the first would without the setting.
    data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
    client.failures = {reset, missing};
    EXPECT_THROW(engine.runPosting(), Error);
    EXPECT_EQ(engine.summary().inDoubt, 1) << "the record cut off is in doubt, not failed";
    EXPECT_EQ(engine.summary().failed, 0);
}

TEST_F(DeliveryRetryTest, AStopDuringTheWaitEndsTheRunAfterThatRecord)
{
    set("RetryCount", "5");
    client.failures = {{"Socket Error # 10061", RequestFate::NotSent}};
    int asked = 0;
    // The stop comes while the run waits to try record 1 again.
    engine.setStopRequested([&asked] { return ++asked > 3; });
    engine.runPosting();
    EXPECT_EQ(engine.lastOutcome(), RunOutcome::Stopped);
    EXPECT_EQ(client.requests.size(), 1u) << "neither tried again nor the next record read";
    EXPECT_EQ(host.status(), "Ready");
    EXPECT_TRUE(std::filesystem::exists(dir.file("export.txt")));
    EXPECT_EQ(DeliveryLedger(data.database()).runs(1).at(0).outcome, "interrupted");
}

TEST_F(DeliveryRetryTest, ARateKeepsRequestsApart)
{
    engine.setPolicyOverride([](DeliveryPolicy& p) { p.minIntervalMs = 30000; });
    engine.runPosting();
    EXPECT_EQ(client.requests.size(), 2u);
    EXPECT_EQ(waitedMs(), 30000);
}

// Whoever follows the run record by record sees the same verdict as the ledger.
struct OutcomeRecorder : RunObserver {
    std::vector<std::string> outcomes;
    void lineSkipped(std::string_view) override {}
    void recordDone(const RecordResult& result) override { outcomes.push_back(result.key + " " + outcomeName(result.outcome)); }
    void unreadBytes(std::string_view) override {}
};

TEST_F(DeliveryRetryTest, ARecordCutOffAfterItsRequestIsInDoubtWhetherOrNotTheRunGoesOn)
{
    // As the client reports a form whose answer could not be fetched after the server took it.
    const Failure answerLost{"HTTP/1.1 500 Oops", RequestFate::InDoubt, 500};
    struct Case {
        const char* maxErrors;
        bool runEnds;
        std::vector<std::string> outcomes;
    };
    const Case cases[] = {
        {"0", true, {"1001 in doubt"}},
        {"1", false, {"1001 in doubt", "1002 accepted"}},
    };
    for (const Case& c : cases) {
        data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
        set("MaxErrors", c.maxErrors);
        OutcomeRecorder recorder;
        engine.setObserver(&recorder);
        client.failures = {answerLost};
        if (c.runEnds)
            EXPECT_THROW(engine.runPosting(), Error) << c.maxErrors;
        else
            engine.runPosting();
        engine.setObserver(nullptr);
        EXPECT_EQ(recorder.outcomes, c.outcomes) << c.maxErrors;
        const std::vector<DeliveryRecord> held = DeliveryLedger(data.database()).unresolved();
        ASSERT_FALSE(held.empty());
        EXPECT_EQ(held.back().key, "1001");
        EXPECT_EQ(held.back().message, "HTTP/1.1 500 Oops");
        DeliveryLedger(data.database()).resolve("1001", false);
    }
}

// With a login or a form page set, every form the run sends names the page it came from; without
// them nothing is named, and the requests stay as they were.
TEST_F(DeliveryRetryTest, FormsNameThePageTheyCameFrom)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> settings;
        std::vector<std::string> sent;  // method, URL and page of each POST and PUT
    };
    const Case cases[] = {
        {"no login, no form page", {{"PostType", "POST"}}, {"POST http://127.0.0.1:9/form ", "POST http://127.0.0.1:9/form "}},
        {"a form page", {{"FormURL", "http://127.0.0.1:9/new"}, {"PostType", "PUT"}},
         {"PUT http://127.0.0.1:9/form http://127.0.0.1:9/new", "PUT http://127.0.0.1:9/form http://127.0.0.1:9/new"}},
        {"a login without a form page",
         {{"FormURL", ""}, {"LoginURL", "http://127.0.0.1:9/login"}, {"LoginData", "user=ann"}, {"PostType", "POST"}},
         {"POST http://127.0.0.1:9/login http://127.0.0.1:9/login", "POST http://127.0.0.1:9/form http://127.0.0.1:9/form",
          "POST http://127.0.0.1:9/form http://127.0.0.1:9/form"}},
    };
    for (const Case& c : cases) {
        data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
        for (const auto& [field, value] : c.settings)
            set(field, value);
        client.requests.clear();
        engine.runPosting();
        std::vector<std::string> sent;
        for (const auto& r : client.requests)
            if (r.method != "GET")
                sent.push_back(r.method + " " + r.url + " " + r.fromPage);
        EXPECT_EQ(sent, c.sent) << c.name;
    }
}

}  // namespace
}  // namespace torvane
