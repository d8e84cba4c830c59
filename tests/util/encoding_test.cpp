#include "util/encoding.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(EncodingTest, KnownNames)
{
    struct Case {
        const char* name;
        bool known;
    };
    const Case cases[] = {
        {"windows-1252", true}, {"ISO-8859-1", true}, {"cp850", true},     {"shift_jis", true},
        {"utf-8", true},        {"UTF8", true},       {"klingon", false},  {"", false},
        {"utf-8//IGNORE", false}, {"ascii//TRANSLIT", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isKnownEncoding(c.name), c.known) << c.name;
    try {
        requireKnownEncoding("latin-99");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'latin-99' is not a known character encoding");
    }
    EXPECT_THROW(TextConverter("utf-8", "nope"), Error);
    EXPECT_THROW(TextConverter("", "utf-8"), Error);
    EXPECT_THROW(CharacterCutter("nope"), Error);
}

TEST(EncodingTest, Conversion)
{
    struct Case {
        const char* from;
        const char* to;
        std::string in, out;
        bool replaced;
    };
    const Case cases[] = {
        {"windows-1252", "utf-8", "M\xFCller", "M\xC3\xBCller", false},
        {"windows-1252", "utf-8", "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC", false},
        {"utf-8", "windows-1252", "Zo\xC3\xAB", "Zo\xEB", false},
        // A character the target lacks becomes one "?", however many bytes it had.
        {"utf-8", "iso-8859-1", "a\xE2\x82\xAC" "b", "a?b", true},
        {"utf-8", "iso-8859-1", "\xE6\x9D\xB1\xE4\xBA\xAC", "??", true},
        // Bytes that are no character of the source, one "?" each; a cut-off tail, one "?".
        {"utf-8", "utf-8", "a\xFF\xFE" "b", "a??b", true},
        {"utf-8", "windows-1252", "ab\xC3", "ab?", true},
        {"shift_jis", "utf-8", "\x93\x8C\x8B\x9E", "\xE6\x9D\xB1\xE4\xBA\xAC", false},
        {"utf-8", "shift_jis", "\xE6\x9D\xB1 x", "\x93\x8C x", false},
        {"cp850", "utf-8", "\x81", "\xC3\xBC", false},
        {"utf-8", "utf-16le", "\xC3\xA9\xE2\x82\xAC", std::string("\xE9\x00\xAC\x20", 4), false},
        {"utf-8", "utf-16le", "\xFF", std::string("?\x00", 2), true},
        {"windows-1252", "utf-8", "", "", false},
    };
    for (const Case& c : cases) {
        bool replaced = !c.replaced;
        EXPECT_EQ(TextConverter(c.from, c.to).convert(c.in, &replaced), c.out) << c.from << " -> " << c.to;
        EXPECT_EQ(replaced, c.replaced) << c.in;
    }
}

TEST(EncodingTest, ConverterIsReusableAndHandlesLongText)
{
    const TextConverter converter("windows-1252", "utf-8");
    const std::string big(20000, '\xE9');
    std::string expected;
    for (int i = 0; i < 20000; ++i)
        expected += "\xC3\xA9";
    EXPECT_EQ(converter.convert(big), expected);
    EXPECT_EQ(converter.convert("\xFC"), "\xC3\xBC");

    // A target with shift states is back in its initial state at the end of every text.
    const TextConverter jis("utf-8", "iso-2022-jp");
    const std::string once = jis.convert("\xE6\x9D\xB1");
    EXPECT_EQ(once, jis.convert("\xE6\x9D\xB1"));
    EXPECT_EQ(once.substr(once.size() - 3), "\x1B(B");
}

TEST(EncodingTest, CharacterCopy)
{
    struct Case {
        const char* encoding;
        std::string text;
        int64_t start, count;
        std::string out;
    };
    const std::string zoe = "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m";  // Zoë Ångström
    const std::string tokyo = "\x93\x8C\x8B\x9E" "A\x82\xA0";       // 東京Aあ in Shift-JIS
    const Case cases[] = {
        {"utf-8", zoe, 1, 3, "Zo\xC3\xAB"},
        {"utf-8", zoe, 5, 3, "\xC3\x85ng"},
        {"utf-8", zoe, 9, 100, "tr\xC3\xB6m"},
        {"utf-8", zoe, 13, 1, ""},
        {"utf-8", zoe, 0, 2, "Zo"},
        {"utf-8", zoe, 2, -1, ""},
        {"", zoe, 3, 1, "\xC3\xAB"},
        // Invalid bytes count one character each, and a cut sequence does not swallow what follows.
        {"utf-8", "a\xFF" "b\xC3" "c", 2, 3, "\xFF" "b\xC3"},
        {"utf-8", "\xF0\x9F\x98\x80x", 2, 1, "x"},
        {"shift_jis", tokyo, 2, 2, "\x8B\x9E" "A"},
        {"shift_jis", tokyo, 4, 1, "\x82\xA0"},
        {"windows-1252", "Caf\xE9", 4, 1, "\xE9"},
        {"shift_jis", "\x93", 1, 1, "\x93"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharacterCutter(c.encoding).copy(c.text, c.start, c.count), c.out)
            << c.encoding << " " << c.start << "," << c.count;

    const CharacterCutter utf8("utf-8");
    EXPECT_EQ(utf8.advance(zoe, 0, 4), 5u);
    EXPECT_EQ(utf8.advance(zoe, 5, 2), 8u);
    EXPECT_EQ(utf8.advance(zoe, 0, 1000), zoe.size());
}

TEST(EncodingTest, InvalidByteFinder)
{
    struct Case {
        const char* encoding;
        std::string text;
        size_t at;  // npos: every byte in place
    };
    const size_t none = std::string_view::npos;
    const Case cases[] = {
        {"utf-8", "Zo\xC3\xAB", none},
        {"utf-8", "", none},
        {"utf-8", "ab\xFF" "c", 2},
        {"UTF8", "\xC3", 0},                     // cut off by the end
        {"utf-8", "a\xC0\xAF", 1},              // overlong
        {"utf-8", "\xED\xA0\x80", 0},          // a surrogate
        {"utf-8", "\xF0\x9F\x98\x80" "b\x80", 5},
        {"windows-1252", "Caf\xE9 \x80", none},
        {"windows-1252", "ab\x81", 2},           // one of the five bytes without a character
        {"iso-8859-1", "\x81\xFF", none},       // every byte is a character
        {"shift_jis", "\x93\x8C" "A", none},
        {"shift_jis", "A\x93", 1},               // a two-byte character cut off
        {"ascii", "abc\xE9", 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InvalidByteFinder(c.encoding).find(c.text), c.at) << c.encoding << " " << ::testing::PrintToString(c.text);

    // One finder serves many texts: a text cut off inside a character leaves no state behind.
    const InvalidByteFinder sjis("shift_jis");
    EXPECT_EQ(sjis.find("\x93"), 0u);
    EXPECT_EQ(sjis.find("\x8C"), 0u);
    EXPECT_EQ(sjis.find("A"), none);
    EXPECT_THROW(InvalidByteFinder("latin-99"), Error);
}

TEST(EncodingTest, ToUtf8)
{
    EXPECT_EQ(toUtf8From("windows-1252", "Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(toUtf8From("", "Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(toUtf8From("not-one", "Caf\xE9"), "Caf\xE9");
    EXPECT_TRUE(isUtf8Name("utf_8"));
    EXPECT_FALSE(isUtf8Name("utf-16"));
}

TEST(Utf8Test, WellFormedOrNot)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"Z\xC3\xAB", true},                  // ë
        {"\xE2\x82\xAC", true},               // €
        {"\xF0\x9F\x98\x80", true},           // an emoji
        {"M\xFCller", false},                 // Windows-1252 ü
        {"\xC3", false},                      // cut short
        {"\xC0\xAF", false},                  // overlong
        {"\xED\xA0\x80", false},              // a surrogate
        {"\xF4\x90\x80\x80", false},          // past the last code point
        {"\xC3\x28", false},                  // no continuation byte
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(isValidUtf8(text), valid) << testing::PrintToString(text);
}

}  // namespace
}  // namespace torvane
