#include "util/line_reader.h"

#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace torvane {
namespace {

// The text read from memory, or from a file holding it.
enum class Source { Memory, File };

struct Reading {
    std::vector<std::string> lines;
    std::string raw;                  // every line's raw bytes, joined
    std::vector<uint64_t> starts;     // tell() before each line
};

Reading readAll(const std::string& bytes, Source source, test::TempDir& dir)
{
    LineReader reader;
    if (source == Source::File) {
        dir.write("text.txt", bytes);
        EXPECT_EQ(reader.openFile(dir.file("text.txt")), 0);
    } else {
        reader.openText(bytes);
    }
    reader.setKeepRaw(true);
    Reading r;
    std::string line;
    while (!reader.atEnd()) {
        r.starts.push_back(reader.tell());
        EXPECT_TRUE(reader.readLine(line));
        r.lines.push_back(line);
        r.raw += reader.raw();
    }
    EXPECT_FALSE(reader.readLine(line));
    return r;
}

TEST(LineReader, SplitsLinesByOneRuleFromMemoryAndFromAFile)
{
    using L = std::vector<std::string>;
    struct Case {
        const char* name;
        std::string bytes;
        L lines;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"one line without break", "abc", {"abc"}},
        {"lf", "a\nb\n", {"a", "b"}},
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"no final break", "a\nb", {"a", "b"}},
        {"empty lines kept, in the middle and at the end", "a\n\n\nb\n\n", {"a", "", "", "b", ""}},
        {"lone cr dropped, line goes on", "a\rb\rc\n", {"abc"}},
        {"lone cr before a last line", "a\rb\nc", {"ab", "c"}},
        {"cr-only text is one line", "<FORM>\r<INPUT>\r", {"<FORM><INPUT>"}},
        {"cr cr lf", "a\r\r\nb", {"a", "b"}},
        {"ctrl-z ends the text", "a\nb\x1a" "c\nd\n", {"a", "b"}},
        {"ctrl-z at a line start", "a\n\x1a" "b\n", {"a"}},
        {"ctrl-z first", "\x1a" "a\n", {}},
        {"nul bytes are ordinary", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"blanks kept", "  x  \n", {"  x  "}},
    };
    test::TempDir dir;
    for (const Case& c : cases)
        for (const Source source : {Source::Memory, Source::File}) {
            const Reading r = readAll(c.bytes, source, dir);
            const char* from = source == Source::File ? " (file)" : " (memory)";
            EXPECT_EQ(r.lines, c.lines) << c.name << from;
            // Nothing before the Ctrl-Z is lost or read twice.
            EXPECT_EQ(r.raw, c.bytes.substr(0, c.bytes.find('\x1a'))) << c.name << from;
        }
}

TEST(LineReader, LinesLongerThanOneBlockAndBreaksOnBlockEdges)
{
    test::TempDir dir;
    const size_t block = LineReader::kBlockSize;
    // A CR LF across the first block edge, a lone CR as the last byte of the second block, and a line
    // of several blocks.
    const std::string first(block - 1, 'x');
    const std::string longest(3 * block + 17, 'v');
    const std::string text = first + "\r\n" + std::string(block - 2, 'y') + "\r" + "z\n" + longest + "\r\nw";
    const Reading r = readAll(text, Source::File, dir);
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[0], first);
    EXPECT_EQ(r.lines[1], std::string(block - 2, 'y') + "z");
    EXPECT_EQ(r.lines[2], longest);
    EXPECT_EQ(r.lines[3], "w");

    // Many short lines with lone CRs inside, over several blocks: every break found, none twice.
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += "ab\rcd\n";
    const Reading m = readAll(many + "\x1a" "ef\n", Source::File, dir);
    EXPECT_EQ(m.lines, std::vector<std::string>(200000, "abcd"));
}

// Coming back to where a line started reads the same line again, from memory and from a file, across
// block edges and back from the end (a Ctrl-Z included).
TEST(LineReader, SeekingBackToALineStartReadsItAgain)
{
    const std::string text = "one\r\n" + std::string(LineReader::kBlockSize, 'b') + "\ntwo\rmore\nlast\x1a" "gone";
    test::TempDir dir;
    for (const Source source : {Source::Memory, Source::File}) {
        const Reading all = readAll(text, source, dir);
        ASSERT_EQ(all.lines.size(), 4u);
        LineReader reader;
        if (source == Source::File)
            ASSERT_EQ(reader.openFile(dir.file("text.txt")), 0);
        else
            reader.openText(text);
        ASSERT_TRUE(reader.canSeek());
        std::string line;
        while (reader.readLine(line)) {
        }
        for (size_t i = all.lines.size(); i-- > 0;) {
            reader.seek(all.starts[i]);
            EXPECT_EQ(reader.tell(), all.starts[i]);
            for (size_t k = i; k < all.lines.size(); ++k) {
                ASSERT_TRUE(reader.readLine(line));
                EXPECT_EQ(line, all.lines[k]) << "line " << k << " after seeking to line " << i;
            }
            EXPECT_TRUE(reader.atEnd());
        }
    }
}

TEST(LineReader, FileFailuresAreWordedByTheOwner)
{
    test::TempDir dir;
    LineReader reader;
    EXPECT_EQ(reader.openFile(dir.file("missing.txt")), ENOENT);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.openFile(dir.path(), true), EISDIR);

    // A directory let through fails at its first read, in the words given.
    reader.setWording([](int err) { return "cannot read: " + std::to_string(err); });
    ASSERT_EQ(reader.openFile(dir.path()), 0);
    try {
        reader.atEnd();
        ADD_FAILURE() << "a directory was read";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "cannot read: " + std::to_string(EISDIR));
    }

    // Bytes in memory can be read again, a device cannot.
    reader.openText("a\n");
    EXPECT_TRUE(reader.canSeek());
    ASSERT_EQ(reader.openFile("/dev/null"), 0);
    EXPECT_FALSE(reader.canSeek());
    EXPECT_THROW(reader.seek(0), Error);
}

}  // namespace
}  // namespace torvane
