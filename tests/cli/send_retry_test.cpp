// torvane-cli send against servers that fail: a server that comes up late, one that asks to come back,
// one that resets after reading the request, a record the server refuses, and a stop by signal.
#include "cli/send_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

namespace torvane {
namespace {

using namespace test;

class SendRetryTest : public SendTest {
protected:
    bool said(const CliResult& r, const std::string& line) const
    {
        const Lines out = splitOutputLines(r.out);
        return std::find(out.begin(), out.end(), line) != out.end();
    }
};

TEST_F(SendRetryTest, AServerThatListensOnlyAfterAWhileGetsEveryRecord)
{
    const int port = ScriptedServer::unusedPort();
    ok({"set", "URL", "http://127.0.0.1:" + std::to_string(port) + "/orders"});
    auto run = start({"send", "--pause", "0", "--retry", "3", "--retry-wait", "1"});
    // The server comes up once the first try has found nobody listening, within the wait before the next.
    ASSERT_TRUE(run->waitForOutput("Retrying Record# 1 In 1 Seconds"));
    ScriptedServer late(port);
    late.queue(reply("200 OK", kThanks));
    late.queue(reply("200 OK", kThanks));
    const CliResult r = run->wait();
    EXPECT_EQ(r.status, kDoneWithRefusal) << r.err;
    EXPECT_TRUE(said(r, "Retrying Record# 1 In 1 Seconds: Socket Error # 10061")) << r.out;
    EXPECT_TRUE(said(r, "Data Accepted By Server For: 1001")) << r.out;
    EXPECT_TRUE(said(r, "Data Accepted By Server For: 1003")) << r.out;
    EXPECT_EQ(late.requests().size(), 2u);
}

TEST_F(SendRetryTest, ServiceUnavailableWithRetryAfterIsTriedAgainAfterThatLong)
{
    server.queue("HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Length: 0\r\n\r\n");
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const auto began = std::chrono::steady_clock::now();
    const CliResult r = send({"--retry", "3", "--retry-wait", "30"});
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20)) << "the server's wait, not 30 s";
    EXPECT_EQ(r.status, kDoneWithRefusal) << r.err;
    EXPECT_TRUE(said(r, "Retrying Record# 1 In 1 Seconds: HTTP/1.1 503 Service Unavailable")) << r.out;
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SendRetryTest, AResetAfterTheRequestIsNeverTriedAgain)
{
    ScriptedServer::Reply reset;
    reset.reset = true;
    server.queue(reset);
    const CliResult r = send({"--retry", "3", "--retry-wait", "1"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_NE(ok({"tracking", "in-doubt"}).find("1001"), std::string::npos) << "the record is in doubt";
}

TEST_F(SendRetryTest, MaxErrorsGoesOnPastARefusedRecord)
{
    server.queue(reply("404 Not Found", "gone"));
    const CliResult ended = send();
    EXPECT_EQ(ended.status, 1) << "without it the first error ends the run";
    EXPECT_EQ(server.requests().size(), 1u);

    server.queue(reply("404 Not Found", "gone"));
    server.queue(reply("200 OK", kThanks));
    const CliResult r = send({"--max-errors", "5", "--results", "r.csv", "--rejects", "rejects.txt"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(said(r, "Data Not Sent For 1001: HTTP/1.1 404 Not Found.")) << r.out;
    EXPECT_TRUE(said(r, "Data Accepted By Server For: 1003")) << r.out;
    EXPECT_EQ(splitOutputLines(r.err), Lines{summary(3, 1, 0, 1, 0) + ", failed: 1"});
    EXPECT_NE(dir.read("r.csv").find("\r\n2,1,1001,failed,HTTP/1.1 404 Not Found,Data Not Sent For 1001: HTTP/1.1 404 Not Found.,"),
              std::string::npos)
        << dir.read("r.csv");
    EXPECT_EQ(dir.read("rejects.txt"), "EXPORT HEADER\r\n1001 12345R\r\n1002      B\r\n");
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SendRetryTest, SigtermFinishesTheRecordInProgressThenEndsTheRun)
{
    server.queue(reply("200 OK", kThanks));
    auto run = start({"send", "--pause", "2", "--rejects", "rejects.txt"});
    server.waitForRequests(1);
    run->kill(SIGTERM);
    const CliResult r = run->wait();
    EXPECT_EQ(r.status, 143) << r.err;
    EXPECT_TRUE(said(r, "Data Accepted By Server For: 1001")) << "the record in progress is finished: " << r.out;
    EXPECT_EQ(dir.read("rejects.txt"), "EXPORT HEADER\r\n1002      B\r\n1003 54321X\r\n") << "what was not read";
    EXPECT_NE(ok({"tracking", "list"}).find("1001"), std::string::npos);
    EXPECT_NE(ok({"runs"}).find("interrupted"), std::string::npos);
    EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
}  // namespace torvane
