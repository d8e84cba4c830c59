// send over a company network: a server key trusted with trust --pin, a wrong pin ending the run before
// the record is written, and a run through squid to a server demanding a client certificate whose
// passwords appear in no output and not in the store, and the proxy of the environment with no_proxy.
#include "cli/cli_runner.h"
#include "support/nginx_server.h"
#include "support/squid_proxy.h"
#include "support/test_authority.h"
#include "util/base64.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace torvane::test {
namespace {

const char* const kLocations = "    location / { access_log {DIR}/logs/access.log; return 200 \"served\"; }\n";
const char* const kCertPassword = TestAuthority::kP12Password;

struct Network {
    Network(const std::string& nginx, const std::string& squid)
        : tls{ca.server().certFile, ca.server().keyFile}, site(nginx, kLocations, &tls),
          clientTls{ca.server().certFile, ca.server().keyFile, ca.clientCaFile()},
          clientAuth(nginx, kLocations, &clientTls), proxy(squid)
    {
    }
    TestAuthority ca;
    NginxServer::Tls tls;
    NginxServer site;
    NginxServer::Tls clientTls;
    NginxServer clientAuth;
    SquidProxy proxy;
};

class SendNetworkTest : public CliTest {
protected:
    static void SetUpTestSuite()
    {
        const std::string nginx = NginxServer::findBinary();
        const std::string squid = SquidProxy::findBinary();
        if (nginx.empty() || squid.empty())
            return;
        s_network = new Network(nginx, squid);
        store() = storeMadeWith("<FORM ACTION=\"/orders\" METHOD=\"post\"><INPUT NAME=\"acct\"></FORM>\n",
                                {{"import-html", "form.html"},
                                 {"set", "DataSentText", "served"},
                                 {"set", "ImportData", "export.txt"},
                                 {"set-field", "10", "ImportStart", "1"},
                                 {"set-field", "10", "ImportLength", "4"}});
    }
    static void TearDownTestSuite()
    {
        delete s_network;
        s_network = nullptr;
    }
    static std::string& store()
    {
        static std::string bytes;
        return bytes;
    }
    void SetUp() override
    {
        if (!s_network)
            GTEST_SKIP() << "nginx or squid is not installed";
        CliTest::SetUp();
        dir.write("torvane.db", store());
        dir.write("export.txt", "1001\n");
    }
    static Network* s_network;
};

Network* SendNetworkTest::s_network = nullptr;

TEST_F(SendNetworkTest, AWrongPinEndsTheRunUnsentAndTrustPinLetsItThrough)
{
    const NginxServer& site = s_network->site;
    const std::string url = site.httpsUrl("/orders");
    ok({"set", "URL", url});
    ok({"set", "TLSVerify", s_network->ca.pinOf(s_network->ca.otherHost().certFile)});
    const CliResult refused = cli({"send", "--pause", "0", "--results", "results.csv"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(splitOutputLines(refused.err).at(0), "Certificate not trusted: key does not match the pin.");
    EXPECT_NE(dir.read("results.csv").find(",failed,"), std::string::npos) << dir.read("results.csv");
    EXPECT_EQ(site.dir().read("logs/access.log"), "");

    const std::string shown = ok({"trust", url});
    EXPECT_NE(shown.find("  key pin " + s_network->ca.pinOf(s_network->ca.server().certFile)), std::string::npos);
    EXPECT_NE(shown.find("TLSVerify System: fails (unknown authority)"), std::string::npos) << shown;
    ok({"trust", "--pin", url});
    EXPECT_NE(show().find(s_network->ca.pinOf(s_network->ca.server().certFile)), std::string::npos);
    const CliResult sent = cli({"send", "--pause", "0"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_NE(sent.err.find("Records read: 1, accepted: 1,"), std::string::npos) << sent.err;
}

TEST_F(SendNetworkTest, ThroughTheProxyWithAClientCertificateNoPasswordIsShownOrStored)
{
    const std::string proxyCredentials =
        base64Encode(std::string(SquidProxy::kUser) + ":" + SquidProxy::kPassword);
    ::setenv("TORVANE_PROXY_PW", SquidProxy::kPassword, 1);
    ::setenv("TORVANE_CERT_PW", kCertPassword, 1);
    ok({"set", "URL", s_network->clientAuth.httpsUrl("/orders")});
    ok({"set", "TLSVerify", s_network->ca.caFile()});
    ok({"set", "ClientCertificate", s_network->ca.clientP12()});
    ok({"set", "ClientCertificatePassword", "${TORVANE_CERT_PW}"});
    ok({"set", "Proxy", "http://" + std::string(SquidProxy::kUser) + ":${TORVANE_PROXY_PW}@127.0.0.1:" +
                            std::to_string(s_network->proxy.port())});
    ok({"set", "ViewDiag", "True"});
    const CliResult r = cli({"send", "--pause", "0", "--verbose", "--results", "results.jsonl"});
    ::unsetenv("TORVANE_PROXY_PW");
    ::unsetenv("TORVANE_CERT_PW");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = dir.read("DebugFile.log");
    EXPECT_NE(log.find("Proxy-Authorization: Basic ********"), std::string::npos) << log;
    EXPECT_NE(s_network->proxy.accessLog().find("CONNECT 127.0.0.1:"), std::string::npos);
    for (const std::string& output : {log, r.out, r.err, dir.read("results.jsonl"), dir.read("torvane.db")}) {
        EXPECT_EQ(output.find(SquidProxy::kPassword), std::string::npos);
        EXPECT_EQ(output.find(proxyCredentials), std::string::npos);
        EXPECT_EQ(output.find(kCertPassword), std::string::npos);
    }
}

// Proxy set to environment: http_proxy as curl reads it, and no_proxy naming the server's host.
TEST_F(SendNetworkTest, TheEnvironmentsProxyAndItsNoProxyList)
{
    const NginxServer& site = s_network->site;
    const std::string proxy = "http://" + std::string(SquidProxy::kUser) + ":" + SquidProxy::kPassword +
                              "@127.0.0.1:" + std::to_string(s_network->proxy.port());
    ::setenv("http_proxy", proxy.c_str(), 1);
    ok({"set", "Proxy", "environment"});
    ok({"set", "URL", site.url("/proxied")});
    const CliResult proxied = cli({"send", "--pause", "0"});
    ::setenv("no_proxy", "example.test,127.0.0.1", 1);
    ok({"set", "URL", site.url("/direct")});
    const CliResult direct = cli({"send", "--pause", "0"});
    ::unsetenv("http_proxy");
    ::unsetenv("no_proxy");
    EXPECT_EQ(proxied.status, 0) << proxied.err;
    EXPECT_EQ(direct.status, 0) << direct.err;
    const std::string log = s_network->proxy.accessLog();
    EXPECT_NE(log.find("POST " + site.url("/proxied") + " proxyuser"), std::string::npos) << log;
    EXPECT_EQ(log.find("/direct"), std::string::npos) << log;
    EXPECT_NE(site.dir().read("logs/access.log").find("POST /direct "), std::string::npos);
}

}  // namespace
}  // namespace torvane::test
