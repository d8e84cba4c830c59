// End to end: nginx with certificates of a test authority made by the test, checked as TLSVerify asks,
// and a server that demands a client certificate. A failed check ends the request before a byte of it
// reaches the server.
#include "support/network_session.h"
#include "support/nginx_server.h"
#include "support/test_authority.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace torvane {
namespace {

using test::NginxServer;
using test::TestAuthority;

// Every request is logged, so a test can tell that none arrived.
const char* const kLocations = "    location / { access_log {DIR}/logs/access.log; return 200 \"served\"; }\n";

struct Servers {
    explicit Servers(const std::string& binary)
        : good(binary, kLocations, tlsOf(ca.server())),
          expired(binary, kLocations, tlsOf(ca.expired())),
          otherHost(binary, kLocations, tlsOf(ca.otherHost())),
          clientTls{ca.server().certFile, ca.server().keyFile, ca.clientCaFile()},
          clientAuth(binary, kLocations, &clientTls)
    {
    }
    const NginxServer::Tls* tlsOf(const TestAuthority::Pair& pair)
    {
        return &tls.emplace_back(NginxServer::Tls{pair.certFile, pair.keyFile});
    }

    TestAuthority ca;
    std::deque<NginxServer::Tls> tls;
    NginxServer good, expired, otherHost;
    NginxServer::Tls clientTls;
    NginxServer clientAuth;
};

// The network settings of a run with this TLSVerify and client certificate.
NetworkOptions checking(const std::string& verify, const std::string& certificate = {},
                        const std::string& password = {})
{
    NetworkOptions options;
    options.tlsVerify = verify;
    options.clientCertificate = certificate;
    options.clientCertificatePassword = password;
    return options;
}

class TlsVerifyNginxTest : public test::NetworkSessionTest {
protected:
    static void SetUpTestSuite()
    {
        const std::string binary = NginxServer::findBinary();
        if (!binary.empty())
            s_servers = new Servers(binary);
    }
    static void TearDownTestSuite()
    {
        delete s_servers;
        s_servers = nullptr;
    }
    void SetUp() override
    {
        if (!s_servers)
            GTEST_SKIP() << "nginx is not installed";
        NetworkSessionTest::SetUp();
    }
    std::string get(const NginxServer& server, const NetworkOptions& options)
    {
        return NetworkSessionTest::get(server.httpsUrl("/form"), options);
    }

    static Servers* s_servers;
};

Servers* TlsVerifyNginxTest::s_servers = nullptr;

TEST_F(TlsVerifyNginxTest, EachCheckPassesOrNamesItsReason)
{
    Servers& s = *s_servers;
    const TestAuthority& ca = s.ca;
    struct Case {
        const char* name;
        const NginxServer& server;
        std::string verify;
        std::string expected;
    };
    const Case cases[] = {
        {"blank accepts even an expired certificate", s.expired, "", "served"},
        {"the system does not know the test authority", s.good, "System", "Certificate not trusted: unknown authority"},
        {"the authority's own file", s.good, ca.caFile(), "served"},
        {"expired", s.expired, ca.caFile(), "Certificate not trusted: expired"},
        {"issued for another host", s.otherHost, ca.caFile(),
         "Certificate not trusted: name mismatch with the host 127.0.0.1"},
        {"a pin of another key", s.good, ca.pinOf(ca.otherHost().certFile),
         "Certificate not trusted: key does not match the pin"},
        {"the pin is the trust, whatever the dates", s.expired, ca.pinOf(ca.expired().certFile), "served"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string logBefore = c.server.dir().read("logs/access.log");
        EXPECT_EQ(get(c.server, checking(c.verify)), c.expected);
        if (c.expected != "served") {
            EXPECT_EQ(m_session->client().lastRequestFate(), RequestFate::NotSent);
            EXPECT_EQ(c.server.dir().read("logs/access.log"), logBefore) << "a request reached the server";
        }
    }
}

TEST_F(TlsVerifyNginxTest, ClientCertificates)
{
    const TestAuthority& ca = s_servers->ca;
    const NginxServer& server = s_servers->clientAuth;
    const NetworkOptions none = checking(ca.caFile());
    EXPECT_EQ(get(server, none), "HTTP/1.1 400 Bad Request");
    const NetworkOptions pem = checking(ca.caFile(), ca.clientPem());
    EXPECT_EQ(get(server, pem), "served");
    const NetworkOptions p12 = checking(ca.caFile(), ca.clientP12(), TestAuthority::kP12Password);
    EXPECT_EQ(get(server, p12), "served");
    const NetworkOptions wrongPassword = checking(ca.caFile(), ca.clientP12(), "wrong");
    EXPECT_EQ(get(server, wrongPassword), "ClientCertificate: \"" + ca.clientP12() +
                                              "\" holds no certificate and key that this password opens (PEM or "
                                              "PKCS#12)");
}

}  // namespace
}  // namespace torvane
