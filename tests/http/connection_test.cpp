#include "http/connection.h"

#include <gtest/gtest.h>
#include <ostream>

#include "http/sliced_wait.h"
#include "support/error_text.h"
#include "support/fake_stream.h"

namespace torvane {
namespace {

using test::FakePeer;

// A connection to a scripted peer that has received one request and answers with its reply.
struct Connected {
    test::FakeClock clock;
    test::FakeDialer dialer{clock};
    Connection connection{clock, &dialer};
    std::vector<std::string> statuses;
    int closes = 0;

    explicit Connected(std::string reply, size_t maxPiece = 0, FakePeer::End end = FakePeer::End::Close)
    {
        FakePeer peer;
        if (!reply.empty())
            peer.replies = {std::move(reply)};
        peer.maxPiece = maxPiece;
        peer.seed = unsigned(maxPiece + 11);
        peer.end = end;
        dialer.add(std::move(peer));
        ConnectionHooks hooks;
        hooks.status = [this](const std::string& s) { statuses.push_back(s); };
        hooks.closedByServer = [this] { ++closes; };
        connection.setHooks(hooks);
        connection.setReadTimeoutMs(5000);
        connection.connect("127.0.0.1", 80);
        connection.write("GET / HTTP/1.1\r\n\r\n");
    }
};

using test::errorOf;

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
    Connected k(c.bytes, piece);
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
        ::testing::Values(size_t(0), size_t(1), size_t(7))),
    [](const auto& info) {
        const size_t piece = std::get<1>(info.param);
        return std::string(std::get<0>(info.param).name) + (piece ? "_Pieces" + std::to_string(piece) : "_Whole");
    });

TEST(Connection, CloseWithoutLineFeedKeepsTheBytesAndEndsTheConnection)
{
    Connected k(std::string(40, 'b'));
    EXPECT_EQ(k.connection.readLine(), "");
    EXPECT_EQ(k.connection.buffered(), 40u);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Connection Closed Gracefully.");
    EXPECT_EQ(k.closes, 1);
    EXPECT_FALSE(k.connection.connected());
    EXPECT_TRUE(k.dialer.peer(0).closedByClient);
    EXPECT_EQ(errorOf([&] { k.connection.write("x"); }), "Connection Closed Gracefully.");
}

TEST(Connection, SilentServerGivesReadTimeout)
{
    Connected k("", 0, FakePeer::End::Silent);
    k.connection.setReadTimeoutMs(150);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Read Timeout");
    EXPECT_EQ(k.clock.now, 150);
}

TEST(Connection, WaitsLetTheWindowRepaint)
{
    Connected k("", 0, FakePeer::End::Silent);
    int pumps = 0;
    ConnectionHooks hooks;
    hooks.pump = [&] { ++pumps; };
    k.connection.setHooks(hooks);
    k.connection.setReadTimeoutMs(300);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Read Timeout");
    EXPECT_GE(pumps, 300 / kWaitSliceMs - 1);
    EXPECT_EQ(pumps, 300 / kWaitSliceMs);
}

TEST(Connection, NoReadTimeoutWaitsAsLongAsDataComesLate)
{
    Connected k("", 0, FakePeer::End::Silent);
    k.connection.setReadTimeoutMs(0);
    int pumps = 0;
    ConnectionHooks hooks;
    // The data arrives after a minute of silence.
    hooks.pump = [&] {
        if (++pumps == 1200)
            k.dialer.peer(0).end = FakePeer::End::Close;
    };
    k.connection.setHooks(hooks);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Connection Closed Gracefully.");
    EXPECT_EQ(k.clock.now, 60000);
}

TEST(Connection, ResetIsASocketError)
{
    Connected k("", 0, FakePeer::End::Reset);
    EXPECT_EQ(errorOf([&] { k.connection.readLine(); }), "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(Connection, WriteFailuresAreSocketErrors)
{
    for (const auto& [error, text] : std::vector<std::pair<int, std::string>>{
             {ECONNRESET, "Socket Error # 10054\r\nConnection reset by peer."},
             {EPIPE, "Socket Error # 10058\r\nCannot send or receive after socket is closed."},
             {EAGAIN, "Socket Error # 10060\r\nConnection timed out."}}) {
        SCOPED_TRACE(error);
        test::FakeClock clock;
        test::FakeDialer dialer(clock);
        FakePeer peer;
        peer.writeError = error;
        dialer.add(peer);
        Connection c(clock, &dialer);
        c.connect("127.0.0.1", 80);
        EXPECT_EQ(errorOf([&] { c.write("GET / HTTP/1.1\r\n\r\n"); }), text);
    }
}

TEST(Connection, WritingWithoutSocket)
{
    test::FakeClock clock;
    Connection c(clock);
    EXPECT_EQ(errorOf([&] { c.write("x"); }), "Not Connected");
}

TEST(Connection, KeepsWhereItConnectedTo)
{
    Connected k("x\n");
    EXPECT_EQ(k.statuses, (std::vector<std::string>{"Connecting to 127.0.0.1."}));
    EXPECT_EQ(k.connection.peerHost(), "127.0.0.1");
    EXPECT_EQ(k.connection.peerPort(), 80);
    EXPECT_EQ(k.connection.peerAddress(), "127.0.0.1");
}

TEST(Connection, NoticesIdleClose)
{
    Connected k("x\n");
    EXPECT_EQ(k.connection.readLine(), "x");
    bool closed = false;
    for (int i = 0; i < 100 && !closed; ++i)
        closed = k.connection.checkForClose(20);
    EXPECT_TRUE(closed);
    EXPECT_EQ(k.closes, 1);
}

TEST(Connection, IdleConnectionThatStaysOpenIsKept)
{
    Connected k("x\n", 0, FakePeer::End::Silent);
    EXPECT_EQ(k.connection.readLine(), "x");
    EXPECT_FALSE(k.connection.checkForClose(20));
    EXPECT_TRUE(k.connection.connected());
    EXPECT_EQ(k.closes, 0);
}

}  // namespace
}  // namespace torvane
