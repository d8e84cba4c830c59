#include "http/http_events.h"
#include "http/http_stack.h"
#include "http/tls_library.h"

#include "support/recording_http_events.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/tls_test_server.h"
#include "util/clock.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

namespace torvane {
namespace {

using test::CertKind;
using test::ScriptedServer;
using test::TempDir;
using test::TlsPeer;
using test::TlsTestServer;

// How many recorded event lines begin with prefix.
int count(const test::RecordingHttpEvents& events, const std::string& prefix)
{
    return static_cast<int>(std::count_if(events.lines.begin(), events.lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// An https server on 127.0.0.1 that answers each request with the next scripted reply and keeps
// the connection for more requests unless the reply says otherwise.
class ScriptedTlsServer {
public:
    struct Reply {
        std::string bytes;
        bool closeAfter = true;
    };

    ScriptedTlsServer(const TempDir& dir, CertKind kind = CertKind::SelfSigned)
        : m_server(test::makeTestCertificate(dir.path(), kind), [this](TlsPeer& peer) { serve(peer); })
    {
    }

    void queue(const std::string& bytes, bool closeAfter = true)
    {
        std::lock_guard lock(m_mutex);
        m_replies.push_back({bytes, closeAfter});
    }
    std::string url(const std::string& path = "/") const
    {
        return "https://127.0.0.1:" + std::to_string(m_server.port()) + path;
    }
    int port() const { return m_server.port(); }
    int handshakes() const { return m_server.handshakes(); }
    // The bytes of each request and the connection (1-based) it came on.
    std::vector<std::pair<std::string, int>> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    void serve(TlsPeer& peer)
    {
        const int connection = ++m_connections;
        for (;;) {
            const std::string request = peer.readRequest();
            if (request.empty())
                return;
            Reply reply;
            {
                std::lock_guard lock(m_mutex);
                m_requests.emplace_back(request, connection);
                if (m_replies.empty())
                    return;
                reply = m_replies.front();
                m_replies.pop_front();
            }
            peer.write(reply.bytes);
            if (reply.closeAfter)
                return;
        }
    }

    mutable std::mutex m_mutex;
    std::deque<Reply> m_replies;
    std::vector<std::pair<std::string, int>> m_requests;
    int m_connections = 0;
    TlsTestServer m_server;  // last: its thread must stop before the script goes away
};

std::string okReply(const std::string& body, const std::string& extraHeaders = "")
{
    return "HTTP/1.1 200 OK\r\n" + extraHeaders + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class HttpsTest : public ::testing::Test {
protected:
    HttpsTest()
    {
        HttpStackOptions options;
        options.tlsLibrary = &m_library;
        options.trafficLogFile = m_dir.file("DebugFile.log");
        options.limits.idleReadMs = 10000;
        options.limits.connectMs = 5000;
        m_session = std::make_unique<HttpStack>(m_events, SystemClock::instance(), [] {}, options);
        m_session->client().setContentType("application/x-www-form-urlencoded");
        m_session->client().setCacheControl("no-cache");
    }
    TlsLibrary m_library; // made first: the session holds it
    TempDir m_dir;
    test::RecordingHttpEvents m_events;
    std::unique_ptr<HttpStack> m_session;
};

TEST_F(HttpsTest, RequestsTravelEncryptedAndTheLayersAboveSeePlainBytes)
{
    struct Case {
        const char* name;
        std::string method;
        CertKind kind;
        std::string requestLine;
        std::string body;  // expected request body
    };
    const Case cases[] = {
        {"POST", "POST", CertKind::SelfSigned, "POST /cgi-bin/form HTTP/1.0\r\n", "first=Ann+Lee&zip=0815%2D7&"},
        {"GET", "GET", CertKind::Expired, "GET /cgi-bin/form HTTP/1.1\r\n", ""},
        {"PUT", "PUT", CertKind::SelfSigned, "PUT /cgi-bin/form HTTP/1.1\r\n", "line one\r\nline two\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir certDir;
        ScriptedTlsServer server(certDir, c.kind);
        server.queue(okReply("accepted " + c.method));
        m_events.lines.clear();
        m_session->attachTlsTransport(true);
        m_session->setTrafficLog(true);
        std::string reply;
        const std::string url = server.url("/cgi-bin/form");
        if (c.method == "POST")
            reply = m_session->client().post(url, {"first=Ann Lee", "zip=0815-7"}, "");
        else if (c.method == "PUT")
            reply = m_session->client().put(url, "line one\r\nline two\r\n", "");
        else
            reply = m_session->client().get(url);
        m_session->setTrafficLog(false);
        EXPECT_EQ(reply, "accepted " + c.method);

        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        const std::string& req = requests[0].first;
        EXPECT_EQ(req.rfind(c.requestLine, 0), 0u) << req;
        EXPECT_NE(req.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"), std::string::npos) << req;
        EXPECT_EQ(req.find("Connection:"), std::string::npos) << "no keep-alive header over https: " << req;
        EXPECT_EQ(req.substr(req.find("\r\n\r\n") + 4), c.body);

        // The handshake reports through the transport's own handlers, once per connection.
        EXPECT_EQ(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
        EXPECT_GE(count(m_events, "tlsStatusInfo SSL status: \""), 3);
        EXPECT_EQ(count(m_events, "tlsStatus Connecting to 127.0.0.1."), 1);
        EXPECT_EQ(count(m_events, "status Connecting to"), 0);
        EXPECT_EQ(count(m_events, "status Connected."), 1);

        // The traffic log holds the request and the reply as plain text, nothing of the handshake,
        // and marks the connection only once it is encrypted.
        const std::string log = m_dir.read("DebugFile.log");
        EXPECT_EQ(log.rfind("Stat Disconnected.\r\n", 0), 0u) << log;
        EXPECT_NE(log.find("Stat Connected.\r\nSent "), std::string::npos) << log;
        EXPECT_EQ(log.find('\x16'), std::string::npos) << "handshake bytes in the log";
        EXPECT_NE(log.find(c.requestLine), std::string::npos);
        EXPECT_NE(log.find("accepted " + c.method), std::string::npos);
        std::remove(m_dir.file("DebugFile.log").c_str());
        m_session->attachTlsTransport(false);
    }
}

TEST_F(HttpsTest, ConnectionLeftOpenByAGetCarriesTheNextRequest)
{
    ScriptedTlsServer server(m_dir);
    server.queue(okReply("first"), false);
    server.queue(okReply("second"), false);
    server.queue(okReply("third"));
    m_session->attachTlsTransport(true);
    EXPECT_EQ(m_session->client().get(server.url("/a")), "first");
    EXPECT_EQ(m_session->client().get(server.url("/b")), "second");
    m_session->attachTlsTransport(false);  // detaching leaves the transport's connection open
    m_session->attachTlsTransport(true);
    EXPECT_EQ(m_session->client().get(server.url("/c")), "third");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& r : requests)
        EXPECT_EQ(r.second, 1) << r.first;
    EXPECT_EQ(server.handshakes(), 1);
    EXPECT_EQ(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
}

TEST_F(HttpsTest, RedirectFromHttpsToHttpContinuesInPassThrough)
{
    ScriptedServer plain;
    plain.queue("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
    ScriptedTlsServer server(m_dir);
    server.queue("HTTP/1.1 302 Found\r\nLocation: " + plain.url("/done.html") + "\r\nContent-Length: 0\r\n\r\n");
    m_session->attachTlsTransport(true);
    m_session->setTrafficLog(true);
    EXPECT_EQ(m_session->client().get(server.url("/start")), "done");
    m_session->setTrafficLog(false);

    const auto plainRequests = plain.waitForRequests(1);
    ASSERT_EQ(plainRequests.size(), 1u);
    EXPECT_EQ(plainRequests[0].rfind("GET /done.html HTTP/1.1\r\n", 0), 0u) << plainRequests[0];
    // Both connections were made by the TLS transport; only the first shook hands.
    EXPECT_EQ(count(m_events, "tlsStatus Connecting to 127.0.0.1."), 2);
    EXPECT_EQ(count(m_events, "status Connecting to"), 0);
    EXPECT_EQ(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
    const std::string log = m_dir.read("DebugFile.log");
    EXPECT_NE(log.find("GET /start HTTP/1.1"), std::string::npos);
    EXPECT_NE(log.find("GET /done.html HTTP/1.1"), std::string::npos);
}

TEST_F(HttpsTest, HttpsAskedForDirectlyNeedsTheTlsTransport)
{
    ScriptedTlsServer server(m_dir);
    m_session->attachTlsTransport(false);
    try {
        m_session->client().get(server.url("/secure"));
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "IOHandler value is not valid");
    }
    EXPECT_EQ(server.handshakes(), 0);
}

// Redirections that lead to or stay on TLS: a URL set to plain http that the server moves to https, a
// reference after an https request, and a secure cookie, which goes only where TLS carries it.
TEST_F(HttpsTest, RedirectionsOverTls)
{
    struct Case {
        const char* name;
        bool post;
        bool startPlain;
        std::string location;  // {TLS} and {PLAIN} stand for the two servers' https and http URLs
        std::string secondLine;
        bool secondOverTls;
        std::string cookie;
    };
    const Case cases[] = {
        {"plain form moved to TLS: the form's answer is fetched there", true, true, "{TLS}/thanks",
         "GET /thanks HTTP/1.0", true, "sid=1; sec=2"},
        {"a reference after https stays on TLS", true, false, "/thanks", "GET /thanks HTTP/1.0", true, "sid=1; sec=2"},
        {"a document reference after https", false, false, "thanks.html", "GET /form/thanks.html HTTP/1.1", true,
         "sid=1; sec=2"},
        {"an explicit http URL is followed into the clear, without the secure cookie", false, false, "{PLAIN}/done",
         "GET /done HTTP/1.1", false, "sid=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTlsServer tls(m_dir);
        ScriptedServer plain;
        std::string location = c.location;
        if (location.rfind("{TLS}", 0) == 0)
            location = tls.url(location.substr(5));
        else if (location.rfind("{PLAIN}", 0) == 0)
            location = plain.url(location.substr(7));
        const std::string redirect = "HTTP/1.1 " + std::string(c.post ? "302 Found" : "301 Moved") + "\r\nLocation: " +
                                     location + "\r\nSet-Cookie: sid=1; path=/\r\nSet-Cookie: sec=2; path=/; secure\r\n"
                                     "Content-Length: 0\r\n\r\n";
        const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nthanks";
        (c.startPlain ? plain.queue(redirect) : tls.queue(redirect));
        (c.secondOverTls ? tls.queue(ok) : plain.queue(ok));
        m_session->attachTlsTransport(!c.startPlain);
        m_session->setTrafficLog(true);
        const std::string first = c.startPlain ? plain.url("/form/") : tls.url("/form/");
        EXPECT_EQ(c.post ? m_session->client().post(first, {"a=1"}, "") : m_session->client().get(first), "thanks");
        m_session->setTrafficLog(false);
        std::string second;
        if (c.secondOverTls) {
            const auto requests = tls.requests();
            ASSERT_FALSE(requests.empty());
            second = requests.back().first;
        } else {
            second = plain.waitForRequests(1).at(0);
        }
        EXPECT_EQ(second.rfind(c.secondLine + "\r\n", 0), 0u) << second;
        EXPECT_NE(second.find("\r\nCookie: " + c.cookie + "\r\n\r\n"), std::string::npos) << second;
        const bool toClear = !c.startPlain && !c.secondOverTls;
        EXPECT_EQ(count(m_events, "status Redirected from https to http"), toClear ? 1 : 0);
        EXPECT_EQ(m_dir.read("DebugFile.log").find("Stat Redirected from https to http\r\n") != std::string::npos,
                  toClear);
        m_events.lines.clear();
        std::remove(m_dir.file("DebugFile.log").c_str());
    }
}

TEST_F(HttpsTest, PlainHttpThroughTheAttachedTransportShowsNoHandshake)
{
    ScriptedServer plain;
    plain.queue(okReply("plain"));
    m_session->attachTlsTransport(true);
    EXPECT_EQ(m_session->client().get(plain.url("/")), "plain");
    EXPECT_EQ(plain.waitForRequests(1).at(0).rfind("GET / HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(count(m_events, "tlsStatus Connecting to 127.0.0.1."), 1);
    EXPECT_EQ(count(m_events, "tlsStatusInfo "), 0);
}

TEST_F(HttpsTest, MissingTlsLibraryFailsHttpsOnly)
{
    ScriptedTlsServer server(m_dir);
    server.queue(okReply("secure"));
    ScriptedServer plain;
    plain.queue(okReply("plain with transport"));
    plain.queue(okReply("plain without transport"));
    m_library.setNames({"libssl-missing.so.3", "libcrypto-missing.so.3"});

    m_session->attachTlsTransport(true);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            m_session->client().get(server.url("/"));
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Could not load SSL library.");
        }
    }
    EXPECT_EQ(m_session->client().get(plain.url("/1")), "plain with transport");
    m_session->attachTlsTransport(false);
    EXPECT_EQ(m_session->client().get(plain.url("/2")), "plain without transport");
    EXPECT_EQ(count(m_events, "tlsStatusInfo "), 0);

    // Once the library can be found the next https request loads it.
    m_library.setNames({"libssl.so.3", "libcrypto.so.3"});
    m_session->attachTlsTransport(true);
    EXPECT_EQ(m_session->client().get(server.url("/")), "secure");
}

TEST_F(HttpsTest, PlainServerBehindAnHttpsUrlFailsTheHandshake)
{
    ScriptedServer plain;
    plain.queue("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    // The scripted server waits for a request head that a client hello never completes.
    m_library.setStallLimit(std::chrono::milliseconds(300));
    m_session->attachTlsTransport(true);
    try {
        m_session->client().get("https://127.0.0.1:" + std::to_string(plain.port()) + "/");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Error connecting with SSL.");
    }
    // A failed handshake comes before any byte of the request: the request was never sent.
    EXPECT_EQ(int(m_session->client().lastRequestFate()), int(RequestFate::NotSent));
    EXPECT_FALSE(m_session->client().connectionOpen());
}

}  // namespace
}  // namespace torvane
