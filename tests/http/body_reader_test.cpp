#include "http/body_reader.h"

#include <gtest/gtest.h>
#include <ostream>

#include "http/body_buffer.h"
#include "http/connection.h"
#include "support/error_text.h"
#include "support/fake_stream.h"
#include "support/recording_http_events.h"

namespace torvane {
namespace {

using test::FakePeer;

struct Reading {
    test::FakeClock clock;
    test::FakeDialer dialer{clock};
    test::RecordingHttpEvents events;
    Connection connection{clock, &dialer};
    int closes = 0;

    Reading(std::string bytes, size_t maxPiece, FakePeer::End end = FakePeer::End::Close)
    {
        FakePeer peer;
        peer.replies = {std::move(bytes)};
        peer.maxPiece = maxPiece;
        peer.seed = unsigned(maxPiece * 31 + 5);
        peer.end = end;
        dialer.add(std::move(peer));
        ConnectionHooks hooks;
        hooks.closedByServer = [this] { ++closes; };
        connection.setHooks(hooks);
        connection.setReadTimeoutMs(1000);
        connection.connect("127.0.0.1", 80);
        connection.write("GET / HTTP/1.1\r\n\r\n");
    }
    std::string read(const BodyFraming& framing, bool keep = true)
    {
        BodyBuffer out;
        readReplyBody(connection, events, framing, out, keep);
        return out.take();
    }
};

using test::errorOf;

class BodyReaderTest : public ::testing::TestWithParam<size_t> {};

TEST_P(BodyReaderTest, CountedPiecesThenTheRestUntilClose)
{
    Reading r("0123456789tail", GetParam());
    EXPECT_EQ(r.read({BodyFraming::Counted, 4}), "0123");
    EXPECT_EQ(r.read({BodyFraming::Counted, 6}), "456789");
    EXPECT_EQ(r.read({BodyFraming::UntilClose, 0}), "tail");
    EXPECT_EQ(r.closes, 1);
}

TEST_P(BodyReaderTest, ChunkCutShortByCloseFailsAndAWholeBodyDoesNot)
{
    {
        Reading r("3\r\nabc\r\n10\r\nonly-this", GetParam());
        EXPECT_EQ(errorOf([&] { r.read({BodyFraming::Chunked, 0}); }), "Connection Closed Gracefully.");
        EXPECT_EQ(r.closes, 1);
        EXPECT_FALSE(r.connection.connected());
    }
    {
        Reading r(std::string(40, 'b'), GetParam());
        EXPECT_EQ(r.read({BodyFraming::Counted, 100}), std::string(40, 'b'));
    }
}

TEST_P(BodyReaderTest, BodyReadPastIsNotKeptButCounted)
{
    Reading r("0123456789", GetParam());
    EXPECT_EQ(r.read({BodyFraming::Counted, 10}, false), "");
    EXPECT_EQ(r.events.lines.front(), "workBegin R 10");
    EXPECT_EQ(r.events.lines.at(r.events.lines.size() - 2), "work R 10");
    EXPECT_EQ(r.events.lines.back(), "workEnd R");
}

TEST_P(BodyReaderTest, ChunkedReportsEveryChunk)
{
    Reading r("3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", GetParam());
    EXPECT_EQ(r.read({BodyFraming::Chunked, 0}), "abcde");
    const auto lines = r.events.withoutProgress();
    EXPECT_EQ(lines, (std::vector<std::string>{"status Chunk Started", "workBegin R 3", "workEnd R",
                                               "workBegin R 2", "workEnd R"}));
    EXPECT_TRUE(r.connection.connected());
}

TEST_P(BodyReaderTest, SilenceInABodyEndsTheTransferWithReadTimeout)
{
    Reading r("abc", GetParam(), FakePeer::End::Silent);
    EXPECT_EQ(errorOf([&] { r.read({BodyFraming::Counted, 10}); }), "Read Timeout");
    EXPECT_EQ(r.events.lines.back(), "workEnd R");
    EXPECT_EQ(r.clock.now, 1000);
}

INSTANTIATE_TEST_SUITE_P(Pieces, BodyReaderTest, ::testing::Values(size_t(0), size_t(1), size_t(4)),
                         [](const auto& info) {
                             return info.param ? "Pieces" + std::to_string(info.param) : std::string("Whole");
                         });

TEST(BodyReader, NoBodyReadsNothing)
{
    Reading r("untouched", 0);
    EXPECT_EQ(r.read({BodyFraming::None, 0}), "");
    EXPECT_TRUE(r.events.lines.empty());
    EXPECT_EQ(r.connection.readLine(), "");  // the bytes are still there, ended by the close
}

}  // namespace
}  // namespace torvane
