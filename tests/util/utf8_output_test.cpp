#include "util/utf8_output.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(Utf8OutputTest, DecodesWithTheExportEncodingOrGuesses)
{
    EXPECT_EQ(Utf8Output()("Gr\xFC\xDF \x80"), "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC") << "Windows-1252 guessed";
    EXPECT_EQ(Utf8Output()("Z\xC3\xAB"), "Z\xC3\xAB") << "valid UTF-8 stays";
    EXPECT_EQ(Utf8Output("iso-8859-1")("\xFC"), "\xC3\xBC");
    EXPECT_EQ(Utf8Output("utf-8")("ok \xFC"), "ok ?") << "a UTF-8 export's broken byte";
}

}  // namespace
}  // namespace torvane
