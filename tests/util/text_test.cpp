#include "util/error.h"
#include "util/text.h"

#include <gtest/gtest.h>
#include <random>

namespace torvane {
namespace {

TEST(TextTest, FindItem)
{
    struct Case {
        const char* item;
        const char* data;
        int position;
    };
    const Case cases[] = {
        {"thank you", "<p>Thank You for your order</p>", 4},
        {"<INPUT", "<input type=text>", 1},
        {"", "anything", 0},
        {"x", "", 0},
        {"longer", "long", 0},
        {"\xE9", "\xC9\xE9", 2},  // only ASCII letters are folded
        {"ab", "aab", 2},
        {"abcab", "ABCABCABCAB", 1},
        {"cab", "abcabcab", 3},
        {"aaa", "aaaa", 1},
        {"ba", "aaaaab", 0},
        {"Data Sent", "data senT", 1},
        {"zz", "zazbz", 0},
        {"[ok]", "x[OK][ok]", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindItem(c.item, c.data), c.position) << c.item << " in " << c.data;
}

TEST(TextTest, FindItemAgreesWithAPlainSearchEverywhere)
{
    // Small alphabets make many near misses, where a wrong skip would jump over a match; '@' and '`'
    // differ from 'a' and 'A' only in the bit case folding touches. Texts run past several blocks of
    // sixty-four windows so matches fall inside blocks, across their edges and in the tail.
    std::mt19937 random(7);
    for (const std::string letters : {"abAB", "aA@`b"}) {
        auto text = [&](size_t n) {
            std::string t;
            for (size_t i = 0; i < n; ++i)
                t += letters[random() % letters.size()];
            return t;
        };
        for (int round = 0; round < 4000; ++round) {
            const std::string item = text(1 + random() % 5);
            const std::string data = text(random() % (round % 2 ? 40 : 300));
            const std::string upperItem = upperAscii(item);
            const size_t at = upperAscii(data).find(upperItem);
            const int expected = at == std::string::npos ? 0 : int(at + 1);
            ASSERT_EQ(FindItem(item, data), expected) << item << " in " << data;
        }
    }
}

TEST(TextTest, TrimBlanksRemovesSpacesOnly)
{
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {{"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"\ta\t", "\ta\t"}, {" \r\n", "\r\n"}};
    for (const Case& c : cases) {
        std::string s = c.in;
        TrimBlanks(s);
        EXPECT_EQ(s, c.out);
    }
    EXPECT_EQ(trimControlAndBlanks("\r\n a=b& \t"), "a=b&");
}

TEST(TextTest, IntegerConversion)
{
    int32_t v = 0;
    EXPECT_TRUE(tryToInt32("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad : {"", "+", "2147483648", "1 2", " 1", "0x10", "12a"})
        EXPECT_FALSE(tryToInt32(bad, v)) << bad;
    try {
        toInt32("ab");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'ab' is not a valid integer value");
    }
}

// Every limit of both widths, and the numbers of 20 digits and more that wrap round a 64-bit
// accumulator onto small values (2^64 + 2 onto 2, 2^64 + 4 onto 4, 2^64 + 18321 onto 18321).
TEST(TextTest, IntegerConversionAtTheLimits)
{
    struct Case {
        const char* text;
        bool fits64;
        int64_t value64;
        bool fits32;
    };
    const Case cases[] = {
        {"0", true, 0, true},
        {"-0", true, 0, true},
        {"+7", true, 7, true},
        {"2147483647", true, 2147483647, true},
        {"+2147483647", true, 2147483647, true},
        {"2147483648", true, 2147483648LL, false},
        {"-2147483648", true, -2147483648LL, true},
        {"-2147483649", true, -2147483649LL, false},
        {"4294967296", true, 4294967296LL, false},
        {"4294967298", true, 4294967298LL, false},
        {"9223372036854775807", true, INT64_MAX, false},
        {"09223372036854775807", true, INT64_MAX, false},
        {"9223372036854775808", false, 0, false},
        {"-9223372036854775808", true, INT64_MIN, false},
        {"-9223372036854775809", false, 0, false},
        {"9223372036854775810", false, 0, false},
        {"18446744073709551615", false, 0, false},
        {"18446744073709551616", false, 0, false},
        {"18446744073709551618", false, 0, false},
        {"18446744073709551620", false, 0, false},
        {"-18446744073709551618", false, 0, false},
        {"18446744073709569937", false, 0, false},
        {"36893488147419103234", false, 0, false},
        {"1000000000000000000000000", false, 0, false},
        {"0000000000000000000000042", true, 42, true},
        {"-0000000000000000000000042", true, -42, true},
        {" 42", false, 0, false},
        {"42 ", false, 0, false},
        {"-", false, 0, false},
        {"+-1", false, 0, false},
        {"--1", false, 0, false},
        {"1-", false, 0, false},
        {"", false, 0, false},
    };
    for (const Case& c : cases) {
        int64_t v64 = -99;
        EXPECT_EQ(tryToInt64(c.text, v64), c.fits64) << c.text;
        EXPECT_EQ(v64, c.fits64 ? c.value64 : -99) << c.text;
        int32_t v32 = -99;
        EXPECT_EQ(tryToInt32(c.text, v32), c.fits32) << c.text;
        EXPECT_EQ(v32, c.fits32 ? static_cast<int32_t>(c.value64) : -99) << c.text;
        if (c.fits32) {
            EXPECT_EQ(toInt32(c.text), static_cast<int32_t>(c.value64)) << c.text;
        } else {
            try {
                toInt32(c.text);
                ADD_FAILURE() << c.text;
            } catch (const Error& e) {
                EXPECT_EQ(e.what(), "'" + std::string(c.text) + "' is not a valid integer value");
            }
        }
    }
}

TEST(TextTest, AddedTextBecomesLines)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(splitAddedText(""), L{""});
    EXPECT_EQ(splitAddedText("a"), L{"a"});
    EXPECT_EQ(splitAddedText("a\r\nb\r\n"), (L{"a", "b", ""}));
    EXPECT_EQ(splitAddedText("a\nb\rc"), (L{"a", "b", "c"}));
    EXPECT_EQ(joinLinesCrLf({"h", "", "x"}), "h\r\n\r\nx\r\n");
}

TEST(ErrorTest, GeneralHandlerAddsAFullStopAfterCharactersAboveIt)
{
    EXPECT_EQ(formatErrorMessage("HTTP/1.1 404 Not Found"), "HTTP/1.1 404 Not Found.");
    EXPECT_EQ(formatErrorMessage("Connection Closed Gracefully."), "Connection Closed Gracefully.");
    EXPECT_EQ(formatErrorMessage("Socket Error # 10061\r\nConnection refused."),
              "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(formatErrorMessage("ends in blank "), "ends in blank ");
    EXPECT_EQ(formatErrorMessage("quoted\""), "quoted\"");
    EXPECT_EQ(formatErrorMessage(""), "");
}

}  // namespace
}  // namespace torvane
