// End to end: requests through a real squid asking for Basic authentication (http URLs as absolute
// targets, https URLs through a CONNECT tunnel, a refused password, no_proxy), and a server listening on
// ::1 only, reached by its literal and by name, and a name whose first address refuses.
#include "support/network_session.h"
#include "support/nginx_server.h"
#include "support/scripted_server.h"
#include "support/squid_proxy.h"
#include "support/test_authority.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace torvane {
namespace {

using test::ScriptedServer;
using test::SquidProxy;

const std::string kReply = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nserved";

using SessionTest = test::NetworkSessionTest;

struct Proxied {
    explicit Proxied(const std::string& squid, const std::string& nginx)
        : proxy(squid), tls{ca.server().certFile, ca.server().keyFile},
          site(nginx, "    location / { return 200 \"$scheme served\"; }\n", &tls)
    {
    }
    test::TestAuthority ca;
    SquidProxy proxy;
    test::NginxServer::Tls tls;
    test::NginxServer site;
};

class ProxyTest : public SessionTest {
protected:
    static void SetUpTestSuite()
    {
        const std::string squid = SquidProxy::findBinary();
        const std::string nginx = test::NginxServer::findBinary();
        if (!squid.empty() && !nginx.empty())
            s_proxied = new Proxied(squid, nginx);
    }
    static void TearDownTestSuite()
    {
        delete s_proxied;
        s_proxied = nullptr;
    }
    void SetUp() override
    {
        if (!s_proxied)
            GTEST_SKIP() << "squid or nginx is not installed";
        ASSERT_TRUE(s_proxied->proxy.running()) << s_proxied->proxy.log();
        SessionTest::SetUp();
    }
    static NetworkOptions through(const std::string& password, std::vector<std::string> noProxy = {})
    {
        const ProxyServer proxy{"127.0.0.1", s_proxied->proxy.port(), SquidProxy::kUser, password};
        NetworkOptions options;
        options.tlsVerify = s_proxied->ca.caFile();
        options.proxy = {proxy, proxy, std::move(noProxy)};
        return options;
    }
    static Proxied* s_proxied;
};

Proxied* ProxyTest::s_proxied = nullptr;

TEST_F(ProxyTest, HttpAndHttpsGoThroughTheProxy)
{
    const test::NginxServer& site = s_proxied->site;
    EXPECT_EQ(get(site.url("/form"), through(SquidProxy::kPassword)), "http served");
    EXPECT_EQ(get(site.httpsUrl("/form"), through(SquidProxy::kPassword)), "https served");
    // squid logs a tunnel once it is closed.
    m_session.reset();
    const std::string tunnel = "CONNECT 127.0.0.1:" + std::to_string(site.tlsPort());
    std::string log = s_proxied->proxy.accessLog();
    for (int i = 0; i < 100 && log.find(tunnel) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        log = s_proxied->proxy.accessLog();
    }
    EXPECT_NE(log.find("GET " + site.url("/form")), std::string::npos) << log;
    EXPECT_NE(log.find(tunnel), std::string::npos) << log;
}

TEST_F(ProxyTest, ARefusedPasswordNamesTheUserAndSendsNothing)
{
    const test::NginxServer& site = s_proxied->site;
    for (const std::string& url : {site.url("/form"), site.httpsUrl("/form")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(get(url, through("wrong")), "Proxy Authentication Required (user proxyuser refused)");
        EXPECT_EQ(m_session->client().lastRequestFate(), RequestFate::NotSent);
    }
}

TEST_F(ProxyTest, NoProxyHostsAreReachedDirectly)
{
    ScriptedServer direct;
    direct.queue(kReply);
    EXPECT_EQ(get(direct.url("/form"), through("wrong", {"127.0.0.1"})), "served");
    EXPECT_EQ(s_proxied->proxy.accessLog().find(direct.url("/form")), std::string::npos);
}

using Ipv6Test = SessionTest;

TEST_F(Ipv6Test, AServerOnTheIPv6LoopbackOnly)
{
    ScriptedServer server(0, ScriptedServer::Loopback::IPv6Only);
    const std::string port = std::to_string(server.port());
    server.queue(kReply);
    server.queue(kReply);
    NetworkOptions everyAddress;
    everyAddress.everyAddress = true;
    EXPECT_EQ(get("http://[::1]:" + port + "/form", {}), "served");
    EXPECT_EQ(get("http://localhost:" + port + "/form", everyAddress), "served");
    const auto requests = server.waitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("\r\nHost: [::1]:" + port + "\r\n"), std::string::npos) << requests[0];
    EXPECT_NE(requests[1].find("\r\nHost: localhost:" + port + "\r\n"), std::string::npos) << requests[1];
    EXPECT_NE(std::find(m_events.lines.begin(), m_events.lines.end(), "status Connecting to ::1."), m_events.lines.end());
    // IPv4 only, as without the setting: the name goes to 127.0.0.1, where nothing listens.
    EXPECT_EQ(get("http://localhost:" + port + "/form", {}), "Socket Error # 10061\r\nConnection refused.");
}

TEST_F(Ipv6Test, AnAddressThatRefusesGivesWayToTheNext)
{
    ScriptedServer server;  // 127.0.0.1 only: ::1, tried first, refuses
    server.queue(kReply);
    NetworkOptions everyAddress;
    everyAddress.everyAddress = true;
    EXPECT_EQ(get("http://localhost:" + std::to_string(server.port()) + "/form", everyAddress), "served");
    std::vector<std::string> tried;
    for (const std::string& line : m_events.lines)
        if (line.rfind("status Connecting to ", 0) == 0)
            tried.push_back(line);
    EXPECT_EQ(tried, (std::vector<std::string>{"status Connecting to ::1.", "status Connecting to 127.0.0.1."}));
}

}  // namespace
}  // namespace torvane
