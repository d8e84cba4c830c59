#include "util/tag_scanner.h"

#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

TEST(PageReader, FileErrorsCarryTheOperatorsWording)
{
    test::TempDir dir;
    PageReader reader;
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {dir.file("missing.html"), "File not found"},
        {dir.path(), "Access denied"},
        {dir.file("no-such-dir/page.html"), "File not found"},
    };
    for (const Case& c : cases) {
        try {
            reader.openFile(c.path);
            ADD_FAILURE() << c.path << " opened";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.path;
        }
    }
}

// How a page reaches the scanner: from memory or from a file, and how much of a tag that runs over
// lines is collected before the scanner first looks ahead for its end.
struct Source {
    const char* name;
    bool viaFile;
    size_t probeBytes;
};
const Source kSources[] = {{"memory", false, 1 << 20}, {"memory, early look-ahead", false, 3},
                           {"file, early look-ahead", true, 3}, {"file, no look-ahead", true, size_t(-1)}};

// Runs the line loop with one recording handler per opening word and returns the tags in the order
// they were handed over.
std::vector<std::string> scanTags(const std::string& page, int* tagCount = nullptr,
                                  const Source& source = kSources[0])
{
    TagScanner scanner;
    test::TempDir dir;
    if (source.viaFile) {
        dir.write("page.html", page);
        scanner.openFile(dir.file("page.html"));
    } else {
        scanner.openText(page);
    }
    scanner.tagProbeBytes = source.probeBytes;
    std::vector<std::string> tags;
    std::vector<TagScanner::Handler> handlers;
    for (const char* word : {"<FORM", "<INPUT", "<SELECT", "<OPTION"}) {
        handlers.push_back([&scanner, &tags, word] {
            if (!scanner.atFront(word))
                return;
            std::string tag;
            if (!scanner.CopyTag(1, tag))
                return;
            ++scanner.tagCount;
            tags.push_back(tag);
        });
    }
    handlers.push_back([&scanner, &tags] {
        if (scanner.FindEndSelect())
            tags.push_back("(end select)");
    });
    scanner.RunLineLoop(handlers, nullptr);
    if (tagCount)
        *tagCount = scanner.tagCount;
    return tags;
}

TEST(TagScanner, FindsTagsInPageOrder)
{
    struct Case {
        const char* name;
        std::string page;
        std::vector<std::string> tags;
    };
    const Case cases[] = {
        {"lower case", "<input type=text name=q>\n", {"<input type=text name=q>"}},
        {"several on a line", "<OPTION VALUE=1>One<OPTION VALUE=2>Two\n",
         {"<OPTION VALUE=1>", "<OPTION VALUE=2>"}},
        {"order mixes kinds", "x<select name=s><option>a</select><form action=b><input name=c>\n",
         {"<select name=s>", "<option>", "(end select)", "<form action=b>", "<input name=c>"}},
        {"comment on one line", "<!-- <INPUT NAME=\"x\"> -->\n", {}},
        {"comment over three lines", "<!--\n<INPUT NAME=\"x\">\n-->\n", {"<INPUT NAME=\"x\">"}},
        {"only the first comment goes", "<!-- a --> <!-- <INPUT NAME=\"x\"> -->\n", {"<INPUT NAME=\"x\">"}},
        {"end of an earlier comment first", "--> <INPUT NAME=\"x\"> <!-- y -->\n", {"<INPUT NAME=\"x\">"}},
        {"shortest comment", "<!--><INPUT NAME=a>\n", {"<INPUT NAME=a>"}},
        {"tag over two lines joined without separator", "<INPUT TYPE=\"text\"\nNAME=\"q\">\n",
         {"<INPUT TYPE=\"text\"NAME=\"q\">"}},
        {"empty lines inside a tag skipped", "<INPUT\n\n\r\nNAME=q\n\n>rest<FORM>\n",
         {"<INPUTNAME=q>", "<FORM>"}},
        {"line of a comment only inside a tag", "<INPUT\n<!-- c -->\nNAME=q>\n", {"<INPUTNAME=q>"}},
        {"tail of a multi-line tag scanned", "<SELECT\nNAME=s><OPTION>x\n", {"<SELECTNAME=s>", "<OPTION>"}},
        {"cr-only page", "<FORM ACTION=a>\r<INPUT NAME=b>\r<SELECT NAME=c>\r",
         {"<FORM ACTION=a>", "<INPUT NAME=b>", "<SELECT NAME=c>"}},
        {"gt inside quotes ends the tag", "<INPUT VALUE=\"a>b\" NAME=\"x\">\n", {"<INPUT VALUE=\"a>"}},
        {"FORMAT found as FORM, INPUTS as INPUT", "<FORMAT><INPUTS>\n", {"<FORMAT>", "<INPUTS>"}},
        {"unknown tags and other end tags dropped",
         "<OPTGROUP label=a><TEXTAREA name=t></TEXTAREA><BUTTON name=b></FORM></OPTION>\n", {}},
        {"end of page inside a tag", "<FORM ACTION=a>\n<INPUT NAME=b\nVALUE=c\n", {"<FORM ACTION=a>"}},
        {"ctrl-z inside a tag", "<INPUT NAME=b\x1a>\n", {}},
        {"four-character tail still scanned", "<FORM><FOR\n", {"<FORM>"}},
    };
    for (const Source& source : kSources)
        for (const Case& c : cases)
            EXPECT_EQ(scanTags(c.page, nullptr, source), c.tags) << c.name << " (" << source.name << ")";
}

TEST(TagScanner, LongTagsOverManyLines)
{
    std::string longTag = "<INPUT NAME=\"long\"";
    std::string expected = longTag;
    std::string page = "<FORM>" + longTag + "\n";
    for (int i = 0; i < 2000; ++i) {
        page += "  DATA-" + std::to_string(i) + "=\"x\"\n\n";
        expected += "  DATA-" + std::to_string(i) + "=\"x\"";
    }
    const std::string closed = page + " VALUE=v>tail<INPUT NAME=after>\n";
    const std::string unclosed = page + "<!-- no end -->\n";
    for (const Source& source : kSources) {
        EXPECT_EQ(scanTags(closed, nullptr, source),
                  (std::vector<std::string>{"<FORM>", expected + " VALUE=v>", "<INPUT NAME=after>"}))
            << source.name;
        EXPECT_EQ(scanTags(unclosed, nullptr, source), (std::vector<std::string>{"<FORM>"})) << source.name;
    }
}

TEST(TagScanner, CountsOnlyTagsHandedToAHandler)
{
    int count = -1;
    scanTags("<FORM><SELECT NAME=s><OPTION>a<OPTION>b</SELECT><INPUT TYPE=submit>\n<INPUT NAME=x", &count);
    EXPECT_EQ(count, 6);
}

TEST(TagScanner, ProgressSeesTheCountBeforeEachLine)
{
    TagScanner scanner;
    scanner.openText("<FORM>\n\n<FORM><FORM>\n<FORM>");
    std::vector<int> seen;
    scanner.RunLineLoop({[&] {
                            std::string tag;
                            if (scanner.atFront("<FORM") && scanner.CopyTag(1, tag))
                                ++scanner.tagCount;
                        }},
                        [&](int n) { seen.push_back(n); });
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 1, 3}));
    EXPECT_EQ(scanner.tagCount, 4);
}

TEST(TagScanner, ALoopMissingAHandlerStillEnds)
{
    TagScanner scanner;
    scanner.openText("<SELECT><SELECT>\n<OPTION>\n");
    int lines = 0;
    scanner.RunLineLoop({}, [&](int) { ++lines; });
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(scanner.tagCount, 0);
}

TEST(TagScanner, BufferOperations)
{
    struct Case {
        const char* name;
        std::string buffer;
        std::string afterComments;
        std::string afterFindFirstTag;
    };
    const Case cases[] = {
        {"no tag drops all", "text <TEXTAREA>", "text <TEXTAREA>", ""},
        {"earliest word wins", "ab</select><option><input", "ab</select><option><input",
         "</select><option><input"},
        {"comment removed once", "a<!--b-->c<!--d-->e", "ac<!--d-->e", ""},
        {"unclosed comment kept", "<!-- <FORM>", "<!-- <FORM>", "<FORM>"},
        {"close before open kept", "--><!--<FORM>", "--><!--<FORM>", "<FORM>"},
    };
    for (const Case& c : cases) {
        TagScanner scanner;
        scanner.setBuffer(c.buffer);
        scanner.RemoveComments();
        EXPECT_EQ(scanner.buffer(), c.afterComments) << c.name;
        scanner.FindFirstTag();
        EXPECT_EQ(scanner.buffer(), c.afterFindFirstTag) << c.name;
    }
}

TEST(TagScanner, FindFirstTagAfterConsumingRemembersNothingStale)
{
    // The remembered positions must follow the front of the buffer as tags are taken off it.
    TagScanner scanner;
    scanner.setBuffer("<OPTION a><INPUT b>x<OPTION c>y<INPUT d>");
    std::vector<std::string> tags;
    std::string tag;
    while (scanner.buffer().size() >= 4) {
        scanner.FindFirstTag();
        if (scanner.buffer().empty())
            break;
        ASSERT_TRUE(scanner.CopyTag(1, tag));
        tags.push_back(tag);
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"<OPTION a>", "<INPUT b>", "<OPTION c>", "<INPUT d>"}));
}

TEST(TagScanner, CopyTagFromALaterPositionKeepsBothSides)
{
    TagScanner scanner;
    scanner.setBuffer("ab<X y>cd");
    std::string tag;
    ASSERT_TRUE(scanner.CopyTag(3, tag));
    EXPECT_EQ(tag, "<X y>");
    EXPECT_EQ(scanner.buffer(), "abcd");
}

TEST(Attributes, ReadAsStrings)
{
    struct Case {
        const char* name;
        const char* attribute;
        std::string tag;
        std::string value;
    };
    const Case cases[] = {
        {"unquoted", "NAME", "<INPUT NAME=q>", "q"},
        {"quoted", "NAME", "<INPUT NAME=\"a b\">", "a b"},
        {"case of the name ignored, value kept", "name", "<input NAME=Qq>", "Qq"},
        {"missing", "VALUE", "<INPUT NAME=q>", ""},
        {"blanks around the equals", "NAME", "<INPUT NAME = \"q\">", "q"},
        {"nothing before the gt", "NAME", "<INPUT NAME=>", ""},
        {"unquoted ends at a blank", "TYPE", "<INPUT TYPE=text NAME=q>", "text"},
        {"apostrophes are ordinary", "NAME", "<INPUT NAME='q'>", "'q'"},
        {"tab is not skipped", "NAME", "<INPUT NAME=\t\"q\">", "\t\"q\""},
        {"first occurrence wins", "NAME", "<INPUT DATANAME=\"a\" NAME=\"b\">", "a"},
        {"name without equals reads empty", "CHECKED", "<INPUT CHECKED>", ""},
        {"name without equals takes a later one", "CHECKED", "<INPUT CHECKED NAME=b>", "b"},
        {"unclosed quote runs to the end of the tag", "VALUE", "<INPUT VALUE=\"a>", "a"},
        {"unclosed quote at the end", "VALUE", "<INPUT VALUE=\">", ""},
        {"joined lines", "TYPE", "<INPUT TYPE=textNAME=q>", "textNAME=q"},
        {"quoted joined lines", "NAME", "<INPUT TYPE=\"text\"NAME=\"q\">", "q"},
        {"equals at the very end", "NAME", "<INPUT NAME=", ""},
        {"empty attribute name", "", "<INPUT NAME=q>", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReturnItemStr(c.attribute, c.tag), c.value) << c.name;
}

TEST(Attributes, ExtractEqualsDataStartsAtThePosition)
{
    EXPECT_EQ(ExtractEqualsData(1, "<A X=1 Y=2>"), "1");
    EXPECT_EQ(ExtractEqualsData(8, "<A X=1 Y=2>"), "2");
    EXPECT_EQ(ExtractEqualsData(11, "<A X=1 Y=2>"), "");
    EXPECT_EQ(ExtractEqualsData(100, "<A X=1>"), "");
}

TEST(Attributes, ReadAsIntegers)
{
    struct Case {
        std::string tag;
        int value;
        const char* error;  // nullptr when the read succeeds
    };
    const Case cases[] = {
        {"<INPUT NAME=q>", 0, nullptr},
        {"<INPUT MAXLENGTH=\"\">", 0, nullptr},
        {"<INPUT MAXLENGTH=\"   \">", 0, nullptr},
        {"<INPUT MAXLENGTH=\" 20 \">", 20, nullptr},
        {"<INPUT MAXLENGTH=\"2 0\">", 20, nullptr},
        {"<INPUT maxlength=5>", 5, nullptr},
        {"<INPUT MAXLENGTH=-3>", -3, nullptr},
        {"<INPUT MAXLENGTH=+7>", 7, nullptr},
        {"<INPUT MAXLENGTH=2147483647>", 2147483647, nullptr},
        {"<INPUT MAXLENGTH=\"20px\">", 0, "'20px' is not a valid integer value"},
        {"<INPUT MAXLENGTH=2147483648>", 0, "'2147483648' is not a valid integer value"},
        {"<INPUT MAXLENGTH=\" 1 x \">", 0, "'1x' is not a valid integer value"},
        {"<INPUT MAXLENGTH=->", 0, "'-' is not a valid integer value"},
        {"<INPUT MAXLENGTH=-2147483648>", -2147483647 - 1, nullptr},
        {"<INPUT MAXLENGTH=-2147483649>", 0, "'-2147483649' is not a valid integer value"},
        // 2^32 + 4 and 2^64 + 4 would wrap round onto 4.
        {"<INPUT MAXLENGTH=4294967300>", 0, "'4294967300' is not a valid integer value"},
        {"<INPUT MAXLENGTH=\"18446744073709551620\">", 0, "'18446744073709551620' is not a valid integer value"},
        {"<INPUT MAXLENGTH=\"1844 6744 0737 0955 1620\">", 0, "'18446744073709551620' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        try {
            const int v = ReturnItemInt("MAXLENGTH", c.tag);
            EXPECT_EQ(c.error, nullptr) << c.tag << " read as " << v;
            EXPECT_EQ(v, c.value) << c.tag;
        } catch (const Error& e) {
            ASSERT_NE(c.error, nullptr) << c.tag << ": " << e.what();
            EXPECT_EQ(std::string(e.what()), c.error) << c.tag;
        }
    }
}

}  // namespace
}  // namespace torvane
