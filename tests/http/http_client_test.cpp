#include "http/http_client.h"

#include <gtest/gtest.h>
#include <ostream>

#include "http/cookie_store.h"
#include "support/recording_http_events.h"
#include "support/scripted_server.h"
#include "util/clock.h"

namespace torvane {
namespace {

using test::ScriptedServer;

struct ClientFixture {
    ScriptedServer server;
    test::RecordingHttpEvents events;
    CookieStore cookies;
    HttpClient client{events, SystemClock::instance(), [] {}};

    ClientFixture()
    {
        client.setCookieStore(&cookies);
        HttpLimits limits;
        limits.idleReadMs = 3000;
        limits.errorBodyReadMs = 300;
        limits.redirectBodyReadMs = 300;
        client.setLimits(limits);
        client.setCacheControl("no-cache");
    }
    std::string hostLine() const { return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"; }
};

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

const std::string kTail = "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n";

TEST(HttpClientRequest, PostOfTwoEntriesToTheByte)
{
    ClientFixture f;
    f.server.queue("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(f.client.post(f.server.url("/cgi-bin/form"), {"first=Ann Lee", "zip=0815-7"}), "ok");
    const auto requests = f.server.waitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "POST /cgi-bin/form HTTP/1.0\r\n"
                           "Connection: keep-alive\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\n"
                           "Content-Length: 27\r\n"
                           "Cache-control: no-cache\r\n" +
                               f.hostLine() + kTail + "first=Ann+Lee&zip=0815%2D7&");
}

struct RequestCase {
    const char* name;
    std::string contentType;
    std::function<void(HttpClient&, const std::string& url)> send;
    std::string expectedHeadStart;  // request line and lines before "Cache-control"
    std::string body;
};

void PrintTo(const RequestCase& c, std::ostream* os)
{
    *os << c.name;
}

class HttpClientRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(HttpClientRequestTest, SendsExactBytes)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.client.setContentType(GetParam().contentType);
    GetParam().send(f.client, f.server.url("/a/b?x=1"));
    const auto requests = f.server.waitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], GetParam().expectedHeadStart + "Cache-control: no-cache\r\n" + f.hostLine() + kTail +
                               GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientRequestTest,
    ::testing::Values(
        RequestCase{"GetHasNoLength", "text/html", [](HttpClient& c, const std::string& u) { c.get(u); },
                    "GET /a/b?x=1 HTTP/1.1\r\nContent-Type: text/html\r\n", ""},
        RequestCase{"GetKeepsUpperCaseHtml", "TEXT/HTML", [](HttpClient& c, const std::string& u) { c.get(u); },
                    "GET /a/b?x=1 HTTP/1.1\r\nContent-Type: TEXT/HTML\r\n", ""},
        RequestCase{"PostReplacesUpperCaseHtml", "TEXT/HTML",
                    [](HttpClient& c, const std::string& u) { c.post(u, {"a=b"}); },
                    "POST /a/b?x=1 HTTP/1.0\r\nConnection: keep-alive\r\n"
                    "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n",
                    "a=b"},
        RequestCase{"PostKeepsOtherType", "text/plain",
                    [](HttpClient& c, const std::string& u) { c.post(u, {}); },
                    "POST /a/b?x=1 HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: text/plain\r\n"
                    "Content-Length: 0\r\n",
                    ""},
        RequestCase{"PutEmptyHasZeroLength", "text/html", [](HttpClient& c, const std::string& u) { c.put(u, ""); },
                    "PUT /a/b?x=1 HTTP/1.1\r\nContent-Type: text/html\r\nContent-Length: 0\r\n", ""},
        RequestCase{"PutSendsBytesUnchanged", "", [](HttpClient& c, const std::string& u) { c.put(u, "A=1 2\r\n"); },
                    "PUT /a/b?x=1 HTTP/1.1\r\nContent-Length: 7\r\n", "A=1 2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClientRequest, GetAfterPostKeepsConnectionHeaderAndVersion11)
{
    ClientFixture f;
    f.server.queue("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.client.post(f.server.url("/p"), {"a=b"});
    f.client.get(f.server.url("/g"));
    const auto requests = f.server.waitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("Content-Type")), "GET /g HTTP/1.1\r\nConnection: keep-alive\r\n");
}

TEST(HttpClientRequest, LongCookieLineIsFolded)
{
    ClientFixture f;
    for (int i = 0; i < 60; ++i)
        f.cookies.takeCookies({{"Set-Cookie", "c" + std::to_string(i) + "=" + std::string(30, 'v')}}, "127.0.0.1");
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.client.get(f.server.url("/"));
    const std::string request = f.server.waitForRequests(1).at(0);
    const size_t start = request.find("Cookie: ");
    ASSERT_NE(start, std::string::npos);
    const std::string cookie = request.substr(start, request.find("\r\n\r\n") - start);
    size_t lineStart = 0;
    int lines = 0;
    while (lineStart < cookie.size()) {
        size_t end = cookie.find("\r\n", lineStart);
        if (end == std::string::npos)
            end = cookie.size();
        EXPECT_LE(end - lineStart, 1024u);
        if (lines > 0) {
            EXPECT_EQ(cookie[lineStart], ' ');
        }
        ++lines;
        lineStart = end + 2;
    }
    EXPECT_GE(lines, 2);
}

struct ReplyCase {
    const char* name;
    std::string reply;
    std::string result;  // the body, or the error message when error is set
    bool error = false;
};

void PrintTo(const ReplyCase& c, std::ostream* os)
{
    *os << c.name;
}

class HttpClientReplyTest : public ::testing::TestWithParam<std::tuple<ReplyCase, size_t>> {};

TEST_P(HttpClientReplyTest, Answers)
{
    const auto& [c, piece] = GetParam();
    ClientFixture f;
    ScriptedServer::Reply r;
    r.bytes = c.reply;
    r.maxPiece = piece;
    f.server.queue(r);
    std::string body;
    const std::string error = errorOf([&] { body = f.client.get(f.server.url("/x")); });
    if (c.error) {
        EXPECT_EQ(error, c.result);
    } else {
        EXPECT_EQ(error, "(no error)");
        EXPECT_EQ(body, c.result);
    }
}

const std::string kLongLine(16384, 'h');

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientReplyTest,
    ::testing::Combine(
        ::testing::Values(
            ReplyCase{"ContentLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", "hello"},
            ReplyCase{"ZeroLength", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
            ReplyCase{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", ""},
            ReplyCase{"UntilClose", "HTTP/1.0 200 OK\r\n\r\nall of it", "all of it"},
            ReplyCase{"NegativeLengthReadsUntilClose", "HTTP/1.0 200 OK\r\nContent-Length: -3\r\n\r\nabc", "abc"},
            ReplyCase{"Chunked",
                      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n7 ; x\r\n, world\r\n0\r\n\r\n",
                      "hello, world"},
            ReplyCase{"ChunkExtensionCountsAsZero",
                      "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n1a;name=x\r\n"
                      "abcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
                      "hello"},
            ReplyCase{"LengthWinsOverChunked",
                      "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\nabc", "abc"},
            ReplyCase{"FoldedHeaderValue", "HTTP/1.1 200 OK\r\nContent-Length:\r\n 4\r\n\r\nabcd", "abcd"},
            ReplyCase{"CloseMidBodyWithLength", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'z'),
                      std::string(40, 'z')},
            ReplyCase{"HostileLengthTakesWhatCame", "HTTP/1.1 200 OK\r\nContent-Length: 999999999999999\r\n\r\nsmall",
                      "small"},
            // 2^64 + 2 and 2^63 do not fit: no usable length, so the body runs to the close.
            ReplyCase{"LengthBeyond64BitsReadsUntilClose",
                      "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551618\r\n\r\n12345678", "12345678"},
            ReplyCase{"LengthOf2To63ReadsUntilClose",
                      "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\n12345678", "12345678"},
            ReplyCase{"LengthOf25DigitsReadsUntilClose",
                      "HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000000000002\r\n\r\n12345678", "12345678"},
            ReplyCase{"LargestLengthTakesWhatCame",
                      "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\n12345678", "12345678"},
            ReplyCase{"ChunkSizeBeyond64BitsCountsAsZero",
                      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"
                      "10000000000000002\r\nab\r\n0\r\n\r\n",
                      "hello"},
            ReplyCase{"HostileChunkSizeFailsOnClose",
                      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffffffffff\r\nabc",
                      "Connection Closed Gracefully.", true},
            ReplyCase{"ContinueThenOk", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
                      "ok"},
            ReplyCase{"CloseBeforeStatusLine", "", "Connection Closed Gracefully.", true},
            ReplyCase{"NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nnop", "HTTP/1.1 404 Not Found",
                      true},
            ReplyCase{"ServerError", "HTTP/1.0 500 Oops\r\n\r\ntrace", "HTTP/1.0 500 Oops", true},
            ReplyCase{"NotModifiedWithoutLocation", "HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n",
                      "HTTP/1.1 304 Not Modified", true},
            ReplyCase{"StatusWithoutNumber", "garbage\r\n\r\n", "garbage", true},
            // 2^64 + 200 is no status code, not 200.
            ReplyCase{"StatusBeyond64BitsIsNoCode", "HTTP/1.1 18446744073709551816 OK\r\nContent-Length: 2\r\n\r\nok",
                      "HTTP/1.1 18446744073709551816 OK", true},
            ReplyCase{"Unauthorized", "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=x\r\n"
                                      "Content-Length: 0\r\n\r\n",
                      "HTTP/1.1 401 Unauthorized", true},
            ReplyCase{"HeaderBlockCutByClose", "HTTP/1.1 200 OK\r\nContent-Length: 5", "Undefined situation", true},
            ReplyCase{"StatusLineTooLong", kLongLine + "\r\n", "Max line length exceeded.", true},
            ReplyCase{"StatusLineLongestAllowed", kLongLine + "\n\r\n", kLongLine, true},
            ReplyCase{"ChunkSizeLineTooLong",
                      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + kLongLine + "\r\n",
                      "Max line length exceeded.", true}),
        ::testing::Values(size_t(0), size_t(5))),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Pieces" : "_Whole");
    });

TEST(HttpClientReply, ProtocolErrorCarriesCodeAndBody)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nmissing!!");
    try {
        f.client.get(f.server.url("/x"));
        FAIL();
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.code(), 404);
        EXPECT_EQ(std::string(e.what()), "HTTP/1.1 404 Not Found");
        EXPECT_EQ(e.body(), "missing!!");
    }
    EXPECT_EQ(f.client.lastStatusLine(), "HTTP/1.1 404 Not Found");
}

TEST(HttpClientReply, EndlessHeaderBlockIsRefused)
{
    ClientFixture f;
    std::string reply = "HTTP/1.1 200 OK\r\n";
    while (reply.size() <= kMaxHeaderBlockBytes)
        reply += "X-Filler: " + std::string(1000, 'f') + "\r\n";
    f.server.queue(reply + "\r\n");
    EXPECT_EQ(errorOf([&] { f.client.get(f.server.url("/x")); }), "Max line length exceeded.");
}

TEST(HttpClientReply, SlowErrorBodyTimesOut)
{
    ClientFixture f;
    ScriptedServer::Reply r;
    r.bytes = "HTTP/1.1 500 Busy\r\nContent-Length: 10\r\n\r\nabc";
    r.closeAfter = false;
    f.server.queue(r);
    ScriptedServer::Reply hold;
    hold.silent = true;
    f.server.queue(hold);
    EXPECT_EQ(errorOf([&] { f.client.get(f.server.url("/x")); }), "Read Timeout");
}

TEST(HttpClientReply, SilentServerTimesOut)
{
    ClientFixture f;
    HttpLimits limits = f.client.limits();
    limits.idleReadMs = 200;
    f.client.setLimits(limits);
    ScriptedServer::Reply r;
    r.silent = true;
    f.server.queue(r);
    EXPECT_EQ(errorOf([&] { f.client.get(f.server.url("/x")); }), "Read Timeout");
}

std::string redirectTo(const std::string& location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 5\r\n\r\nmoved";
}

struct ChainCase {
    const char* name;
    int redirects;
    std::string result;
};

void PrintTo(const ChainCase& c, std::ostream* os)
{
    *os << c.name;
}

class HttpClientRedirectChainTest : public ::testing::TestWithParam<ChainCase> {};

TEST_P(HttpClientRedirectChainTest, FollowsAtMostFourteen)
{
    ClientFixture f;
    for (int i = 1; i <= GetParam().redirects; ++i)
        f.server.queue(redirectTo("/r" + std::to_string(i)), false);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone", false);
    EXPECT_EQ(f.client.get(f.server.url("/start")), GetParam().result);
    const auto requests = f.server.requests();
    ASSERT_EQ(requests.size(), size_t(std::min(GetParam().redirects + 1, kRedirectMaximum)));
    const std::string lastTarget = requests.size() == 1 ? "/start" : "/r" + std::to_string(requests.size() - 1);
    EXPECT_EQ(requests.back().rfind("GET " + lastTarget + " HTTP/1.1\r\n", 0), 0u) << requests.back();
    EXPECT_EQ(f.server.connections(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpClientRedirectChainTest,
                         ::testing::Values(ChainCase{"None", 0, "done"}, ChainCase{"One", 1, "done"},
                                           ChainCase{"Fourteen", 14, "done"}, ChainCase{"Fifteen", 15, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClientRedirect, PostIsRepeatedWithItsBody)
{
    ClientFixture f;
    f.server.queue("HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n");
    f.server.queue("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(f.client.post(f.server.url("/form/post"), {"a=1 2"}), "ok");
    const auto requests = f.server.waitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, 21), "POST /next HTTP/1.0\r\n");
    EXPECT_EQ(requests[1].substr(requests[1].size() - 5), "a=1+2");
    EXPECT_EQ(f.server.connections(), 2);
}

TEST(HttpClientRedirect, OkWithLocationIsARedirection)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nLocation: thanks.html\r\nContent-Length: 3\r\n\r\nabc", false);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nthanks", false);
    EXPECT_EQ(f.client.get(f.server.url("/cgi-bin/form")), "thanks");
    EXPECT_EQ(f.server.waitForRequests(2).at(1).substr(0, 30), "GET /cgi-bin/thanks.html HTTP/");
}

TEST(HttpClientRedirect, AcceptedPostWithLocationFetchesThePageWithoutSendingAgain)
{
    ClientFixture f;
    f.server.queue("HTTP/1.0 201 Created\r\nLocation: /orders/17\r\nContent-Length: 0\r\n\r\n");
    f.server.queue("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nThank you");
    EXPECT_EQ(f.client.post(f.server.url("/form/post"), {"a=1"}), "Thank you");
    const auto requests = f.server.waitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, 26), "POST /form/post HTTP/1.0\r\n");
    EXPECT_EQ(requests[1].substr(0, 25), "GET /orders/17 HTTP/1.0\r\n");
    EXPECT_EQ(requests[1].find("Content-Length"), std::string::npos) << requests[1];
}

// The decimal text of 2^bits + n, beyond what 64 bits hold when bits is 64.
std::string wrappedPort(int bits, int n)
{
    unsigned __int128 value = (static_cast<unsigned __int128>(1) << bits) + static_cast<unsigned>(n);
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

// A port that wraps round onto a listening one must not steer the client there.
TEST(HttpClientRedirect, PortTooLargeToHoldFailsAndConnectsNowhere)
{
    struct Case {
        const char* name;
        int bits;  // the port is 2^bits + the decoy's port; 0 means the decoy's port + 65536
    };
    const Case cases[] = {{"Beyond16Bits", 0}, {"Beyond32Bits", 32}, {"Beyond64Bits", 64}};
    for (const Case& c : cases) {
        ClientFixture f;
        ScriptedServer decoy;
        decoy.queue("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\ndecoy");
        const std::string port =
            c.bits == 0 ? std::to_string(decoy.port() + 65536) : wrappedPort(c.bits, decoy.port());
        f.server.queue(redirectTo("http://127.0.0.1:" + port + "/next"));
        EXPECT_EQ(errorOf([&] { f.client.get(f.server.url("/")); }), "'" + port + "' is not a valid integer value")
            << c.name;
        EXPECT_EQ(decoy.connections(), 0) << c.name;
    }
}

TEST(HttpClientRedirect, ToHttpsWithoutTransportFails)
{
    ClientFixture f;
    f.server.queue(redirectTo("https://127.0.0.1/secure"));
    EXPECT_EQ(errorOf([&] { f.client.get(f.server.url("/")); }), "IOHandler value is not valid");
}

TEST(HttpClientConnection, RefusedConnectionIsReported)
{
    test::RecordingHttpEvents events;
    HttpClient client(events, SystemClock::instance(), [] {});
    const std::string url = "http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort()) + "/";
    EXPECT_EQ(errorOf([&] { client.get(url); }), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(events.lines, (std::vector<std::string>{"status Disconnecting.", "status Disconnected.",
                                                      "status Connecting to 127.0.0.1.", "status Disconnecting.",
                                                      "status Disconnected."}));
    EXPECT_FALSE(client.connectionOpen());
}

TEST(HttpClientConnection, HttpsWithoutTransportFails)
{
    test::RecordingHttpEvents events;
    HttpClient client(events, SystemClock::instance(), [] {});
    EXPECT_EQ(errorOf([&] { client.get("https://127.0.0.1/"); }), "IOHandler value is not valid");
}

TEST(HttpClientConnection, KeepAliveReusesUntilServerSaysClose)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", false);
    f.server.queue("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\nb", false);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nc", false);
    EXPECT_EQ(f.client.get(f.server.url("/1")), "a");
    EXPECT_TRUE(f.client.connectionOpen());
    EXPECT_EQ(f.client.get(f.server.url("/2")), "b");
    EXPECT_FALSE(f.client.connectionOpen());
    EXPECT_EQ(f.client.get(f.server.url("/3")), "c");
    EXPECT_EQ(f.server.connections(), 2);
}

TEST(HttpClientConnection, IdleCloseByServerIsNoticedBeforeReuse)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", true);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb", true);
    EXPECT_EQ(f.client.get(f.server.url("/1")), "a");
    f.server.waitForRequests(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(f.client.get(f.server.url("/2")), "b");
    EXPECT_EQ(f.server.connections(), 2);
}

TEST(HttpClientConnection, PostAfterGetClosesTheOpenConnectionFirst)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na", false);
    f.server.queue("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nb");
    f.client.get(f.server.url("/1"));
    f.events.lines.clear();
    f.client.post(f.server.url("/2"), {"x=y"});
    const auto lines = f.events.withoutProgress();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
              (std::vector<std::string>{"status Disconnecting.", "status Disconnected.", "status Disconnecting.",
                                        "status Disconnected.", "status Connecting to 127.0.0.1.",
                                        "status Connected."}));
    EXPECT_EQ(f.server.connections(), 2);
}

TEST(HttpClientCookies, SetCookieIsSentBack)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 302 Found\r\nSet-Cookie: sid=77; path=/\r\nSet-Cookie: step=2; path=/cgi-bin/\r\n"
                   "Location: /cgi-bin/step2\r\nContent-Length: 0\r\n\r\n",
                   false);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false);
    f.client.get(f.server.url("/cgi-bin/step1"));
    const auto requests = f.server.waitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].find("User-Agent: Mozilla/3.0 (compatible; Torvane)\r\nCookie: step=2; sid=77\r\n\r\n"),
              std::string::npos);
}

TEST(HttpClientEvents, TransfersOfABody)
{
    ClientFixture f;
    f.server.queue("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", false);
    f.server.queue("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false);
    f.client.put(f.server.url("/1"), "12345");
    f.client.get(f.server.url("/2"));
    EXPECT_EQ(f.events.lines,
              (std::vector<std::string>{"status Disconnecting.", "status Disconnected.",
                                        "status Connecting to 127.0.0.1.", "status Connected.", "workBegin W 5",
                                        "work W 5", "workEnd W", "status Chunk Started", "workBegin R 3", "work R 3",
                                        "workEnd R", "workBegin R 2", "work R 2", "workEnd R"}));
}

}  // namespace
}  // namespace torvane
