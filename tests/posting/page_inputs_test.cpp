#include "posting/page_inputs.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::string names(const std::vector<PageInput>& inputs)
{
    std::string out;
    for (const PageInput& i : inputs)
        out += "[" + i.name + "|" + i.type + "|" + i.value + "]";
    return out;
}

TEST(ReadPageInputs, FindsTheInputsTheImportWouldFind)
{
    struct Case {
        const char* name;
        const char* page;
        const char* inputs;
    };
    const Case cases[] = {
        {"lower case, values keep their case", "<input type=hidden name=csrf value=AbC>", "[csrf|hidden|AbC]"},
        {"several on a line, in order", "<INPUT NAME=\"a\" VALUE=\"1\"><p><INPUT NAME=\"b\" VALUE=\"2\">",
         "[a||1][b||2]"},
        {"a comment on one line hides its tag", "<!-- <INPUT NAME=\"x\"> -->\n<INPUT NAME=\"y\">", "[y||]"},
        {"a comment over lines does not", "<!--\n<INPUT NAME=\"x\">\n-->", "[x||]"},
        {"a tag over two lines", "<INPUT TYPE=\"hidden\"\nNAME=\"t\" VALUE=\"v\">", "[t|hidden|v]"},
        {"other form tags are passed over whole",
         "<FORM ACTION=\"/a?<INPUT NAME=no>\"><SELECT NAME=s><OPTION VALUE=1>One</SELECT><INPUT NAME=\"k\">",
         "[k||]"},
        {"a > in a quoted value ends the tag", "<INPUT VALUE=\"a>b\" NAME=\"x\">", "[||a]"},
        {"none", "<html><body>Thank you</body></html>", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(readPageInputs(c.page)), c.inputs) << c.name;
}

TEST(FindPageInput, TheFirstOfTheNameWinsAndLetterCaseCounts)
{
    const auto inputs = readPageInputs("<INPUT NAME=t VALUE=1><INPUT NAME=t VALUE=2><INPUT NAME=T VALUE=3>");
    ASSERT_NE(findPageInput(inputs, "t"), nullptr);
    EXPECT_EQ(findPageInput(inputs, "t")->value, "1");
    EXPECT_EQ(findPageInput(inputs, "T")->value, "3");
    EXPECT_EQ(findPageInput(inputs, "u"), nullptr);
}

}  // namespace
}  // namespace torvane
