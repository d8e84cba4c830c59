// torvane-cli send against a loopback server: what goes to standard output and standard error, the
// exit status, and tracking across runs.
#include "cli/send_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using namespace test;

TEST_F(SendTest, FullRunThenASecondRunSkipsWhatTheFirstTracked)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult first = send();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(test::splitOutputLines(first.out), (Lines{
                                                     "Data Accepted By Server For: 1001",
                                                     "Data Not Sent For 1002, Missing Required Fields",
                                                     "",
                                                     "     zip Required",
                                                     "",
                                                     "Data For 1003 Had the Following Warings:",
                                                     "     WARNING color Not Found In Cross Walk. (X)",
                                                     "",
                                                     "Data Accepted By Server For: 1003",
                                                 }));
    EXPECT_EQ(test::splitOutputLines(first.err), Lines{summary(3, 2, 0, 1, 0)});
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("POST /orders HTTP/1.0\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("\r\n\r\nacct=1001&zip=12345&color=r"), std::string::npos) << requests[0];
    // The unknown code goes out as the list's default option.
    EXPECT_NE(requests[1].find("\r\n\r\nacct=1003&zip=54321&color=r"), std::string::npos) << requests[1];

    const std::string sentOn = shownToday();
    const test::CliResult second = send();
    EXPECT_EQ(second.status, 0) << second.err;
    const Lines out = test::splitOutputLines(second.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "Data For 1001 Sent On " + sentOn + ", Data Not Sent.");
    EXPECT_EQ(out.back(), "Data For 1003 Sent On " + sentOn + ", Data Not Sent.");
    EXPECT_EQ(test::splitOutputLines(second.err), Lines{summary(3, 0, 0, 1, 2)});
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(SendTest, TrackingDeleteLetsTheNextRunSendThatRecordAgain)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    ASSERT_EQ(send().status, 0);

    const Lines listed = test::splitOutputLines(ok({"tracking", "list"}));
    const std::string sentOn = shownToday();
    EXPECT_TRUE(containsInOrder(listed, {"Data Sent  Date Sent"}));
    EXPECT_NE(std::find(listed.begin(), listed.end(), "1001       " + sentOn), listed.end())
        << ::testing::PrintToString(listed);

    EXPECT_EQ(ok({"tracking", "delete", "1001"}), "Tracking records deleted: 1\n");
    server.queue(reply("200 OK", kThanks));
    const test::CliResult again = send();
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(test::splitOutputLines(again.out).front(), "Data Accepted By Server For: 1001");
    EXPECT_EQ(test::splitOutputLines(again.err), Lines{summary(3, 1, 0, 1, 1)});
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SendTest, RunGoesOnWhenNobodyReadsItsOutput)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult r = test::runProgram(test::cliBinary(), {"-C", dir.path(), "send", "--pause", "0"}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::splitOutputLines(r.err), Lines{summary(3, 2, 0, 1, 0)});
    EXPECT_EQ(server.requests().size(), 2u);
    const Lines tracked = test::splitOutputLines(ok({"tracking", "list"}));
    EXPECT_EQ(tracked.size(), 4u) << ::testing::PrintToString(tracked);
}

enum class Target { Server, NobodyListening };

struct ExitCase {
    const char* name;
    Lines setup;                // commands run before the send
    Target target;
    Lines replies;
    Lines sendArgs;
    int status;
    Lines outContains;          // lines of standard output, in this order
    Lines errContains;          // lines of standard error, in this order
};

void PrintTo(const ExitCase& c, std::ostream* os)
{
    *os << c.name;
}

class SendExitTest : public SendTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(SendExitTest, StatusAndMessages)
{
    const ExitCase& c = GetParam();
    if (c.target == Target::NobodyListening)
        ok({"set", "URL", "http://127.0.0.1:" + std::to_string(test::ScriptedServer::unusedPort()) + "/orders"});
    if (!c.setup.empty())
        ok(c.setup);
    for (const std::string& r : c.replies)
        server.queue(r);
    const test::CliResult r = send(c.sendArgs);
    EXPECT_EQ(r.status, c.status) << r.err;
    const Lines out = test::splitOutputLines(r.out);
    const Lines err = test::splitOutputLines(r.err);
    EXPECT_TRUE(containsInOrder(out, c.outContains)) << r.out;
    EXPECT_TRUE(containsInOrder(err, c.errContains)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendExitTest,
    ::testing::Values(
        ExitCase{"NoUrlAborts", {"set", "URL", ""}, Target::Server, {}, {}, 2,
                 {"Posting Aborted, No URL Defined."}, {summary(0, 0, 0, 0, 0)}},
        ExitCase{"NoPostActionAborts", {"set", "PostType", ""}, Target::Server, {}, {}, 2,
                 {"Positng Aborted, Post Action Not Defined"}, {summary(0, 0, 0, 0, 0)}},
        ExitCase{"MissingExportFileAborts", {"set", "ImportData", "gone.txt"}, Target::Server, {}, {}, 2, {},
                 {"Export File Could Not Be Found", summary(0, 0, 0, 0, 0)}},
        ExitCase{"UnreachableServerFails", {}, Target::NobodyListening, {}, {}, 1, {},
                 {"Socket Error # 10061", "Connection refused.", summary(1, 0, 0, 0, 0)}},
        // The general error handler's full stop after the status line.
        ExitCase{"ErrorStatusFails", {}, Target::Server, {reply("404 Not Found", "missing")}, {}, 1, {},
                 {"HTTP/1.1 404 Not Found.", summary(1, 0, 0, 0, 0)}},
        ExitCase{"UnconfirmedRecordsStillComplete", {}, Target::Server,
                 {reply("200 OK", "<html>Try again later</html>"), reply("200 OK", "<html>Busy</html>")}, {}, 0,
                 {"Server Did Not Confirm Data Was Sent For: 1001", "Server Did Not Confirm Data Was Sent For: 1003"},
                 {summary(3, 0, 2, 1, 0)}},
        ExitCase{"VerboseShowsStatusAndDiagnostics", {}, Target::Server,
                 {reply("200 OK", kThanks), reply("200 OK", kThanks)}, {"--verbose"}, 0,
                 {"Data Accepted By Server For: 1001"},
                 {"status: Processing Export Record# 1", "status: Submitting Data To Server",
                  "diagnostics: " + kThanks, "status: Ready", summary(3, 2, 0, 1, 0)}},
        ExitCase{"NonNumericPauseIsRefused", {}, Target::Server, {}, {"--pause", "soon"}, 64, {},
                 {"torvane-cli: --pause must be a whole number from 0 to 65535, not 'soon'"}}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane
