#include "http/socket_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/connection.h"
#include "http/sliced_wait.h"
#include "support/error_text.h"
#include "support/fake_clock.h"
#include "support/scripted_server.h"
#include "util/error.h"

namespace torvane {
namespace {

using test::errorOf;

// A loopback listener that never accepts: connects complete from its queue until the queue is full.
class Listener {
public:
    explicit Listener(int backlog)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, backlog) != 0)
            throw std::runtime_error("listener: cannot listen");
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
    }
    ~Listener() { ::close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A clock that moves on by one wait slice each time it is read, so a time limit runs out after a
// known number of slices however fast the machine is.
class SteppingClock : public test::FakeClock {
public:
    int64_t nowMs() override { return now += kWaitSliceMs; }
};

TEST(SocketDialer, ConnectGivesUpAfterItsLimit)
{
    // A listener that never accepts and whose queue is full leaves further connects unanswered.
    Listener listener(0);
    SteppingClock clock;
    SocketDialer dialer(clock);
    std::vector<DialedStream> fillers;
    std::string error;
    int pumps = 0;
    DialHooks hooks;
    hooks.pump = [&] { ++pumps; };
    for (int i = 0; i < 4 && error.empty(); ++i) {
        try {
            fillers.push_back(dialer.dial("127.0.0.1", listener.port(), 300, hooks));
        } catch (const Error& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error, "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_GE(pumps, 1);
}

TEST(SocketDialer, RefusedConnectionText)
{
    test::FakeClock clock;
    Connection c(clock);
    EXPECT_EQ(errorOf([&] { c.connect("127.0.0.1", test::ScriptedServer::unusedPort()); }),
              "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(c.connected());
}

TEST(SocketDialer, LocalhostReportsResolvingButAddressDoesNot)
{
    Listener listener(8);
    for (const auto& [host, expected] :
         std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"127.0.0.1", {"Connecting to 127.0.0.1."}},
             {"LocalHost", {"Resolving hostname LocalHost.", "Connecting to 127.0.0.1."}}}) {
        test::FakeClock clock;
        Connection c(clock);
        std::vector<std::string> statuses;
        ConnectionHooks hooks;
        hooks.status = [&](const std::string& s) { statuses.push_back(s); };
        c.setHooks(hooks);
        c.connect(host, listener.port());
        EXPECT_EQ(statuses, expected);
        EXPECT_EQ(c.peerAddress(), "127.0.0.1");
        EXPECT_TRUE(c.connected());
    }
}

TEST(SocketDialer, UnknownAndEmptyNamesAreNotFound)
{
    test::FakeClock clock;
    SocketDialer dialer(clock);
    for (const std::string& host : {std::string(), std::string("a\0b", 3)})
        EXPECT_EQ(errorOf([&] { dialer.dial(host, 80, 0, {}); }), "Socket Error # 11001\r\nHost not found.");
}

TEST(SocketStream, ReadsWhatHasArrivedWithoutWaiting)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    SocketStream stream(pair[0]);
    char buf[16];
    EXPECT_EQ(stream.readSome(buf, sizeof buf), -EAGAIN);
    EXPECT_EQ(stream.waitReadable(0), 0);
    ASSERT_EQ(::send(pair[1], "abc", 3, 0), 3);
    EXPECT_EQ(stream.waitReadable(0), 1);
    EXPECT_EQ(stream.readSome(buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(stream.writeSome("xy", 2), 2);
    ASSERT_EQ(::recv(pair[1], buf, sizeof buf, 0), 2);
    ::close(pair[1]);
    EXPECT_EQ(stream.waitReadable(0), 1);
    EXPECT_EQ(stream.readSome(buf, sizeof buf), 0);
    EXPECT_EQ(stream.writeSome("z", 1), -EPIPE);
}

TEST(SocketStream, AddressText)
{
    for (const char* yes : {"10.0.0.1", "0.0.0.0", "255.255.255.255", "127.000.0.1"})
        EXPECT_TRUE(isIPv4AddressText(yes)) << yes;
    for (const char* no : {"10.0.0.256", "10.0.0", "10.0.0.1.", "a.b.c.d", "", "1..2.3", "10.0.0.1 ", "1.2.3.4.5"})
        EXPECT_FALSE(isIPv4AddressText(no)) << no;
}

}  // namespace
}  // namespace torvane
