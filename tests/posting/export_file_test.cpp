#include "posting/export_file.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::vector<std::string> readAll(const std::string& bytes)
{
    test::TempDir dir;
    dir.write("export.txt", bytes);
    ExportFileReader reader(dir.file("export.txt"));
    std::vector<std::string> lines;
    std::string line;
    while (!reader.atEnd()) {
        EXPECT_TRUE(reader.readLine(line));
        lines.push_back(line);
    }
    EXPECT_FALSE(reader.readLine(line));
    return lines;
}

TEST(ExportFileReaderTest, LineEndings)
{
    using L = std::vector<std::string>;
    struct Case {
        const char* name;
        std::string bytes;
        L lines;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"one line without break", "abc", {"abc"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"lone CR dropped", "a\rb\nc", {"ab", "c"}},
        {"CR CR LF", "a\r\r\nb", {"a", "b"}},
        {"empty line in the middle and at the end", "a\n\nb\n\n", {"a", "", "b", ""}},
        {"Ctrl-Z ends the file", std::string("a\nb\x1A" "c\nd\n"), {"a", "b"}},
        {"Ctrl-Z at the start", std::string("\x1A" "a\n"), {}},
        {"blanks kept", "  x  \n", {"  x  "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readAll(c.bytes), c.lines) << c.name;
}

TEST(ExportFileReaderTest, LinesLongerThanTheBufferAreReadWhole)
{
    const std::string longLine(3 * 1024 * 1024 + 17, 'x');
    const auto lines = readAll(longLine + "\r\nshort\n" + longLine);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], "short");
    EXPECT_EQ(lines[2], longLine);
}

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
