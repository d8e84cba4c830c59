// The bytes a proxy receives: an http request with its absolute URL and credentials, the CONNECT that
// opens a tunnel for an https one, and the proxy's refusal, over scripted peers.
#include "http/http_client.h"
#include "http/tls_transport.h"

#include "support/fake_stream.h"
#include "support/recording_http_events.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using test::FakePeer;

const std::string kRefusal =
    "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"corp\"\r\n"
    "Content-Length: 6\r\n\r\ndenied";

struct WireCase {
    const char* name;
    std::string url;
    std::string user;  // the proxy's user ("bob", password "pw"), empty for none
    std::string reply;
    std::string written;
    std::string result;  // the reply body, or the error's message
    RequestFate fate;
};

class ProxyWire : public ::testing::TestWithParam<WireCase> {};

TEST_P(ProxyWire, WritesAndReads)
{
    const WireCase& c = GetParam();
    test::FakeClock clock;
    test::FakeDialer dialer{clock};
    test::RecordingHttpEvents events;
    HttpClient client{events, clock, [] {}};
    TlsLibrary library;
    TlsTransport tls(clock, library, {}, &dialer);
    client.setDialer(&dialer);
    client.attachTransport(c.url.rfind("https", 0) == 0 ? &tls : nullptr);
    NetworkOptions options;
    const ProxyServer proxy{"proxy.corp", 3128, c.user, c.user.empty() ? "" : "pw"};
    options.proxy = {proxy, proxy, {}};
    client.setNetwork(options);
    FakePeer peer;
    peer.replies = {c.reply};
    dialer.add(peer);

    std::string result;
    try {
        result = client.get(c.url);
    } catch (const Error& e) {
        result = e.what();
    }
    EXPECT_EQ(dialer.peer(0).written, c.written);
    EXPECT_EQ(result, c.result);
    if (c.result != "served") {
        EXPECT_EQ(client.lastRequestFate(), c.fate);
    }
}

const std::string kTail = "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyWire,
    ::testing::Values(
        WireCase{"HttpWithCredentials", "http://shop.example:8080/form?x=1", "bob",
                 "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nserved",
                 "GET http://shop.example:8080/form?x=1 HTTP/1.1\r\nContent-Type: text/html\r\n"
                 "Host: shop.example:8080\r\nProxy-Authorization: Basic Ym9iOnB3\r\n" + kTail,
                 "served", RequestFate::Answered},
        WireCase{"HttpWithoutCredentials", "http://shop.example/form", "",
                 "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nserved",
                 "GET http://shop.example/form HTTP/1.1\r\nContent-Type: text/html\r\nHost: shop.example\r\n" + kTail,
                 "served", RequestFate::Answered},
        WireCase{"HttpRefused", "http://shop.example/form", "bob", kRefusal,
                 "GET http://shop.example/form HTTP/1.1\r\nContent-Type: text/html\r\nHost: shop.example\r\n"
                 "Proxy-Authorization: Basic Ym9iOnB3\r\n" + kTail,
                 "Proxy Authentication Required (user bob refused)", RequestFate::NotSent},
        // The fake peer speaks no TLS: the handshake after the tunnel fails, nothing of the request written.
        WireCase{"ConnectWithCredentials", "https://shop.example/form", "bob",
                 "HTTP/1.1 200 Connection established\r\n\r\n",
                 "CONNECT shop.example:443 HTTP/1.1\r\nHost: shop.example:443\r\nProxy-Authorization: Basic "
                 "Ym9iOnB3\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n",
                 "Error connecting with SSL.", RequestFate::NotSent},
        WireCase{"ConnectToAnIPv6Literal", "https://[fd00::10]:8443/form", "",
                 "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n",
                 "CONNECT [fd00::10]:8443 HTTP/1.1\r\nHost: [fd00::10]:8443\r\n"
                 "User-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n",
                 "Proxy Authentication Required", RequestFate::NotSent},
        WireCase{"ConnectForbidden", "https://shop.example/form", "bob",
                 "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n",
                 "CONNECT shop.example:443 HTTP/1.1\r\nHost: shop.example:443\r\nProxy-Authorization: Basic "
                 "Ym9iOnB3\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n",
                 "HTTP/1.1 403 Forbidden", RequestFate::NotSent}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane
