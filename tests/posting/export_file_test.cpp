#include "posting/export_file.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(ExportFileReaderTest, SkipLineSkipsWithoutReading)
{
    test::TempDir dir;
    dir.write("e.txt", "h1\nh2\nrec\n");
    ExportFileReader reader(dir.file("e.txt"));
    EXPECT_TRUE(reader.skipLine());
    EXPECT_TRUE(reader.skipLine());
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "rec");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.skipLine());
}

TEST(ExportFileReaderTest, SkipLeadingLinesStopsAtTheCountOrTheEnd)
{
    struct Case {
        const char* text;
        int32_t count, skipped;
        const char* next;  // the first line read afterwards, "" at the end
    };
    const Case cases[] = {
        {"h1\nh2\nrec\n", 2, 2, "rec"},
        {"h1\nh2\n", 5, 2, ""},
        {"h1\r\nrec", 1, 1, "rec"},
        {"rec\n", 0, 0, "rec"},
        {"rec\n", -3, 0, "rec"},
        {"h1\x1Ah2\nrec\n", 2, 1, ""},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        dir.write("e.txt", c.text);
        ExportFileReader reader(dir.file("e.txt"));
        EXPECT_EQ(skipLeadingLines(reader, c.count), c.skipped) << c.text;
        std::string line;
        reader.readLine(line);
        EXPECT_EQ(line, c.next) << c.text;
    }
}

TEST(ExportFileReaderTest, AMissingFileIsAnError)
{
    EXPECT_THROW(ExportFileReader("/nonexistent/export.txt"), Error);
}

TEST(ExportFileReaderTest, RawBytesOfEachLineAndTheRestAfterIt)
{
    test::TempDir dir;
    // A skipped line, then CR LF, a lone CR inside a line, LF, and the rest up to a Ctrl-Z.
    dir.write("export.txt", std::string("HEAD\r\nA1\r\nB\r2\nC3\r\nD4\nE5") + char(26) + "after");
    ExportFileReader reader(dir.file("export.txt"));
    reader.setKeepRaw(true);
    std::string line;
    ASSERT_TRUE(reader.skipLine());
    EXPECT_EQ(reader.raw(), "HEAD\r\n");
    const std::pair<const char*, const char*> expected[] = {{"A1", "A1\r\n"}, {"B2", "B\r2\n"}};
    for (const auto& [text, raw] : expected) {
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(line, text);
        EXPECT_EQ(reader.raw(), raw);
    }
    std::string rest;
    reader.drainRest([&rest](std::string_view bytes) { rest += bytes; });
    EXPECT_EQ(rest, "C3\r\nD4\nE5");
    EXPECT_TRUE(reader.atEnd());
}

}  // namespace
}  // namespace torvane
