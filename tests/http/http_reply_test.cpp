#include "http/http_reply.h"

#include <gtest/gtest.h>
#include <ostream>

namespace torvane {
namespace {

HttpResponse headOf(const std::string& statusLine, const std::vector<std::string>& lines)
{
    ReplyHead head(statusLine);
    for (const auto& l : lines)
        head.addLine(l);
    return std::move(head).finish();
}

TEST(HttpReply, StatusCodes)
{
    for (const auto& [line, code] : std::vector<std::pair<std::string, int>>{
             {"HTTP/1.1 200 OK", 200}, {"HTTP/1.0   404   Not Found", 404}, {"HTTP/1.1 302", 302},
             {"garbage", -1}, {"HTTP/1.1 abc OK", -1}, {"", -1}, {"HTTP/1.1 ", -1}})
        EXPECT_EQ(statusCodeOf(line), code) << line;
}

TEST(HttpReply, ChunkSizes)
{
    for (const auto& [line, size] : std::vector<std::pair<std::string, int64_t>>{
             {"5", 5}, {"1a", 26}, {"1A ; ext", 26}, {"1a;name=x", 0}, {"", 0}, {"0", 0}, {"zz", 0},
             {"7fffffffffffff", 0x7fffffffffffff}, {"1000000000000000", 0}})
        EXPECT_EQ(chunkSizeOf(line), size) << line;
}

TEST(HttpReply, HeadFieldsComeFromTheirFirstHeader)
{
    const HttpResponse r = headOf("HTTP/1.1 302 Found", {"location: /a", "Location: /b", "Content-Length: x",
                                                         "Content-Length: 7", "Connection:  close ",
                                                         "Transfer-Encoding: chunked", "NoColon"});
    EXPECT_EQ(r.code, 302);
    EXPECT_EQ(r.location, "/a");
    EXPECT_EQ(r.contentLength, -1);  // the first length is the one, and it is not a number
    EXPECT_EQ(r.connection, "close");
    EXPECT_EQ(r.transferEncoding, "chunked");
    EXPECT_EQ(r.headers.back(), (std::pair<std::string, std::string>{"NoColon", ""}));
}

TEST(HttpReply, ContinuationLinesJoinTheHeaderBefore)
{
    const HttpResponse r = headOf("HTTP/1.1 200 OK", {"X-A: one", " two ", "\tthree", "Content-Length:", " 4"});
    // Only blanks are trimmed from a continuation; a tab stays in the value.
    EXPECT_EQ(r.headers.at(0).second, "one two \tthree");
    // A length folded onto its own line starts with the joining blank and is no number.
    EXPECT_EQ(r.headers.at(1).second, " 4");
    EXPECT_EQ(r.contentLength, -1);
}

TEST(HttpReply, HeaderBlockIsBounded)
{
    ReplyHead head("HTTP/1.1 200 OK");
    const std::string line = "X-Filler: " + std::string(1000, 'f');
    EXPECT_THROW(
        {
            for (int i = 0; i < 2000; ++i)
                head.addLine(line);
        },
        Error);
}

struct FramingCase {
    const char* name;
    int64_t contentLength;
    std::string transferEncoding;
    BodyFraming::Kind kind;
};

void PrintTo(const FramingCase& c, std::ostream* os)
{
    *os << c.name;
}

class HttpReplyFramingTest : public ::testing::TestWithParam<FramingCase> {};

TEST_P(HttpReplyFramingTest, Frames)
{
    HttpResponse r;
    r.contentLength = GetParam().contentLength;
    r.transferEncoding = GetParam().transferEncoding;
    const BodyFraming f = framingOf(r);
    EXPECT_EQ(f.kind, GetParam().kind);
    if (f.kind == BodyFraming::Counted) {
        EXPECT_EQ(f.length, GetParam().contentLength);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpReplyFramingTest,
                         ::testing::Values(FramingCase{"Length", 5, "", BodyFraming::Counted},
                                           FramingCase{"LengthWinsOverChunks", 3, "chunked", BodyFraming::Counted},
                                           FramingCase{"Chunks", -1, "Chunked", BodyFraming::Chunked},
                                           FramingCase{"ZeroLengthWithChunks", 0, "gzip, chunked", BodyFraming::Chunked},
                                           FramingCase{"NoLength", -1, "", BodyFraming::UntilClose},
                                           FramingCase{"ZeroLength", 0, "", BodyFraming::None},
                                           FramingCase{"OtherEncoding", -1, "gzip", BodyFraming::UntilClose}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HttpReply, KeepAlive)
{
    struct Case {
        std::string connection, proxy;
        bool http10, keep;
    };
    for (const Case& c : std::vector<Case>{{"", "", false, true},
                                           {"close", "", false, false},
                                           {" Close ", "", false, false},
                                           {"", "close", false, false},
                                           {"", "", true, false},
                                           {"Keep-Alive", "", true, true},
                                           {"", "keep-alive", true, true},
                                           {"close", "keep-alive", true, true}}) {
        HttpResponse r;
        r.connection = c.connection;
        r.proxyConnection = c.proxy;
        EXPECT_EQ(keepAliveAllowed(r, c.http10), c.keep) << c.connection << "|" << c.proxy << "|" << c.http10;
    }
}

TEST(HttpReply, Verdicts)
{
    for (const auto& [code, location, verdict] : std::vector<std::tuple<int, std::string, Verdict>>{
             {200, "", Verdict::Success}, {204, "", Verdict::Success}, {200, "x", Verdict::Success},
             {201, "/o", Verdict::Success}, {302, "", Verdict::Redirect}, {301, "/a", Verdict::Redirect},
             {304, "", Verdict::Failure}, {304, "/a", Verdict::Redirect}, {404, "", Verdict::Failure},
             {404, "/a", Verdict::Redirect}, {-1, "", Verdict::Failure}, {100, "", Verdict::Failure}}) {
        HttpResponse r;
        r.code = code;
        r.location = location;
        EXPECT_EQ(int(verdictOf(r)), int(verdict)) << code << " " << location;
    }
}

}  // namespace
}  // namespace torvane
