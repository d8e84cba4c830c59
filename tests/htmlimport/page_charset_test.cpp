#include "htmlimport/page_charset.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(PageCharsetTest, DeclaredCharset)
{
    struct Case {
        std::string page;
        const char* charset;
    };
    const Case cases[] = {
        {"<html><head><meta charset=\"utf-8\"></head>", "utf-8"},
        {"<META CHARSET=windows-1252>", "windows-1252"},
        {"<meta charset='Shift_JIS' />", "Shift_JIS"},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">", "iso-8859-1"},
        {"<META HTTP-EQUIV=Content-Type CONTENT=\"text/html;charset = cp850\">", "cp850"},
        {"<meta name=\"description\" content=\"x\">\n<meta charset=\"euc-jp\">", "euc-jp"},
        // Only META tags speak for the page; a charset elsewhere is page text.
        {"<p>charset=utf-8</p><form accept-charset=\"utf-8\">", ""},
        {"<meta charset=>", ""},
        {"<meta charset", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(declaredCharset(c.page), c.charset) << c.page;
    // The declaration belongs in the head; one far down the page is not looked for.
    EXPECT_EQ(declaredCharset(std::string(kCharsetSearchBytes, ' ') + "<meta charset=utf-8>"), "");
}

TEST(PageCharsetTest, OfAFile)
{
    test::TempDir dir;
    dir.write("page.html", "<html><meta charset=\"UTF-8\"><form>");
    EXPECT_EQ(declaredCharsetOfFile(dir.file("page.html")), "UTF-8");
    EXPECT_EQ(declaredCharsetOfFile(dir.file("missing.html")), "");
    EXPECT_EQ(declaredCharsetOfFile(dir.path()), "");
}

}  // namespace
}  // namespace torvane
