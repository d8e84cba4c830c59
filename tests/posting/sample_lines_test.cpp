// The field mapper's sample of an export file: which records it holds and how far it reads, the
// columns of a line in bytes and in characters, and the columns and overlaps of the definitions.
#include "posting/sample_lines.h"

#include "posting/record_fields.h"
#include "support/temp_dir.h"
#include "util/encoding.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct SampleCase {
    const char* name;
    std::string bytes;
    int32_t skip;
    std::vector<std::pair<int64_t, std::string>> lines;  // line number, text
};

TEST(ReadSampleLinesTest, TheRecordsARunWouldReadFirst)
{
    const SampleCase cases[] = {
        {"skips the leading lines, numbers lines in the file", "head\nr1\nr2\n", 1, {{2, "r1"}, {3, "r2"}}},
        {"CR LF and lone CRs go as in a run", "a\r\nb\rc\r\n", 0, {{1, "a"}, {2, "bc"}}},
        {"last line without a break", "a\nb", 0, {{1, "a"}, {2, "b"}}},
        {"an empty line is a record", "a\n\nb\n", 0, {{1, "a"}, {2, ""}, {3, "b"}}},
        {"Ctrl-Z ends the file", "a\nb\x1A\nc\n", 0, {{1, "a"}, {2, "b"}}},
        {"more to skip than there are lines", "a\nb\n", 5, {}},
        {"a skip below 0 skips nothing", "a\n", -3, {{1, "a"}}},
    };
    test::TempDir dir;
    for (const SampleCase& c : cases) {
        dir.write("export.txt", c.bytes);
        const std::vector<SampleLine> got = readSampleLines(dir.file("export.txt"), c.skip);
        ASSERT_EQ(got.size(), c.lines.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].lineNumber, c.lines[i].first) << c.name;
            EXPECT_EQ(got[i].text, c.lines[i].second) << c.name;
            EXPECT_FALSE(got[i].cut) << c.name;
        }
    }
}

TEST(ReadSampleLinesTest, TwentyRecordsAndNoMoreThanTheLimitOfALine)
{
    test::TempDir dir;
    std::string bytes = "header\n";
    for (int i = 1; i <= 30; ++i)
        bytes += "record " + std::to_string(i) + "\r\n";
    dir.write("export.txt", bytes);
    const std::vector<SampleLine> lines = readSampleLines(dir.file("export.txt"), 1);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front().text, "record 1");
    EXPECT_EQ(lines.back().text, "record 20");
    EXPECT_EQ(lines.back().lineNumber, 21);

    // A line longer than the limit keeps its beginning; the next line is read whole after it.
    dir.write("long.txt", std::string(5000, 'x') + "\r\nnext\r\n" + std::string(10, 'y') + "\r\r\r\n");
    const std::vector<SampleLine> cut = readSampleLines(dir.file("long.txt"), 0, 20, 10);
    ASSERT_EQ(cut.size(), 3u);
    EXPECT_EQ(cut[0].text, std::string(10, 'x'));
    EXPECT_TRUE(cut[0].cut);
    EXPECT_EQ(cut[1].text, "next");
    EXPECT_FALSE(cut[1].cut);
    EXPECT_EQ(cut[2].text, std::string(10, 'y'));
    EXPECT_FALSE(cut[2].cut) << "only carriage returns were left out";
}

TEST(ReadSampleLinesTest, AFileThatCannotBeOpenedThrowsTheReadersError)
{
    test::TempDir dir;
    try {
        readSampleLines(dir.file("missing.txt"), 0);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + dir.file("missing.txt") + "\".", 0), 0u)
            << e.what();
    }
}

TEST(ColumnOffsetsTest, BytesOrCharacters)
{
    const CharacterCutter utf8("UTF-8");
    const CharacterCutter latin1("ISO-8859-1");
    struct Case {
        const char* name;
        std::string line;
        const CharacterCutter* characters;
        std::vector<size_t> offsets;
    };
    const Case cases[] = {
        {"empty line", "", nullptr, {0}},
        {"bytes", "ab\xC3\xBC", nullptr, {0, 1, 2, 3, 4}},
        {"UTF-8 characters", "ab\xC3\xBC" "c", &utf8, {0, 1, 2, 4, 5}},
        {"a byte that starts no character is one column", "a\xFF" "b", &utf8, {0, 1, 2, 3}},
        {"a single-byte encoding", "a\xFC" "b", &latin1, {0, 1, 2, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(columnOffsets(c.line, c.characters), c.offsets) << c.name;
}

FieldSettings mapped(int32_t start, int32_t length)
{
    FieldSettings f;
    f.ImportStart = start;
    f.ImportLength = length;
    return f;
}

TEST(LineMappedRangesTest, TheColumnsARunCutsFrom)
{
    const std::vector<FieldSettings> definitions = {
        mapped(1, 8),    // 0: columns 1-8
        mapped(0, 5),    // 1: a default or overflow field takes nothing from the line
        mapped(9, 10),   // 2: 9-18
        mapped(-3, 4),   // 3: a start below 1 counts as 1
        mapped(20, 0),   // 4: a length below 1 takes nothing
        mapped(30, -2),  // 5
    };
    const std::vector<ColumnRange> ranges = lineMappedRanges(definitions);
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[0].field, 0u);
    EXPECT_EQ(ranges[0].first, 1);
    EXPECT_EQ(ranges[0].last, 8);
    EXPECT_EQ(ranges[1].field, 2u);
    EXPECT_EQ(ranges[1].first, 9);
    EXPECT_EQ(ranges[1].last, 18);
    EXPECT_EQ(ranges[2].field, 3u);
    EXPECT_EQ(ranges[2].first, 1);
    EXPECT_EQ(ranges[2].last, 4);
}

TEST(ColumnOverlapsTest, ColumnsTakenTwice)
{
    struct Overlap {
        int64_t first, last;
        std::vector<size_t> fields;
        bool operator==(const Overlap&) const = default;
    };
    struct Case {
        const char* name;
        std::vector<ColumnRange> ranges;
        std::vector<Overlap> overlaps;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"side by side is no overlap", {{0, 1, 8}, {1, 9, 18}}, {}},
        {"one column shared", {{0, 1, 9}, {1, 9, 18}}, {{9, 9, {0, 1}}}},
        {"one inside another", {{0, 1, 20}, {1, 5, 6}}, {{5, 6, {0, 1}}}},
        {"the same columns twice", {{0, 3, 4}, {1, 3, 4}}, {{3, 4, {0, 1}}}},
        {"three fields, the middle taken by all",
         {{0, 1, 10}, {1, 5, 15}, {2, 8, 20}},
         {{5, 7, {0, 1}}, {8, 10, {0, 1, 2}}, {11, 15, {1, 2}}}},
        {"ranges given out of column order", {{1, 10, 12}, {0, 1, 11}}, {{10, 11, {0, 1}}}},
    };
    for (const Case& c : cases) {
        std::vector<Overlap> got;
        for (const ColumnOverlap& o : columnOverlaps(c.ranges))
            got.push_back({o.first, o.last, o.fields});
        EXPECT_EQ(got, c.overlaps) << c.name;
    }
}

}  // namespace
}  // namespace torvane
