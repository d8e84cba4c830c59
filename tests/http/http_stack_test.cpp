#include "http/http_stack.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "posting/progress_handlers.h"
#include "support/recording_host.h"
#include "support/recording_http_events.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "util/clock.h"
#include "util/dates.h"

namespace torvane {
namespace {

using test::ScriptedServer;

std::tm fixedMoment()
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 7;
    t.tm_min = 30;
    t.tm_sec = 15;
    return t;
}

HttpStackOptions optionsIn(const test::TempDir& dir)
{
    HttpStackOptions options;
    options.trafficLogFile = dir.file("DebugFile.log");
    options.localTime = fixedMoment;
    options.limits.idleReadMs = 3000;
    return options;
}

TEST(HttpStack, PlainPostWithDiagnosticsShowsTheWholeExchange)
{
    setShortDateFormat("MM/dd/yyyy");
    test::TempDir dir;
    ScriptedServer server;
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nthanx";
    server.queue(reply);
    server.queue(reply);

    test::RecordingHost host;
    bool diagnostics = true;
    ProgressHandlers handlers(host, diagnostics);
    HttpStack session(handlers, SystemClock::instance(), [] {}, optionsIn(dir));
    handlers.follow(diagnostics, [&] { return session.client().lastStatusLine(); });
    PostingRequest request;
    request.method = HttpMethod::Post;
    request.url = server.url("/cgi-bin/form");
    request.entries = {"first=Ann Lee", "zip=0815-7"};
    request.contentType = "application/x-www-form-urlencoded";
    request.cacheControl = "no-cache";

    const std::string body = "first=Ann+Lee&zip=0815%2D7&";
    std::string head;
    for (int record = 0; record < 2; ++record) {
        SCOPED_TRACE(record);
        host.memo2.clear();
        host.memo1.clear();
        session.setTrafficLog(true);
        const PostingReply answer = session.send(request);
        session.setTrafficLog(false);
        EXPECT_EQ(answer.body, "thanx");
        EXPECT_EQ(answer.statusLine, "HTTP/1.0 200 OK");
        EXPECT_EQ(answer.code, 200);
        EXPECT_EQ(answer.header("content-length"), "5");
        EXPECT_EQ(answer.place, "127.0.0.1/cgi-bin/form");
        EXPECT_EQ(answer.redirections, 0);

        const std::string p = record == 0 ? "" : "HTTP/1.0 200 OK";
        EXPECT_EQ(host.memo2, (std::vector<std::string>{
                                  "***Disconnecting. Status=" + p, "***Disconnected. Status=" + p,
                                  "***Connecting to 127.0.0.1. Status=" + p, "***Connected. Status=" + p,
                                  "***Start Transfer", "***End Transfer", "***Start Transfer", "***End Transfer",
                                  "***Disconnecting. Status=HTTP/1.0 200 OK",
                                  "***Disconnected. Status=HTTP/1.0 200 OK"}));
        EXPECT_EQ(host.memo1, "Bytes Transfered = 27\r\nBytes Transfered = 5");
        EXPECT_EQ(host.status(), "Disconnected.");
        head = server.waitForRequests(size_t(record + 1)).back();
        head.resize(head.size() - body.size());
    }

    const std::string stamp = "12/09/2026 07:30:15";
    const std::string one = "Stat Connected.\r\n"
                            "Sent " + stamp + ": " + head + "\r\n"
                            "Sent " + stamp + ": " + body + "\r\n"
                            "Recv " + stamp + ": " + reply + "\r\n"
                            "Stat Disconnected.\r\n";
    EXPECT_EQ(dir.read("DebugFile.log"), one + one);
}

TEST(HttpStack, DiagnosticsOffTouchesNoFileAndNoPane)
{
    test::TempDir dir;
    ScriptedServer server;
    server.queue("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    test::RecordingHost host;
    bool diagnostics = false;
    ProgressHandlers handlers(host, diagnostics);
    HttpStack session(handlers, SystemClock::instance(), [] {}, optionsIn(dir));
    session.attachTlsTransport(false);
    EXPECT_EQ(session.client().get(server.url("/")), "ok");
    EXPECT_TRUE(host.memo2.empty());
    EXPECT_TRUE(host.memo1.empty());
    // A GET answered without "close" keeps the connection, so the panel ends on the body's transfer.
    EXPECT_EQ(host.status(), "End Transfer");
    EXPECT_FALSE(std::filesystem::exists(dir.file("DebugFile.log")));
}

// A stack reporting to recorded events, and a loopback server answering its requests in turn.
class HttpStackOverServer : public ::testing::Test {
protected:
    void answer(const std::string& first, const std::string& second)
    {
        server.queue(first, false);
        server.queue(second, false);
    }
    test::TempDir dir;
    ScriptedServer server;
    test::RecordingHttpEvents events;
    HttpStack session{events, SystemClock::instance(), [] {}, optionsIn(dir)};
};

const char* const kReplyA = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na";
const char* const kReplyB = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb";

TEST_F(HttpStackOverServer, AttachingTheTransportReleasesThePlainConnectionSilently)
{
    answer(kReplyA, kReplyB);
    session.attachTlsTransport(false);
    EXPECT_EQ(session.client().get(server.url("/1")), "a");
    EXPECT_TRUE(session.client().connectionOpen());

    events.lines.clear();
    session.setTrafficLog(true);
    session.attachTlsTransport(true);
    session.attachTlsTransport(true);  // attaching the attached transport changes nothing
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(session.client().get(server.url("/2")), "b");
    session.setTrafficLog(false);
    EXPECT_EQ(server.connections(), 2);
    // The transport is in pass-through for plain http: no handshake, its own status texts.
    EXPECT_EQ(events.withoutProgress(),
              (std::vector<std::string>{"status Disconnecting.", "status Disconnected.",
                                        "tlsStatus Connecting to 127.0.0.1.", "status Connected.", "workBegin R 1",
                                        "workEnd R"}));
    const std::string log = dir.read("DebugFile.log");
    EXPECT_EQ(log.rfind("Stat Disconnected.\r\nStat Connected.\r\n", 0), 0u) << log;
}

TEST_F(HttpStackOverServer, EveryPlainRecordOpensANewConnection)
{
    answer(kReplyA, kReplyB);
    PostingRequest get;
    get.url = server.url("/");
    for (const char* expected : {"a", "b"}) {
        // Each request chooses its transport; choosing none drops the kept connection, as it always has.
        EXPECT_EQ(session.send(get).body, expected);
    }
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(HttpStackOverServer, ErrorStatusLeavesTheSessionUsable)
{
    answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    PostingRequest put;
    put.method = HttpMethod::Put;
    put.url = server.url("/x");
    put.body = "data";
    try {
        session.send(put);
        ADD_FAILURE() << "no error";
    } catch (const RequestFailed& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 404 Not Found");
        EXPECT_EQ(e.fate(), RequestFate::Answered);
        EXPECT_EQ(e.status(), 404);
        EXPECT_EQ(e.reply().statusLine, "HTTP/1.1 404 Not Found");
    }
    EXPECT_TRUE(session.client().connectionOpen());
    EXPECT_EQ(session.client().get(server.url("/y")), "ok");
    EXPECT_EQ(server.connections(), 1);
}

}  // namespace
}  // namespace torvane
