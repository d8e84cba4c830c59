#include "http/http_client.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <ostream>

#include "http/cookie_store.h"
#include "support/error_text.h"
#include "support/fake_stream.h"
#include "support/recording_http_events.h"

namespace torvane {
namespace {

using test::FakePeer;

// The client over scripted peers and a fake clock: no sockets, no threads, no real waits.
struct ClientFixture {
    test::FakeClock clock;
    test::FakeDialer dialer{clock};
    test::RecordingHttpEvents events;
    CookieStore cookies;
    HttpClient client{events, clock, [] {}};

    ClientFixture()
    {
        client.setDialer(&dialer);
        client.setCookieStore(&cookies);
        HttpLimits limits;
        limits.idleReadMs = 3000;
        limits.errorBodyReadMs = 300;
        limits.redirectBodyReadMs = 300;
        client.setLimits(limits);
        client.setCacheControl("no-cache");
    }
    // A connection that answers one request with reply and closes.
    FakePeer& answerOnce(std::string reply)
    {
        FakePeer p;
        p.replies = {std::move(reply)};
        return dialer.add(std::move(p));
    }
    // A connection that answers one request per reply and then stays open.
    FakePeer& keepOpen(std::vector<std::string> replies)
    {
        FakePeer p;
        p.replies = std::move(replies);
        p.end = FakePeer::End::Silent;
        return dialer.add(std::move(p));
    }
    static std::string url(const std::string& path) { return "http://127.0.0.1:8080" + path; }
    static std::string hostLine() { return "Host: 127.0.0.1:8080\r\n"; }
};

using test::errorOf;

const std::string kTail = "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n\r\n";

TEST(HttpClientRequest, PostOfTwoEntriesToTheByte)
{
    ClientFixture f;
    f.answerOnce("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(f.client.post(f.url("/cgi-bin/form"), {"first=Ann Lee", "zip=0815-7"}), "ok");
    const auto requests = f.dialer.requests();
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
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.client.setContentType(GetParam().contentType);
    GetParam().send(f.client, f.url("/a/b?x=1"));
    const auto requests = f.dialer.requests();
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
    f.answerOnce("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.keepOpen({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
    f.client.post(f.url("/p"), {"a=b"});
    f.client.get(f.url("/g"));
    const auto requests = f.dialer.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("Content-Type")), "GET /g HTTP/1.1\r\nConnection: keep-alive\r\n");
}

TEST(HttpClientRequest, LongCookieLineIsFolded)
{
    ClientFixture f;
    for (int i = 0; i < 60; ++i)
        f.cookies.takeCookies({{"Set-Cookie", "c" + std::to_string(i) + "=" + std::string(30, 'v')}}, "127.0.0.1");
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    f.client.get(f.url("/"));
    const std::string request = f.dialer.requests().at(0);
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
    FakePeer::End end = FakePeer::End::Close;
};

void PrintTo(const ReplyCase& c, std::ostream* os)
{
    *os << c.name;
}

// Every reply whole and cut into random pieces of at most 1, 3 and 7 bytes.
class HttpClientReplyTest : public ::testing::TestWithParam<std::tuple<ReplyCase, size_t>> {};

TEST_P(HttpClientReplyTest, Answers)
{
    const auto& [c, piece] = GetParam();
    ClientFixture f;
    FakePeer& peer = f.answerOnce(c.reply);
    peer.maxPiece = piece;
    peer.seed = unsigned(piece * 7919 + c.reply.size());
    peer.end = c.end;
    std::string body;
    const std::string error = errorOf([&] { body = f.client.get(f.url("/x")); });
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
                      "Max line length exceeded.", true},
            ReplyCase{"ResetBeforeStatusLine", "", "Socket Error # 10054\r\nConnection reset by peer.", true,
                      FakePeer::End::Reset},
            ReplyCase{"ResetMidBody", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
                      "Socket Error # 10054\r\nConnection reset by peer.", true, FakePeer::End::Reset},
            ReplyCase{"SilentMidBody", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", "Read Timeout", true,
                      FakePeer::End::Silent},
            ReplyCase{"SilentMidHead", "HTTP/1.1 200 OK\r\nContent-", "Read Timeout", true, FakePeer::End::Silent}),
        ::testing::Values(size_t(0), size_t(1), size_t(3), size_t(7))),
    [](const auto& info) {
        const size_t piece = std::get<1>(info.param);
        return std::string(std::get<0>(info.param).name) + (piece ? "_Pieces" + std::to_string(piece) : "_Whole");
    });

TEST(HttpClientReply, ProtocolErrorCarriesCodeAndBody)
{
    ClientFixture f;
    f.answerOnce("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nmissing!!");
    try {
        f.client.get(f.url("/x"));
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
    f.answerOnce(reply + "\r\n");
    EXPECT_EQ(errorOf([&] { f.client.get(f.url("/x")); }), "Max line length exceeded.");
}

TEST(HttpClientReply, SlowErrorBodyTimesOutWithinItsOwnLimit)
{
    ClientFixture f;
    f.keepOpen({"HTTP/1.1 500 Busy\r\nContent-Length: 10\r\n\r\nabc"});
    const int64_t start = f.clock.now;
    EXPECT_EQ(errorOf([&] { f.client.get(f.url("/x")); }), "Read Timeout");
    EXPECT_EQ(f.clock.now - start, 300);
}

TEST(HttpClientReply, SilentServerTimesOutAfterTheIdleLimit)
{
    ClientFixture f;
    HttpLimits limits = f.client.limits();
    limits.idleReadMs = 200;
    f.client.setLimits(limits);
    f.keepOpen({});
    EXPECT_EQ(errorOf([&] { f.client.get(f.url("/x")); }), "Read Timeout");
    EXPECT_EQ(f.clock.now, 200);
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
    std::vector<std::string> replies;
    for (int i = 1; i <= GetParam().redirects; ++i)
        replies.push_back(redirectTo("/r" + std::to_string(i)));
    replies.push_back("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
    f.keepOpen(replies);
    EXPECT_EQ(f.client.get(f.url("/start")), GetParam().result);
    const auto requests = f.dialer.requests();
    ASSERT_EQ(requests.size(), size_t(std::min(GetParam().redirects + 1, kRedirectMaximum)));
    const std::string lastTarget = requests.size() == 1 ? "/start" : "/r" + std::to_string(requests.size() - 1);
    EXPECT_EQ(requests.back().rfind("GET " + lastTarget + " HTTP/1.1\r\n", 0), 0u) << requests.back();
    EXPECT_EQ(f.dialer.dials(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpClientRedirectChainTest,
                         ::testing::Values(ChainCase{"None", 0, "done"}, ChainCase{"One", 1, "done"},
                                           ChainCase{"Fourteen", 14, "done"}, ChainCase{"Fifteen", 15, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// One redirection, as browsers follow it: what the second pass sends, where, with which cookies.
struct FollowCase {
    const char* name;
    HttpMethod method;
    std::string status;    // of the first reply, which carries the Location below
    std::string location;
    std::string line;      // request line of the second pass; empty: the first reply ends the request
    std::string place;     // where the second pass connects
    bool repeated = false;  // the second pass carries the first one's body, with its type and length
    bool typed = true;      // it names the client's content type
    std::string cookie = "sid=1";

    FollowCase(const char* name, HttpMethod method, std::string status, std::string location, std::string line,
               std::string place = {}, bool repeated = false, bool typed = true, std::string cookie = "sid=1")
        : name(name), method(method), status(std::move(status)), location(std::move(location)),
          line(std::move(line)), place(std::move(place)), repeated(repeated), typed(typed), cookie(std::move(cookie))
    {
    }
};

void PrintTo(const FollowCase& c, std::ostream* os)
{
    *os << c.name;
}

// The second pass as it must go on the wire, for a client whose content type is text/html.
std::string secondPass(const FollowCase& c)
{
    const bool post = c.method == HttpMethod::Post;
    std::string head = c.line + "\r\n" + (post ? "Connection: keep-alive\r\n" : "");
    if (c.typed || c.repeated)
        head += post ? "Content-Type: application/x-www-form-urlencoded\r\n" : "Content-Type: text/html\r\n";
    if (c.repeated)
        head += "Content-Length: 5\r\n";
    const std::string host = c.place.substr(0, c.place.find(':'));
    const std::string port = c.place.substr(c.place.find(':') + 1);
    head += "Cache-control: no-cache\r\nHost: " + host + (port == "80" ? "" : ":" + port) + "\r\n" +
            "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Torvane)\r\n" +
            (c.cookie.empty() ? "" : "Cookie: " + c.cookie + "\r\n") + "\r\n";
    return head + (c.repeated ? (post ? "a=1+2" : "a=1 2") : "");
}

class HttpClientFollowTest : public ::testing::TestWithParam<FollowCase> {};

TEST_P(HttpClientFollowTest, SecondPass)
{
    const FollowCase& c = GetParam();
    ClientFixture f;
    f.answerOnce("HTTP/1.1 " + c.status + "\r\nLocation: " + c.location +
                 "\r\nSet-Cookie: sid=1; path=/\r\nSet-Cookie: sec=2; path=/; secure\r\n"
                 "Connection: close\r\nContent-Length: 5\r\n\r\nfirst");
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecond");
    const std::string url = f.url("/form/post");
    std::string result;
    if (c.method == HttpMethod::Post)
        result = f.client.post(url, {"a=1 2"});
    else if (c.method == HttpMethod::Put)
        result = f.client.put(url, "a=1 2");
    else
        result = f.client.get(url);
    const auto requests = f.dialer.requests();
    if (c.line.empty()) {
        EXPECT_EQ(result, "first");
        EXPECT_EQ(requests.size(), 1u);
        return;
    }
    EXPECT_EQ(result, "second");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], secondPass(c));
    EXPECT_EQ(f.dialer.places(), (std::vector<std::string>{"127.0.0.1:8080", c.place}));
}

constexpr HttpMethod kGet = HttpMethod::Get, kPost = HttpMethod::Post, kPut = HttpMethod::Put;
const std::string kHere = "127.0.0.1:8080";

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientFollowTest,
    ::testing::Values(
        // After a form's POST the server has the record: its answer is fetched, never the record sent again.
        FollowCase{"Post301FetchesTheAnswer", kPost, "301 Moved", "/thanks", "GET /thanks HTTP/1.0", kHere, false, false},
        FollowCase{"Post302FetchesTheAnswer", kPost, "302 Found", "/thanks", "GET /thanks HTTP/1.0", kHere, false, false},
        FollowCase{"Post303FetchesTheAnswer", kPost, "303 See Other", "/thanks", "GET /thanks HTTP/1.0", kHere, false,
                   false},
        FollowCase{"Post307RepeatsThePost", kPost, "307 Temporary Redirect", "/there", "POST /there HTTP/1.0", kHere,
                   true},
        FollowCase{"Post308RepeatsThePost", kPost, "308 Permanent Redirect", "/there", "POST /there HTTP/1.0", kHere,
                   true},
        FollowCase{"Put301RepeatsThePut", kPut, "301 Moved", "/there", "PUT /there HTTP/1.1", kHere, true},
        FollowCase{"Put302RepeatsThePut", kPut, "302 Found", "/there", "PUT /there HTTP/1.1", kHere, true},
        FollowCase{"Put303FetchesTheAnswer", kPut, "303 See Other", "/thanks", "GET /thanks HTTP/1.1", kHere, false,
                   false},
        FollowCase{"Put307RepeatsThePut", kPut, "307 Temporary Redirect", "/there", "PUT /there HTTP/1.1", kHere, true},
        FollowCase{"Put308RepeatsThePut", kPut, "308 Permanent Redirect", "/there", "PUT /there HTTP/1.1", kHere, true},
        FollowCase{"Get301", kGet, "301 Moved", "/there", "GET /there HTTP/1.1", kHere},
        FollowCase{"Get302", kGet, "302 Found", "/there", "GET /there HTTP/1.1", kHere},
        FollowCase{"Get303", kGet, "303 See Other", "/there", "GET /there HTTP/1.1", kHere},
        FollowCase{"Get307", kGet, "307 Temporary Redirect", "/there", "GET /there HTTP/1.1", kHere},
        FollowCase{"Get308", kGet, "308 Permanent Redirect", "/there", "GET /there HTTP/1.1", kHere},
        // A success is the answer, whatever else it names.
        FollowCase{"PostOkWithLocationEnds", kPost, "200 OK", "/thanks", ""},
        FollowCase{"PutCreatedWithLocationEnds", kPut, "201 Created", "/orders/17", ""},
        FollowCase{"GetOkWithLocationEnds", kGet, "200 OK", "thanks.html", ""},
        // Where the Location leads: a reference keeps the scheme, host and port; a host without a port
        // takes its scheme's port; cookies go only to their own host, and secure ones never in the clear.
        FollowCase{"RelativeDocumentStaysOnTheServer", kPost, "302 Found", "thanks.html",
                   "GET /form/thanks.html HTTP/1.0", kHere, false, false},
        FollowCase{"DotDotStaysOnTheServer", kGet, "302 Found", "../done?x=1", "GET /done?x=1 HTTP/1.1", kHere},
        FollowCase{"OtherHostWithoutPortTakesPort80", kPost, "303 See Other", "http://localhost/thanks",
                   "GET /thanks HTTP/1.0", "localhost:80", false, false, ""},
        FollowCase{"OtherHostWithPort", kGet, "302 Found", "http://localhost:8081/x", "GET /x HTTP/1.1",
                   "localhost:8081", false, true, ""},
        FollowCase{"SchemeRelativeWithPort", kPost, "302 Found", "//localhost:8082/t", "GET /t HTTP/1.0",
                   "localhost:8082", false, false, ""},
        FollowCase{"SchemeRelativeWithoutPort", kGet, "302 Found", "//localhost/t", "GET /t HTTP/1.1", "localhost:80",
                   false, true, ""},
        FollowCase{"SameHostOtherPortKeepsCookies", kGet, "302 Found", "http://127.0.0.1:8083/t", "GET /t HTTP/1.1",
                   "127.0.0.1:8083"}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the server pointed the answer to a request it took: the first such redirection, whatever
// page the answer leads to afterwards (a login page, when the session ended in between).
TEST(HttpClientRedirect, AnswerLocationIsWhereTheTakenRequestWasPointed)
{
    struct Case {
        const char* name;
        HttpMethod method;
        std::vector<std::string> replies;
        std::string answer;  // empty: none
    };
    const std::string done = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone";
    const std::string keep = "HTTP/1.1 307 Temporary Redirect\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n";
    const Case cases[] = {
        {"thanks, then the login page", kPost, {redirectTo("/thanks"), redirectTo("/login?next=/thanks"), done}, "/thanks"},
        {"straight to the login page", kPost, {redirectTo("/login?next=/order"), done}, "/login"},
        {"repeated, then taken", kPost, {keep, redirectTo("/thanks"), done}, "/thanks"},
        {"answered without a redirection", kPost, {done}, ""},
        {"a GET is never taken", kGet, {redirectTo("/thanks"), done}, ""},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        for (const std::string& reply : c.replies)
            f.answerOnce(reply);
        if (c.method == kPost)
            f.client.post(f.url("/order"), {"a=1"});
        else
            f.client.get(f.url("/order"));
        const auto& answer = f.client.answerLocation();
        EXPECT_EQ(answer ? answer->directory + answer->document : "", c.answer) << c.name;
    }
}

TEST(HttpClientRedirect, ToHttpsWithoutAnyTlsTransportFails)
{
    ClientFixture f;
    f.answerOnce(redirectTo("https://127.0.0.1/secure"));
    EXPECT_EQ(errorOf([&] { f.client.get(f.url("/")); }), "IOHandler value is not valid");
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

// A port that wraps round onto another must not steer the client there: nothing more is dialled.
TEST(HttpClientRedirect, PortTooLargeToHoldFailsAndConnectsNowhere)
{
    struct Case {
        const char* name;
        int bits;  // the port is 2^bits + 18321; 0 means 18321 + 65536
    };
    const Case cases[] = {{"Beyond16Bits", 0}, {"Beyond32Bits", 32}, {"Beyond64Bits", 64}};
    for (const Case& c : cases) {
        ClientFixture f;
        const std::string port = c.bits == 0 ? std::to_string(18321 + 65536) : wrappedPort(c.bits, 18321);
        f.answerOnce(redirectTo("http://127.0.0.1:" + port + "/next"));
        EXPECT_EQ(errorOf([&] { f.client.get(f.url("/")); }), "'" + port + "' is not a valid integer value")
            << c.name;
        EXPECT_EQ(f.dialer.dials(), 1u) << c.name;
    }
}

TEST(HttpClientRedirect, AnotherPortGetsItsOwnConnection)
{
    ClientFixture f;
    f.keepOpen({redirectTo("http://127.0.0.1:8081/there")});
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(f.client.get(f.url("/here")), "ok");
    EXPECT_EQ(f.dialer.dials(), 2u);
    EXPECT_TRUE(f.dialer.peer(0).closedByClient);
    EXPECT_EQ(f.dialer.peer(1).requests.at(0).substr(0, 21), "GET /there HTTP/1.1\r\n");
}

struct FateCase {
    const char* name;
    std::vector<FakePeer> peers;
    bool post;
    std::string error;
    RequestFate fate;
    std::string url = "/form";  // a path on the fixture's server, or a whole URL
};

void PrintTo(const FateCase& c, std::ostream* os)
{
    *os << c.name;
}

FakePeer peerWith(std::vector<std::string> replies, FakePeer::End end = FakePeer::End::Close)
{
    FakePeer p;
    p.replies = std::move(replies);
    p.end = end;
    return p;
}

FakePeer failingDial(std::string error)
{
    FakePeer p;
    p.dialError = std::move(error);
    return p;
}

FakePeer failingWrites(int error)
{
    FakePeer p;
    p.writeError = error;
    return p;
}

class HttpClientFateTest : public ::testing::TestWithParam<FateCase> {};

TEST_P(HttpClientFateTest, TellsHowFarTheRequestGot)
{
    const FateCase& c = GetParam();
    ClientFixture f;
    for (const FakePeer& p : c.peers)
        f.dialer.add(p);
    const std::string url = c.url.rfind("http", 0) == 0 ? c.url : f.url(c.url);
    const std::string error = errorOf([&] {
        if (c.post)
            f.client.post(url, {"a=1"});
        else
            f.client.get(url);
    });
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(int(f.client.lastRequestFate()), int(c.fate));
}

const std::string kRefused = "Socket Error # 10061\r\nConnection refused.";
const std::string kReset = "Socket Error # 10054\r\nConnection reset by peer.";
const std::string kTaken = "HTTP/1.0 303 See Other\r\nLocation: /orders/17\r\nContent-Length: 0\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientFateTest,
    ::testing::Values(
        FateCase{"RefusedIsNotSent", {}, true, kRefused, RequestFate::NotSent},
        FateCase{"HostNotFoundIsNotSent", {failingDial("Socket Error # 11001\r\nHost not found.")}, true,
                 "Socket Error # 11001\r\nHost not found.", RequestFate::NotSent},
        FateCase{"BadPortIsNotSent", {}, false, "'99999' is not a valid integer value", RequestFate::NotSent,
                 "http://127.0.0.1:99999/x"},
        FateCase{"WriteResetIsInDoubt", {failingWrites(ECONNRESET)}, true, kReset, RequestFate::InDoubt},
        FateCase{"CloseBeforeStatusLineIsInDoubt", {peerWith({})}, true, "Connection Closed Gracefully.",
                 RequestFate::InDoubt},
        FateCase{"ResetBeforeStatusLineIsInDoubt", {peerWith({}, FakePeer::End::Reset)}, true, kReset,
                 RequestFate::InDoubt},
        FateCase{"SilenceIsInDoubt", {peerWith({}, FakePeer::End::Silent)}, true, "Read Timeout",
                 RequestFate::InDoubt},
        FateCase{"HeadCutByCloseIsInDoubt", {peerWith({"HTTP/1.0 200 OK\r\nContent-Length: 5"})}, true,
                 "Undefined situation", RequestFate::InDoubt},
        FateCase{"ErrorStatusIsAnswered", {peerWith({"HTTP/1.0 500 Oops\r\nContent-Length: 0\r\n\r\n"})}, true,
                 "HTTP/1.0 500 Oops", RequestFate::Answered},
        FateCase{"ErrorStatusWithUnreadableBodyIsAnswered",
                 {peerWith({"HTTP/1.0 503 Busy\r\nContent-Length: 10\r\n\r\nab"}, FakePeer::End::Silent)}, true,
                 "Read Timeout", RequestFate::Answered},
        FateCase{"ErrorAfterRepeatIsAnswered",
                 {peerWith({"HTTP/1.0 307 Temporary Redirect\r\nLocation: /next\r\n\r\n"}),
                  peerWith({"HTTP/1.0 404 Not Found\r\n\r\n"})},
                 true, "HTTP/1.0 404 Not Found", RequestFate::Answered},
        FateCase{"ErrorAfterFormRedirectIsInDoubt",
                 {peerWith({"HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n"}),
                  peerWith({"HTTP/1.0 405 Method Not Allowed\r\n\r\n"})},
                 true, "HTTP/1.0 405 Method Not Allowed", RequestFate::InDoubt},
        FateCase{"ErrorAfterGetRedirectIsAnswered",
                 {peerWith({"HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n"}),
                  peerWith({"HTTP/1.0 404 Not Found\r\n\r\n"})},
                 false, "HTTP/1.0 404 Not Found", RequestFate::Answered},
        FateCase{"ErrorAfterTakenIsInDoubt", {peerWith({kTaken}), peerWith({"HTTP/1.0 404 Not Found\r\n\r\n"})},
                 true, "HTTP/1.0 404 Not Found", RequestFate::InDoubt},
        FateCase{"RefusedAfterTakenIsInDoubt", {peerWith({kTaken})}, true, kRefused, RequestFate::InDoubt},
        FateCase{"ResetAfterTakenIsInDoubt", {peerWith({kTaken}), peerWith({}, FakePeer::End::Reset)}, true, kReset,
                 RequestFate::InDoubt},
        FateCase{"SilenceAfterTakenIsInDoubt", {peerWith({kTaken}), peerWith({}, FakePeer::End::Silent)}, true,
                 "Read Timeout", RequestFate::InDoubt},
        FateCase{"GetErrorIsAnswered", {peerWith({"HTTP/1.1 410 Gone\r\n\r\n"})}, false, "HTTP/1.1 410 Gone",
                 RequestFate::Answered}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClientConnection, RefusedConnectionIsReported)
{
    ClientFixture f;
    EXPECT_EQ(errorOf([&] { f.client.get(f.url("/")); }), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(f.events.lines, (std::vector<std::string>{"status Disconnecting.", "status Disconnected.",
                                                        "status Connecting to 127.0.0.1.", "status Disconnecting.",
                                                        "status Disconnected."}));
    EXPECT_FALSE(f.client.connectionOpen());
}

TEST(HttpClientConnection, HttpsWithoutTransportFails)
{
    ClientFixture f;
    EXPECT_EQ(errorOf([&] { f.client.get("https://127.0.0.1/"); }), "IOHandler value is not valid");
    EXPECT_EQ(f.dialer.dials(), 0u);
}

TEST(HttpClientConnection, KeepAliveReusesUntilServerSaysClose)
{
    ClientFixture f;
    f.keepOpen({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na",
                "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\nb"});
    f.keepOpen({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nc"});
    EXPECT_EQ(f.client.get(f.url("/1")), "a");
    EXPECT_TRUE(f.client.connectionOpen());
    EXPECT_EQ(f.client.get(f.url("/2")), "b");
    EXPECT_FALSE(f.client.connectionOpen());
    EXPECT_EQ(f.client.get(f.url("/3")), "c");
    EXPECT_EQ(f.dialer.dials(), 2u);
}

TEST(HttpClientConnection, IdleCloseByServerIsNoticedBeforeReuse)
{
    ClientFixture f;
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na");
    f.answerOnce("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb");
    EXPECT_EQ(f.client.get(f.url("/1")), "a");
    EXPECT_EQ(f.client.get(f.url("/2")), "b");
    EXPECT_EQ(f.dialer.dials(), 2u);
}

TEST(HttpClientConnection, PostAfterGetClosesTheOpenConnectionFirst)
{
    ClientFixture f;
    f.keepOpen({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na"});
    f.answerOnce("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nb");
    f.client.get(f.url("/1"));
    f.events.lines.clear();
    f.client.post(f.url("/2"), {"x=y"});
    const auto lines = f.events.withoutProgress();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
              (std::vector<std::string>{"status Disconnecting.", "status Disconnected.", "status Disconnecting.",
                                        "status Disconnected.", "status Connecting to 127.0.0.1.",
                                        "status Connected."}));
    EXPECT_EQ(f.dialer.dials(), 2u);
}

TEST(HttpClientCookies, SetCookieIsSentBack)
{
    ClientFixture f;
    f.keepOpen({"HTTP/1.1 302 Found\r\nSet-Cookie: sid=77; path=/\r\nSet-Cookie: step=2; path=/cgi-bin/\r\n"
                "Location: /cgi-bin/step2\r\nContent-Length: 0\r\n\r\n",
                "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
    f.client.get(f.url("/cgi-bin/step1"));
    const auto requests = f.dialer.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].find("User-Agent: Mozilla/3.0 (compatible; Torvane)\r\nCookie: step=2; sid=77\r\n\r\n"),
              std::string::npos);
}

TEST(HttpClientEvents, TransfersOfABody)
{
    ClientFixture f;
    f.keepOpen({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
                "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
    f.client.put(f.url("/1"), "12345");
    f.client.get(f.url("/2"));
    EXPECT_EQ(f.events.lines,
              (std::vector<std::string>{"status Disconnecting.", "status Disconnected.",
                                        "status Connecting to 127.0.0.1.", "status Connected.", "workBegin W 5",
                                        "work W 5", "workEnd W", "status Chunk Started", "workBegin R 3", "work R 3",
                                        "workEnd R", "workBegin R 2", "work R 2", "workEnd R"}));
}

}  // namespace
}  // namespace torvane
