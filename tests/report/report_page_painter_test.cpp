#include "report/report_page_painter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace torvane {
namespace {

constexpr double kDpi = 96;

// The printable area of a letter page (inside the margins) at 96 pixels per inch.
QImage paint(const PageLines& page)
{
    QImage image(static_cast<int>(7.5 * kDpi), static_cast<int>(10 * kDpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.fill(Qt::white);
    QPainter painter(&image);
    paintReportPage(painter, page, reportFont(), kDpi);
    return image;
}

bool hasInk(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

QPoint at(double xInches, double yInches)
{
    return QPoint(static_cast<int>(xInches * kDpi), static_cast<int>(yInches * kDpi));
}

TEST(ReportPagePainter, HeaderHasTitleAndOutlinedRedBar)
{
    const QImage page = paint(PageLines{});
    struct Probe {
        const char* name;
        QPoint where;
        QColor expected;
    };
    const Probe probes[] = {
        {"bar middle is red", at(3.75, 0.48), Qt::red},
        {"bar left end is red", at(0.05, 0.48), Qt::red},
        {"bar right end is red", at(7.45, 0.48), Qt::red},
        {"bar top edge is outlined", QPoint(360, 40), Qt::black},
        {"bar left edge is outlined", QPoint(0, 46), Qt::black},
        {"above the bar is paper", at(3.75, 0.40), Qt::white},
        {"below the bar is paper", at(3.75, 0.56), Qt::white},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(QColor(page.pixel(p.where)), p.expected) << p.name;

    // The title sits centred in the top 0.385 inch: ink in the middle, none at the sides.
    EXPECT_TRUE(hasInk(page, QRect(at(2.5, 0.0), at(5.0, 0.38))));
    EXPECT_FALSE(hasInk(page, QRect(at(0.0, 0.0), at(1.5, 0.38))));
    EXPECT_FALSE(hasInk(page, QRect(at(6.0, 0.0), at(7.4, 0.38))));
}

TEST(ReportPagePainter, TextOnlyBelowTheHeader)
{
    struct Case {
        const char* name;
        QStringList lines;
        bool inkBelowHeader;
    };
    const Case cases[] = {
        {"empty pane leaves the body blank", {}, false},
        {"blank lines leave it blank", {"", ""}, false},
        {"text prints under the bar", {"Record 1 was accepted", "Record 2 was accepted"}, true},
    };
    for (const Case& c : cases) {
        const QImage page = paint(PageLines{c.lines});
        EXPECT_EQ(hasInk(page, QRect(at(0, 0.56), at(7.4, 9.9))), c.inkBelowHeader) << c.name;
        // The first line starts under the bar and leaves it whole.
        for (int x = 2; x < 300; ++x)
            ASSERT_EQ(QColor(page.pixel(x, 48)), QColor(Qt::red)) << c.name << " x=" << x;
    }
}

}  // namespace
}  // namespace torvane
