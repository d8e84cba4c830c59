#include "report/report_layout.h"

#include <QFontMetricsF>
#include <QImage>
#include <gtest/gtest.h>

namespace torvane {
namespace {

constexpr double kDpi = 1200;

double widthOf(const QString& text, const QFont& font, double dpi)
{
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    device.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    return QFontMetricsF(font, &device).horizontalAdvance(text);
}

TEST(PageGeometry, LetterWithHalfInchMarginsAndHeader)
{
    const PageGeometry portrait = pageGeometryFor(8.5, 11, kDpi);
    EXPECT_DOUBLE_EQ(portrait.textWidth, 7.5 * kDpi);
    EXPECT_NEAR(portrait.bodyHeight, (11 - 1 - 0.542) * kDpi, 1e-6);
    // Turned sideways the text keeps its 7.5 inch width but has less height per page.
    const PageGeometry landscape = pageGeometryFor(11, 8.5, kDpi);
    EXPECT_DOUBLE_EQ(landscape.textWidth, 7.5 * kDpi);
    EXPECT_NEAR(landscape.bodyHeight, (8.5 - 1 - 0.542) * kDpi, 1e-6);
    // Paper narrower than the text box wraps to what fits inside the margins.
    EXPECT_DOUBLE_EQ(pageGeometryFor(5, 8, kDpi).textWidth, 4 * kDpi);
}

TEST(PaneLines, SplitsOnEveryKindOfLineBreak)
{
    struct Case {
        const char* name;
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {"empty pane", "", {}},
        {"one line", "Record 1 sent", {"Record 1 sent"}},
        {"crlf", "a\r\nb", {"a", "b"}},
        {"lf", "a\nb", {"a", "b"}},
        {"lone cr", "a\rb", {"a", "b"}},
        {"final break ends the line", "a\nb\n", {"a", "b"}},
        {"blank lines kept", "a\n\n\nb", {"a", "", "", "b"}},
        {"only a break", "\r\n", {""}},
        {"cr cr is two breaks", "a\r\rb", {"a", "", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(paneLines(c.text), c.lines) << c.name;
}

TEST(WrapLine, ShortAndSpecialLines)
{
    const QFont font = reportFont();
    const double width = 7.5 * kDpi;
    struct Case {
        const char* name;
        QString line;
        QStringList printed;
    };
    const Case cases[] = {
        {"short line unchanged", "Record 12 was accepted", {"Record 12 was accepted"}},
        {"empty line takes a line", "", {""}},
        {"tab to the next stop of 8", "ab\tc", {"ab      c"}},
        {"tab at a stop moves a full stop", "abcdefgh\tc", {"abcdefgh        c"}},
        {"control characters show as blanks", QString("a") + QChar(0) + "b" + QChar(7), {"a b "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapLine(c.line, font, width, kDpi), c.printed) << c.name;
}

TEST(WrapLine, LongLinesBreakToFitTheWidth)
{
    const QFont font = reportFont();
    QString words;
    for (int i = 0; i < 60; ++i)
        words += QStringLiteral("field%1=value ").arg(i);
    const QString unbroken(400, QChar('x'));

    struct Case {
        const char* name;
        QString line;
        double widthInches;
        bool breaksAtBlanks;
    };
    const Case cases[] = {
        {"words wrap at blanks", words.trimmed(), 7.5, true},
        {"one endless word is broken anywhere", unbroken, 7.5, false},
        {"narrow column", words.trimmed(), 1.0, true},
    };
    for (const Case& c : cases) {
        const double width = c.widthInches * kDpi;
        const QStringList printed = wrapLine(c.line, font, width, kDpi);
        ASSERT_GT(printed.size(), 1) << c.name;
        EXPECT_EQ(printed.join(QString()), c.line) << c.name << ": no character lost or repeated";
        for (const QString& p : printed) {
            EXPECT_LE(widthOf(p.trimmed(), font, kDpi), width) << c.name << ": " << p.toStdString();
            if (c.breaksAtBlanks && &p != &printed.last()) {
                EXPECT_TRUE(p.endsWith(' ')) << c.name << ": broke inside a word: " << p.toStdString();
            }
        }
    }
}

TEST(LayoutPages, DealsLinesOntoPages)
{
    const QFont font = reportFont();
    const PageGeometry letter = pageGeometryFor(8.5, 11, kDpi);
    const int perPage = static_cast<int>(letter.bodyHeight / lineHeight(font, kDpi));
    ASSERT_GT(perPage, 40);  // 10 point lines on a letter page

    const auto numbered = [](int count) {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("Line %1").arg(i);
        return lines;
    };
    struct Case {
        const char* name;
        int lines;
        std::vector<int> linesPerPage;
    };
    const Case cases[] = {
        {"empty pane: one page, header only", 0, {0}},
        {"one line", 1, {1}},
        {"a full page", perPage, {perPage}},
        {"one line over", perPage + 1, {perPage, 1}},
        {"three pages", 2 * perPage + 5, {perPage, perPage, 5}},
    };
    for (const Case& c : cases) {
        const QStringList lines = numbered(c.lines);
        const std::vector<PageLines> pages = layoutPages(lines, font, letter);
        ASSERT_EQ(pages.size(), c.linesPerPage.size()) << c.name;
        QStringList all;
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(pages[i].lines.size(), c.linesPerPage[i]) << c.name << " page " << i + 1;
            all += pages[i].lines;
        }
        EXPECT_EQ(all, lines) << c.name << ": every line once, in order";
    }
}

TEST(LayoutPages, WrappedLinesCountTowardsThePage)
{
    const QFont font = reportFont();
    const PageGeometry letter = pageGeometryFor(8.5, 11, kDpi);
    const int perPage = static_cast<int>(letter.bodyHeight / lineHeight(font, kDpi));
    QString longLine;
    while (wrapLine(longLine, font, letter.textWidth, kDpi).size() < 3)
        longLine += QStringLiteral("wrapped words ");

    QStringList lines;
    for (int i = 0; i < perPage - 2; ++i)
        lines << QStringLiteral("x");
    lines << longLine;  // needs three printed lines where only two are left
    const std::vector<PageLines> pages = layoutPages(lines, font, letter);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].lines.size(), perPage);
    EXPECT_EQ(pages[1].lines.size(), wrapLine(longLine, font, letter.textWidth, kDpi).size() - 2);
}

TEST(LayoutPages, PageShorterThanALineStillProgresses)
{
    PageGeometry tiny = pageGeometryFor(8.5, 11, kDpi);
    tiny.bodyHeight = 1;
    const std::vector<PageLines> pages = layoutPages({"a", "b", "c"}, reportFont(), tiny);
    ASSERT_EQ(pages.size(), 3u);
    for (const PageLines& p : pages)
        EXPECT_EQ(p.lines.size(), 1);
}

TEST(PagePrintOrder, RangeAndCopies)
{
    struct Case {
        const char* name;
        int pages, from, to, copies;
        bool collate;
        std::vector<int> order;
    };
    const Case cases[] = {
        {"all pages", 3, 0, 0, 1, false, {1, 2, 3}},
        {"a range", 5, 2, 3, 1, false, {2, 3}},
        {"range past the end is clipped", 3, 2, 9999, 1, false, {2, 3}},
        {"range wholly past the end", 2, 5, 9, 1, false, {}},
        {"from 0 counts from the first page", 3, 0, 2, 1, false, {1, 2}},
        {"single page", 4, 4, 4, 1, false, {4}},
        {"collated copies", 2, 0, 0, 2, true, {1, 2, 1, 2}},
        {"uncollated copies", 2, 0, 0, 3, false, {1, 1, 1, 2, 2, 2}},
        {"copies of a range", 5, 2, 3, 2, true, {2, 3, 2, 3}},
        {"zero copies print once", 1, 0, 0, 0, false, {1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pagePrintOrder(c.pages, c.from, c.to, c.copies, c.collate), c.order) << c.name;
}

}  // namespace
}  // namespace torvane
