#include "http/tls_library.h"

#include "support/temp_dir.h"
#include "support/tls_test_server.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <regex>
#include <thread>

namespace torvane {
namespace {

using test::CertKind;
using test::TempDir;
using test::TlsPeer;
using test::TlsTestServer;

// A client socket connected to 127.0.0.1:port, closed with the test.
class ClientSocket {
public:
    explicit ClientSocket(int port)
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            ADD_FAILURE() << "cannot connect to 127.0.0.1:" << port;
    }
    ~ClientSocket() { ::close(m_fd); }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// A plain TCP listener on 127.0.0.1 that answers each connection with fixed bytes (or with
// nothing at all, holding it open) and closes it: a server that does not speak TLS.
class PlainServer {
public:
    PlainServer(std::string reply, bool silent) : m_reply(std::move(reply)), m_silent(silent)
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_fd, 4);
        socklen_t len = sizeof addr;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~PlainServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int port() const { return m_port; }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const int c = accept(m_fd, nullptr, nullptr);
            if (c < 0)
                continue;
            if (m_silent) {
                // Takes what the client sends and answers nothing, until the client goes away.
                char buf[4096];
                while (!m_stop) {
                    pollfd q{c, POLLIN, 0};
                    if (poll(&q, 1, 50) > 0 && recv(c, buf, sizeof buf, 0) <= 0)
                        break;
                }
            } else {
                char buf[4096];
                pollfd q{c, POLLIN, 0};
                if (poll(&q, 1, 2000) > 0)
                    recv(c, buf, sizeof buf, 0);
                send(c, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            }
            ::close(c);
        }
    }

    std::string m_reply;
    bool m_silent;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class TlsLibraryTest : public ::testing::Test {
protected:
    TlsLibrary m_library;

    // Reads until `want` bytes arrived or the connection ended.
    static std::string readAll(TlsConnection& tls, size_t want)
    {
        std::string got;
        std::vector<char> buf(32768);
        while (got.size() < want) {
            const long n = tls.read(buf.data(), buf.size());
            if (n <= 0)
                break;
            got.append(buf.data(), static_cast<size_t>(n));
        }
        return got;
    }

    TempDir m_dir;
};

std::string echoOnce(TlsPeer& peer)
{
    std::string got = peer.readUntil("\n");
    peer.write("echo:" + got);
    return got;
}

TEST_F(TlsLibraryTest, HandshakeAcceptsAnyCertificateAndReportsProgress)
{
    struct Case {
        const char* name;
        CertKind kind;
        bool nonBlockingSocket;  // the connection layer may hand over a socket left non-blocking
        bool tls12Server;        // the cipher list only matters below TLS 1.3
    };
    const Case cases[] = {
        {"self-signed", CertKind::SelfSigned, false, false},
        {"expired", CertKind::Expired, false, false},
        {"non-blocking socket", CertKind::SelfSigned, true, false},
        {"TLS 1.2 server", CertKind::Expired, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        TlsTestServer server(test::makeTestCertificate(dir.path(), c.kind), echoOnce, c.tls12Server);
        std::vector<std::string> info;
        TlsConnection tls(m_library, [&](const std::string& text) { info.push_back(text); });
        ClientSocket sock(server.port());
        if (c.nonBlockingSocket)
            fcntl(sock.fd(), F_SETFL, fcntl(sock.fd(), F_GETFL, 0) | O_NONBLOCK);

        ASSERT_NO_THROW(tls.handshake(sock.fd(), "localhost"));
        EXPECT_TRUE(tls.handshakeDone());

        ASSERT_FALSE(info.empty());
        EXPECT_EQ(info.front(), "SSL status: \"before SSL initialization\"");
        int statusLines = 0;
        int cipherLines = 0;
        for (const std::string& line : info) {
            if (line.rfind("SSL status: \"", 0) == 0 && line.back() == '"')
                ++statusLines;
            else if (line.rfind("Cipher: name = ", 0) == 0)
                ++cipherLines;
            else
                ADD_FAILURE() << "unexpected status information: " << line;
        }
        EXPECT_GE(statusLines, 3);
        const std::string version = c.tls12Server ? R"(TLSv1\.2)" : R"(TLSv1\.3)";
        EXPECT_EQ(cipherLines, 1);
        EXPECT_EQ(info.back().rfind("Cipher: name = ", 0), 0u) << "the cipher line closes the handshake";
        EXPECT_TRUE(std::regex_search(
            info.back(), std::regex(std::string(R"(^Cipher: name = [A-Z0-9_-]+; description = [A-Z0-9_-]+ +)") + version
                                    + R"([^;]*; bits = (128|256); version = )" + version + "; $")))
            << info.back();

        const std::string msg = "hello over tls\n";
        EXPECT_EQ(tls.write(msg.data(), msg.size()), static_cast<long>(msg.size()));
        EXPECT_EQ(readAll(tls, 5 + msg.size()), "echo:" + msg);
        tls.shutdown();
    }
}

TEST_F(TlsLibraryTest, ServerNameIsSentForHostNamesOnly)
{
    struct Case {
        const char* serverName;
        const char* seenByServer;
    };
    const Case cases[] = {
        {"localhost", "localhost"},
        {"www.example.test", "www.example.test"},
        {"127.0.0.1", ""},  // an address is not a name for virtual hosting
        {"", ""},
    };
    TlsTestServer server(test::makeTestCertificate(m_dir.path(), CertKind::SelfSigned), nullptr);
    for (const Case& c : cases) {
        TlsConnection tls(m_library, nullptr);
        ClientSocket sock(server.port());
        ASSERT_NO_THROW(tls.handshake(sock.fd(), c.serverName)) << c.serverName;
        char b;
        EXPECT_EQ(tls.read(&b, 1), 0);  // the server's close notify after the empty handler
    }
    const std::vector<std::string> seen = server.serverNames();
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], cases[i].seenByServer) << cases[i].serverName;
}

TEST_F(TlsLibraryTest, LargeTransfersArriveIntactBothWays)
{
    // Several records each way, so a short write or a record split across reads would show.
    std::string payload(1 << 20, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    payload.back() = '\n';
    TlsTestServer server(test::makeTestCertificate(m_dir.path(), CertKind::SelfSigned), [](TlsPeer& peer) {
        const std::string got = peer.readUntil("\n");
        peer.write(got);
    });
    TlsConnection tls(m_library, nullptr);
    ClientSocket sock(server.port());
    tls.handshake(sock.fd(), "localhost");
    EXPECT_EQ(tls.write(payload.data(), payload.size()), static_cast<long>(payload.size()));
    EXPECT_TRUE(readAll(tls, payload.size()) == payload);
}

TEST_F(TlsLibraryTest, EndOfDataIsZeroWithOrWithoutCloseNotify)
{
    struct Case {
        const char* name;
        bool notify;
    };
    const Case cases[] = {{"close notify", true}, {"socket closed without notify", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        TlsTestServer server(test::makeTestCertificate(dir.path(), CertKind::SelfSigned), [&](TlsPeer& peer) {
            peer.write("last bytes");
            if (!c.notify)
                peer.closeWithoutNotify();
        });
        TlsConnection tls(m_library, nullptr);
        ClientSocket sock(server.port());
        tls.handshake(sock.fd(), "localhost");
        EXPECT_EQ(readAll(tls, 1000), "last bytes");
        char b[16];
        EXPECT_EQ(tls.read(b, sizeof b), 0);
        tls.shutdown();  // after the server's close this must neither block nor fail loudly
    }
}

TEST_F(TlsLibraryTest, WritingToAServerThatLeftFailsWithoutKillingTheProcess)
{
    TlsTestServer server(test::makeTestCertificate(m_dir.path(), CertKind::SelfSigned),
                         [](TlsPeer& peer) { peer.closeWithoutNotify(); });
    struct sigaction dfl {};
    struct sigaction old {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, &old);

    TlsConnection tls(m_library, nullptr);
    ClientSocket sock(server.port());
    tls.handshake(sock.fd(), "localhost");
    // Writes start once the server's close has arrived.
    pollfd gone{sock.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&gone, 1, 10000), 1);
    const std::string chunk(65536, 'x');
    long result = 1;
    for (int i = 0; i < 200 && result > 0; ++i)
        result = tls.write(chunk.data(), chunk.size());
    const int err = errno;
    sigaction(SIGPIPE, &old, nullptr);

    EXPECT_LT(result, 0);
    EXPECT_TRUE(err == EPIPE || err == ECONNRESET) << err;
    EXPECT_LT(tls.write(chunk.data(), chunk.size()), 0);
}

TEST_F(TlsLibraryTest, HandshakeFailsAgainstServersThatDoNotSpeakTls)
{
    struct Case {
        const char* name;
        const char* reply;
        bool silent;
    };
    const Case cases[] = {
        {"plain http server", "HTTP/1.0 400 Bad Request\r\n\r\n", false},
        {"closes at once", "", false},
        {"accepts and says nothing", "", true},
    };
    m_library.setStallLimit(std::chrono::milliseconds(300));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainServer server(c.reply, c.silent);
        TlsConnection tls(m_library, nullptr);
        ClientSocket sock(server.port());
        const auto start = std::chrono::steady_clock::now();
        try {
            tls.handshake(sock.fd(), "localhost");
            ADD_FAILURE() << "handshake succeeded";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Error connecting with SSL.");
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_FALSE(tls.handshakeDone());
        char b[4];
        EXPECT_LT(tls.read(b, sizeof b), 0);
        EXPECT_LT(tls.write("x", 1), 0);
        tls.shutdown();
    }
}

TEST_F(TlsLibraryTest, ReadFromAServerThatFallsSilentTimesOut)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    TlsTestServer server(test::makeTestCertificate(m_dir.path(), CertKind::SelfSigned), [&](TlsPeer&) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return done; });
    });
    m_library.setStallLimit(std::chrono::milliseconds(200));
    TlsConnection tls(m_library, nullptr);
    ClientSocket sock(server.port());
    tls.handshake(sock.fd(), "localhost");
    char b[64];
    errno = 0;
    EXPECT_EQ(tls.read(b, sizeof b), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
}

TEST_F(TlsLibraryTest, ReadAndWriteBeforeAHandshakeAreErrors)
{
    TlsConnection tls(m_library, nullptr);
    char b[4];
    errno = 0;
    EXPECT_EQ(tls.read(b, sizeof b), -1);
    EXPECT_EQ(errno, ENOTCONN);
    errno = 0;
    EXPECT_EQ(tls.write("abc", 3), -1);
    EXPECT_EQ(errno, ENOTCONN);
    tls.shutdown();
}

TEST_F(TlsLibraryTest, MissingLibraryFailsUntilTheNamesAreGood)
{
    struct Case {
        const char* name;
        const char* ssl;
        const char* crypto;
    };
    const Case cases[] = {
        {"no ssl library", "libssl-missing.so.3", "libcrypto.so.3"},
        {"no crypto library", "libssl.so.3", "libcrypto-missing.so.3"},
        {"neither", "libssl-missing.so.3", "libcrypto-missing.so.3"},
        {"libraries without the entry points", "libm.so.6", "libc.so.6"},
        {"crypto without the ssl entry points", "libcrypto.so.3", "libcrypto.so.3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_library.setNames({c.ssl, c.crypto});
        EXPECT_FALSE(m_library.loaded());
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                m_library.load();
                ADD_FAILURE() << "loaded";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Could not load SSL library.");
            }
            EXPECT_FALSE(m_library.loaded());
        }
        try {
            TlsConnection tls(m_library, nullptr);
            ADD_FAILURE() << "made a connection";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Could not load SSL library.");
        }
    }
    m_library.setNames({"libssl.so.3", "libcrypto.so.3"});
    EXPECT_NO_THROW(m_library.load());
    EXPECT_TRUE(m_library.loaded());
    EXPECT_NO_THROW(TlsConnection(m_library, nullptr));
}

TEST_F(TlsLibraryTest, ConnectionOutlivesARenamedLibrary)
{
    TlsTestServer server(test::makeTestCertificate(m_dir.path(), CertKind::SelfSigned), echoOnce);
    TlsConnection tls(m_library, nullptr);
    ClientSocket sock(server.port());
    tls.handshake(sock.fd(), "localhost");
    m_library.setNames({"libssl-missing.so.3", "libcrypto-missing.so.3"});
    EXPECT_EQ(tls.write("still here\n", 11), 11);
    EXPECT_EQ(readAll(tls, 16), "echo:still here\n");
    tls.shutdown();
}

}  // namespace
}  // namespace torvane
