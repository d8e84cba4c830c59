#include "util/utf8_output.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(Utf8OutputTest, ValidUtf8)
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

TEST(Utf8OutputTest, DecodesWithTheExportEncodingOrGuesses)
{
    EXPECT_EQ(Utf8Output()("Gr\xFC\xDF \x80"), "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC") << "Windows-1252 guessed";
    EXPECT_EQ(Utf8Output()("Z\xC3\xAB"), "Z\xC3\xAB") << "valid UTF-8 stays";
    EXPECT_EQ(Utf8Output("iso-8859-1")("\xFC"), "\xC3\xBC");
    EXPECT_EQ(Utf8Output("utf-8")("ok \xFC"), "ok ?") << "a UTF-8 export's broken byte";
}

}  // namespace
}  // namespace torvane
