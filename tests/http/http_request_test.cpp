#include "http/http_request.h"

#include <gtest/gtest.h>
#include <ostream>

namespace torvane {
namespace {

struct RenderCase {
    const char* name;
    HttpRequest request;
    std::string bytes;
};

void PrintTo(const RenderCase& c, std::ostream* os)
{
    *os << c.name;
}

HttpRequest request(HttpMethod method, bool http10, std::string connection, std::string contentType,
                    int64_t length, std::string cookie = "")
{
    HttpRequest r;
    r.method = method;
    r.target = "/a?b=1";
    r.http10 = http10;
    r.connection = std::move(connection);
    r.contentType = std::move(contentType);
    r.contentLength = length;
    r.cacheControl = "no-cache";
    r.host = "example.test:8080";
    r.accept = "text/html, */*";
    r.userAgent = "Mozilla/3.0 (compatible; Torvane)";
    r.cookie = std::move(cookie);
    return r;
}

const std::string kEnd = "Cache-control: no-cache\r\nHost: example.test:8080\r\nAccept: text/html, */*\r\n"
                         "User-Agent: Mozilla/3.0 (compatible; Torvane)\r\n";

class RenderRequestTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderRequestTest, Bytes)
{
    EXPECT_EQ(renderRequestHead(GetParam().request), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderRequestTest,
    ::testing::Values(
        RenderCase{"PostOfHttp10", request(HttpMethod::Post, true, "keep-alive", "application/x-www-form-urlencoded", 27),
                   "POST /a?b=1 HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                   "Content-Length: 27\r\n" + kEnd + "\r\n"},
        RenderCase{"GetLeavesOutTheEmptyAndTheLength", request(HttpMethod::Get, false, "", "text/html", -1),
                   "GET /a?b=1 HTTP/1.1\r\nContent-Type: text/html\r\n" + kEnd + "\r\n"},
        RenderCase{"PutWithZeroLength", request(HttpMethod::Put, false, "", "", 0),
                   "PUT /a?b=1 HTTP/1.1\r\nContent-Length: 0\r\n" + kEnd + "\r\n"},
        RenderCase{"CookieComesLast", request(HttpMethod::Get, false, "", "", -1, "a=1; b=2"),
                   "GET /a?b=1 HTTP/1.1\r\n" + kEnd + "Cookie: a=1; b=2\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FoldHeaderLine, ShortLinesStay)
{
    const std::string line = "Cookie: " + std::string(1016, 'a');
    EXPECT_EQ(foldHeaderLine(line), line);
}

TEST(FoldHeaderLine, BreaksAfterBlankTabOrCommaOutsideQuotes)
{
    std::string line = "Cookie: ";
    for (int i = 0; i < 60; ++i)
        line += "c" + std::to_string(i) + "=" + std::string(30, 'v') + "; ";
    const std::string folded = foldHeaderLine(line);
    size_t start = 0;
    int lines = 0;
    std::string joined;
    while (start <= folded.size()) {
        size_t end = folded.find("\r\n", start);
        if (end == std::string::npos)
            end = folded.size();
        const std::string part = folded.substr(start, end - start);
        EXPECT_LE(part.size(), 1024u);
        if (lines > 0) {
            ASSERT_FALSE(part.empty());
            EXPECT_EQ(part[0], ' ');
            joined += part.substr(1);
        } else {
            joined += part;
        }
        ++lines;
        start = end + 2;
    }
    EXPECT_GE(lines, 2);
    EXPECT_EQ(joined, line);  // folding only inserts line breaks
}

TEST(FoldHeaderLine, NoBreakInsideQuotesOrWithoutBlank)
{
    const std::string value = "\"" + std::string(600, 'q') + " " + std::string(600, 'q') + "\"";
    EXPECT_EQ(foldHeaderLine("X: " + value), "X: \r\n " + value);
    const std::string solid = "X: " + std::string(2000, 's');
    // The only blank is the one after the name: the line breaks there and nowhere else.
    EXPECT_EQ(foldHeaderLine(solid), "X: \r\n " + std::string(2000, 's'));
}

}  // namespace
}  // namespace torvane
