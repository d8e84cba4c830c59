#include "http/form_encoding.h"

#include <gtest/gtest.h>
#include <ostream>

namespace torvane {
namespace {

struct BodyCase {
    const char* name;
    std::vector<std::string> entries;
    std::string body;
};

void PrintTo(const BodyCase& c, std::ostream* os)
{
    *os << c.name;
}

class PostBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(PostBodyTest, Encodes)
{
    EXPECT_EQ(encodePostBody(GetParam().entries), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PostBodyTest,
    ::testing::Values(BodyCase{"TwoEntriesEndWithAmpersand", {"first=Ann Lee", "zip=0815-7"}, "first=Ann+Lee&zip=0815%2D7&"},
                      BodyCase{"OneEntryNoAmpersand", {"a=b"}, "a=b"},
                      BodyCase{"Empty", {}, ""},
                      BodyCase{"Percent", {"v=50% off"}, "v=50%25+off"},
                      BodyCase{"Plus", {"v=a+b"}, "v=a%2Bb"},
                      BodyCase{"AlreadyEncoded", {"v=%20"}, "v=%2520"},
                      BodyCase{"NameWithABlankEncoded", {"my name=x y"}, "my+name=x+y"},
                      BodyCase{"NamesThatGoOutWellStay",
                               {"customer[name]=1", "order-no=2", "Customer+Name=3", "a%5Bb%5D=4", "a.b_c~d*=5"},
                               "customer[name]=1&order-no=2&Customer+Name=3&a%5Bb%5D=4&a.b_c~d*=5&"},
                      BodyCase{"NameBytesThatBreakABodyEncoded",
                               {"a&b=1", std::string("c\x01\x7F=2"), std::string("caf\xE9=3"), "Customer Name="},
                               "a%26b=1&c%01%7F=2&caf%E9=3&Customer+Name=&"},
                      BodyCase{"SameNameEncodedOnce", {"a=1 2", "a=3&4"}, "a=1+2&a=3%264&"},
                      BodyCase{"NoEqualsStays", {"plain text", "b=c"}, "plain text&b=c&"},
                      BodyCase{"EmptyValue", {"a=", "b=1"}, "a=&b=1&"},
                      BodyCase{"OnlyFirstEqualsSplits", {"a=b=c"}, "a=b%3Dc"},
                      BodyCase{"HighBytesAndControls", {std::string("a=\xE9\t")}, "a=%E9%09"},
                      BodyCase{"EndsTrimmed", {" plain", "b=c\t"}, "plain&b=c%09&"},
                      BodyCase{"ALeadingBlankOfANameIsEncoded", {" lead=x"}, "+lead=x"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane
