#include "http/connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ostream>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/scripted_server.h"
#include "util/clock.h"

namespace torvane {
namespace {

using test::ScriptedServer;

// A connection to a scripted server that has already received one request and answers with `reply`.
struct Connected {
    ScriptedServer server;
    Connection connection{SystemClock::instance()};
    std::vector<std::string> statuses;
    int closes = 0;

    explicit Connected(ScriptedServer::Reply reply)
    {
        server.queue(std::move(reply));
        ConnectionHooks hooks;
        hooks.status = [this](const std::string& s) { statuses.push_back(s); };
        hooks.closedByServer = [this] { ++closes; };
        connection.setHooks(hooks);
        connection.setReadTimeoutMs(5000);
        connection.connect("127.0.0.1", server.port());
        connection.write("GET / HTTP/1.1\r\n\r\n");
    }
};

ScriptedServer::Reply reply(std::string bytes, size_t maxPiece = 0)
{
    ScriptedServer::Reply r;
    r.bytes = std::move(bytes);
    r.maxPiece = maxPiece;
    return r;
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;  // lines read in order before the expected end
    std::string end;                 // error of the read after them
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReadLineTest : public ::testing::TestWithParam<std::tuple<LineCase, size_t>> {};

TEST_P(ReadLineTest, Reads)
{
    const auto& [c, piece] = GetParam();
    Connected k(reply(c.bytes, piece));
    for (const auto& expected : c.lines)
        EXPECT_EQ(k.connection.readLine(), expected);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), c.end);
}

const std::string kLong(16384, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLineTest,
    ::testing::Combine(
        ::testing::Values(
            LineCase{"CrLfAndLfReadAlike", "one\r\ntwo\nthree\r\n", {"one", "two", "three"}, "Connection Closed Gracefully."},
            LineCase{"InnerCrStays", "a\rb\r\r\n", {"a\rb\r"}, "Connection Closed Gracefully."},
            LineCase{"LongestLineWithLf", kLong + "\nnext\n", {kLong, "next"}, "Connection Closed Gracefully."},
            LineCase{"CrCountsTowardsTheLimit", kLong + "\r\n", {}, "Max line length exceeded."},
            LineCase{"NoLineFeedTooLong", kLong + "yy", {}, "Max line length exceeded."},
            LineCase{"CloseWithPartialLineGivesEmptyLine", "ok\npartial", {"ok", ""}, "Connection Closed Gracefully."}),
        ::testing::Values(size_t(0), size_t(7))),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Pieces" : "_Whole");
    });

TEST(Connection, BlockCutShortByCloseFailsAndKeepsBytes)
{
    Connected k(reply(std::string(40, 'b')));
    EXPECT_EQ(errorOf([&] { k.connection.readBlock(100); }), "Connection Closed Gracefully.");
    EXPECT_EQ(k.connection.buffered(), 40u);
    EXPECT_EQ(k.closes, 1);
    EXPECT_FALSE(k.connection.connected());
    EXPECT_EQ(errorOf([&] { k.connection.write("x"); }), "Connection Closed Gracefully.");
}

TEST(Connection, ReadsBlocksAndUntilClose)
{
    Connected k(reply("0123456789tail", 3));
    EXPECT_EQ(k.connection.readBlock(4), "0123");
    EXPECT_EQ(k.connection.readBlock(6), "456789");
    EXPECT_EQ(k.connection.readUntilClose(), "tail");
    EXPECT_EQ(k.closes, 1);
}

TEST(Connection, SilentServerGivesReadTimeout)
{
    ScriptedServer::Reply silent;
    silent.silent = true;
    Connected k(silent);
    k.connection.setReadTimeoutMs(150);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Read Timeout");
}

TEST(Connection, WaitsLetTheWindowRepaint)
{
    ScriptedServer::Reply silent;
    silent.silent = true;
    Connected k(silent);
    int pumps = 0;
    ConnectionHooks hooks;
    hooks.pump = [&] { ++pumps; };
    k.connection.setHooks(hooks);
    k.connection.setReadTimeoutMs(300);
    EXPECT_EQ(errorOf([&] { k.connection.readBlock(1); }), "Read Timeout");
    EXPECT_GE(pumps, 300 / kWaitSliceMs - 1);
}

TEST(Connection, ConnectGivesUpAfterItsLimit)
{
    // A listener that never accepts and whose queue is full leaves further connects unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    std::vector<std::unique_ptr<Connection>> fillers;
    std::string error;
    for (int i = 0; i < 4 && error.empty(); ++i) {
        auto c = std::make_unique<Connection>(SystemClock::instance());
        c->setConnectTimeoutMs(300);
        try {
            c->connect("127.0.0.1", port);
        } catch (const Error& e) {
            error = e.what();
        }
        fillers.push_back(std::move(c));
    }
    ::close(listener);
    EXPECT_EQ(error, "Socket Error # 10060\r\nConnection timed out.");
}

TEST(Connection, ResetIsASocketError)
{
    ScriptedServer::Reply r;
    r.reset = true;
    Connected k(r);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(Connection, RefusedConnectionText)
{
    Connection c(SystemClock::instance());
    EXPECT_EQ(errorOf([&] { c.connect("127.0.0.1", ScriptedServer::unusedPort()); }),
              "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(c.connected());
}

TEST(Connection, WritingWithoutSocket)
{
    Connection c(SystemClock::instance());
    EXPECT_EQ(errorOf([&] { c.write("x"); }), "Not Connected");
}

TEST(Connection, LocalhostReportsResolvingButAddressDoesNot)
{
    ScriptedServer server;
    for (const auto& [host, expected] :
         std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"127.0.0.1", {"Connecting to 127.0.0.1."}},
             {"LocalHost", {"Resolving hostname LocalHost.", "Connecting to 127.0.0.1."}}}) {
        Connection c(SystemClock::instance());
        std::vector<std::string> statuses;
        ConnectionHooks hooks;
        hooks.status = [&](const std::string& s) { statuses.push_back(s); };
        c.setHooks(hooks);
        c.connect(host, server.port());
        EXPECT_EQ(statuses, expected);
        EXPECT_EQ(c.peerAddress(), "127.0.0.1");
    }
}

TEST(Connection, AddressText)
{
    for (const char* yes : {"10.0.0.1", "0.0.0.0", "255.255.255.255", "127.000.0.1"})
        EXPECT_TRUE(isIPv4AddressText(yes)) << yes;
    for (const char* no : {"10.0.0.256", "10.0.0", "10.0.0.1.", "a.b.c.d", "", "1..2.3", "10.0.0.1 ", "1.2.3.4.5"})
        EXPECT_FALSE(isIPv4AddressText(no)) << no;
}

TEST(Connection, NoticesIdleClose)
{
    Connected k(reply("x"));
    EXPECT_EQ(k.connection.readBlock(1), "x");
    bool closed = false;
    for (int i = 0; i < 100 && !closed; ++i)
        closed = k.connection.checkForClose(20);
    EXPECT_TRUE(closed);
    EXPECT_EQ(k.closes, 1);
}

}  // namespace
}  // namespace torvane
