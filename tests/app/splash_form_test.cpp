#include "app/splash_form.h"

#include "app/about_box.h"
#include "util/product_info.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(FitFontToWidth, NarrowTextKeepsItsFontWideTextShrinksUntilItFits)
{
    const QFont design = productNameFont();
    const int torvaneWidth = QFontMetrics(design).horizontalAdvance(kProductName);
    ASSERT_LT(torvaneWidth, kProductNameWidthLimit);

    struct Case {
        const char* name;
        QString text;
        int limit;
        bool shrinks;
    };
    const Case cases[] = {
        {"the product name fits the limit", kProductName, kProductNameWidthLimit, false},
        {"exactly as wide as the limit", kProductName, torvaneWidth, false},
        {"one pixel too wide", kProductName, torvaneWidth - 1, true},
        {"a long name", "Torvane Enterprise Posting Suite", kProductNameWidthLimit, true},
        {"empty text", "", kProductNameWidthLimit, false},
    };
    for (const Case& c : cases) {
        const QFont fitted = fitFontToWidth(design, c.text, c.limit);
        EXPECT_EQ(fitted.family(), design.family()) << c.name;
        EXPECT_EQ(fitted.bold(), design.bold()) << c.name;
        if (!c.shrinks) {
            EXPECT_EQ(fitted, design) << c.name;
            continue;
        }
        EXPECT_LT(fitted.pointSize(), design.pointSize()) << c.name;
        EXPECT_LE(QFontMetrics(fitted).horizontalAdvance(c.text), c.limit) << c.name;
        // One point at a time: a point larger would not have fitted.
        QFont larger = fitted;
        larger.setPointSize(fitted.pointSize() + 1);
        EXPECT_GT(QFontMetrics(larger).horizontalAdvance(c.text), c.limit) << c.name;
    }
}

TEST(FitFontToWidth, TextThatNeverFitsStopsAtOnePoint)
{
    const QFont fitted = fitFontToWidth(productNameFont(), QString(5000, QChar('W')));
    EXPECT_EQ(fitted.pointSize(), 1);
}

TEST(SplashForm, ShowsTheProductAndItsMaker)
{
    TSplashForm splash;
    EXPECT_EQ(splash.windowTitle(), "Torvane");
    EXPECT_EQ(splash.size(), QSize(434, 333));
    EXPECT_FALSE(splash.windowFlags() & Qt::WindowCloseButtonHint);

    struct Expected {
        const char* name;
        QString text;
    };
    const Expected labels[] = {
        {"ProductName", kProductName}, {"Version", "Version 1.1"}, {"Copyright", kCopyrightNotice},
        {"WebSite", kWebAddress},      {"EMail", kSalesEmail},     {"Label1", "Loading...."},
    };
    for (const Expected& e : labels) {
        auto* label = splash.findChild<QLabel*>(e.name);
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->text(), e.text) << e.name;
    }
    EXPECT_EQ(splash.ProductName->font().pointSize(), 18);
    EXPECT_TRUE(splash.ProductName->font().bold());
    EXPECT_EQ(splash.Version->font().pointSize(), 10);
    EXPECT_EQ(splash.WebSite->cursor().shape(), Qt::PointingHandCursor);

    for (const char* picture : {"Image1", "Image2"}) {
        auto* image = splash.findChild<QLabel*>(picture);
        ASSERT_NE(image, nullptr) << picture;
        EXPECT_FALSE(image->pixmap().isNull()) << picture << ": picture not loaded";
    }
    EXPECT_EQ(splash.Image1->size(), QSize(116, 113));
    EXPECT_TRUE(splash.Image1->hasScaledContents());
    EXPECT_EQ(splash.Image2->size(), QSize(281, 65));
}

TEST(SplashForm, ProgressBarOnlyWithAMaximum)
{
    struct Case {
        int maximum;
        bool shown;
    };
    const Case cases[] = {{0, false}, {-3, false}, {1, true}, {6, true}};
    for (const Case& c : cases) {
        TSplashForm splash(c.maximum);
        splash.show();
        auto* gauge = splash.findChild<QProgressBar*>("Gauge1");
        ASSERT_NE(gauge, nullptr);
        EXPECT_EQ(gauge->isVisible(), c.shown) << "maximum " << c.maximum;
        if (c.shown) {
            EXPECT_EQ(gauge->maximum(), c.maximum);
        }
    }
}

TEST(SplashForm, WebAddressIsNotALink)
{
    int opened = 0;
    const auto saved = TAboutBox::urlOpener;
    TAboutBox::urlOpener = [&](const QUrl&) { ++opened; };
    {
        TSplashForm splash;
        splash.show();
        QTest::mouseClick(splash.WebSite, Qt::LeftButton);
        QTest::mouseDClick(splash.WebSite, Qt::LeftButton);
        EXPECT_TRUE(splash.isVisible());
    }
    TAboutBox::urlOpener = saved;
    EXPECT_EQ(opened, 0);
}

}  // namespace
}  // namespace torvane
