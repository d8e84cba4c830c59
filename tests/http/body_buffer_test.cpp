#include "http/body_buffer.h"

#include <cstring>
#include <gtest/gtest.h>

namespace torvane {
namespace {

// Appends in the given piece sizes and checks every byte survives growth and hand-over, with no
// announced length, the true one, one too short and too long (a server that lies either way), and
// one too large to set room aside for.
TEST(BodyBuffer, KeepsEveryByteAcrossGrowthAndHandOver)
{
    enum Announced { Unknown, Exact, Half, Double, Absurd };
    const std::vector<std::vector<size_t>> cases = {
        {},
        {1},
        {32768, 32768, 5},
        {(size_t(1) << 20) - 1, 2, 7},                 // just past the first mapping
        {size_t(3) << 20, size_t(3) << 20, 12345},     // several growth steps, past one hand-over step
        {size_t(9) << 20},                            // one piece larger than everything before it
    };
    for (const auto& pieces : cases)
    for (const Announced announced : {Unknown, Exact, Half, Double, Absurd}) {
        BodyBuffer buffer;
        size_t total = 0;
        for (const size_t n : pieces)
            total += n;
        const uint64_t lengths[] = {0, total, total / 2, total * 2, uint64_t(1) << 40};
        buffer.expect(lengths[announced]);
        std::string expected;
        unsigned char next = 0;
        for (const size_t n : pieces) {
            std::string piece(n, '\0');
            for (auto& c : piece)
                c = char(next++ * 7 + 3);
            if (n % 2) {
                buffer.append(piece.data(), n);
            } else {
                std::memcpy(buffer.prepare(n), piece.data(), n);
                buffer.commit(n);
            }
            expected += piece;
        }
        EXPECT_EQ(buffer.size(), expected.size());
        const std::string taken = buffer.take();
        EXPECT_TRUE(taken == expected) << "pieces: " << pieces.size() << " size " << expected.size()
                                     << " announced " << lengths[announced];
        EXPECT_LE(taken.capacity(), taken.size() + (size_t(4) << 20)) << "announced " << lengths[announced];
        EXPECT_EQ(buffer.size(), 0u);
        EXPECT_EQ(buffer.take(), "");
        buffer.append("again", 5);
        EXPECT_EQ(buffer.take(), "again");
    }
}

TEST(BodyBuffer, ClearDiscardsButKeepsRoom)
{
    for (const uint64_t announced : {0, 5}) {
        BodyBuffer buffer;
        buffer.expect(announced);
        buffer.append("abc", 3);
        buffer.clear();
        buffer.append("de", 2);
        EXPECT_EQ(buffer.take(), "de");
    }
}

}  // namespace
}  // namespace torvane
