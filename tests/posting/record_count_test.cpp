// Counting an export file's records: the line rules of the run, the skipped lines, pieces that split a
// line ending, a file counted beside the run, and the count agreeing with what the run reads.
#include "posting/record_count.h"

#include "posting/export_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct LineCase {
    const char* name;
    std::string bytes;
    int64_t lines;
};

const LineCase kLineCases[] = {
    {"empty file", "", 0},
    {"one line without a break", "abc", 1},
    {"one line with LF", "abc\n", 1},
    {"CR LF endings", "a\r\nb\r\n", 2},
    {"last line without a break counts", "a\r\nb", 2},
    {"empty lines are lines", "\n\n\n", 3},
    {"a lone CR ends no line", "a\rb\rc\n", 1},
    {"a CR at the very end is a line of its own bytes", "a\n\r", 2},
    {"Ctrl-Z ends the file", "a\nb\x1A\nc\nd\n", 2},
    {"Ctrl-Z at the start", "\x1A" "a\nb\n", 0},
    {"Ctrl-Z right after a break", "a\n\x1A", 1},
};

TEST(LineCounterTest, FollowsTheLineRulesWhateverThePieces)
{
    for (const LineCase& c : kLineCases) {
        // Whole, and in every split into two pieces (a CR LF cut between its bytes included).
        for (size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            LineCounter counter;
            counter.feed(std::string_view(c.bytes).substr(0, cut));
            counter.feed(std::string_view(c.bytes).substr(cut));
            EXPECT_EQ(counter.lines(), c.lines) << c.name << ", cut at " << cut;
        }
        LineCounter bytewise;
        for (char ch : c.bytes)
            bytewise.feed(std::string_view(&ch, 1));
        EXPECT_EQ(bytewise.lines(), c.lines) << c.name << ", byte by byte";
    }
}

TEST(LineCounterTest, NothingCountsAfterCtrlZ)
{
    LineCounter counter;
    counter.feed("a\nb");
    counter.feed("\x1A");
    EXPECT_TRUE(counter.ended());
    counter.feed("\nc\nd\n");
    EXPECT_EQ(counter.lines(), 2);
}

// The count is the number of records the run's reader yields after the same skip.
TEST(CountExportRecordsTest, AgreesWithTheRunsReader)
{
    test::TempDir dir;
    for (const LineCase& c : kLineCases) {
        dir.write("export.txt", c.bytes);
        for (int32_t skip : {-1, 0, 1, 2, 5}) {
            ExportFileReader reader(dir.file("export.txt"));
            skipLeadingLines(reader, skip);
            int64_t records = 0;
            for (std::string line; reader.readLine(line);)
                ++records;
            EXPECT_EQ(countExportRecords(dir.file("export.txt"), skip), records) << c.name << ", skip " << skip;
        }
    }
}

TEST(CountExportRecordsTest, AFileThatCannotBeReadOrAStopGivesNoCount)
{
    test::TempDir dir;
    EXPECT_EQ(countExportRecords(dir.file("missing.txt"), 0), -1);
    EXPECT_EQ(countExportRecords(dir.path(), 0), -1) << "a folder";
    dir.write("export.txt", "a\nb\n");
    const std::atomic<bool> stop{true};
    EXPECT_EQ(countExportRecords(dir.file("export.txt"), 0, &stop), -1);
}

TEST(RecordCountTest, SmallFilesAtOnceLargeOnesBesideTheRun)
{
    test::TempDir dir;
    dir.write("small.txt", "head\nr1\nr2\r\nr3");
    const RecordCount small(dir.file("small.txt"), 1);
    EXPECT_EQ(small.total(), 3) << "known as soon as it is made";

    // Longer than what is counted at once: 100-byte lines, the last one without its break.
    const std::string line(99, 'x');
    std::string big;
    const int64_t lines = RecordCount::kCountedAtOnce / 100 + 1000;
    big.reserve(static_cast<size_t>(lines * 100));
    for (int64_t i = 0; i < lines; ++i)
        big += line + (i + 1 < lines ? "\n" : "");
    dir.write("big.txt", big);
    RecordCount count(dir.file("big.txt"), 2);
    count.wait();
    EXPECT_EQ(count.total(), lines - 2);

    const RecordCount missing(dir.file("missing.txt"), 0);
    EXPECT_EQ(missing.total(), -1);
}

TEST(RecordCountTest, GoingAwayBeforeTheCountEndsStopsIt)
{
    test::TempDir dir;
    dir.write("big.txt", std::string(static_cast<size_t>(RecordCount::kCountedAtOnce) * 2, '\n'));
    // Made and dropped at once, as a run that ends after its first record: the destructor returns.
    { const RecordCount count(dir.file("big.txt"), 0); }
    SUCCEED();
}

}  // namespace
}  // namespace torvane
