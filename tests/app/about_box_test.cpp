#include "app/about_box.h"

#include "util/product_info.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

namespace torvane {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = TAboutBox::urlOpener;
        TAboutBox::urlOpener = [this](const QUrl& url) { m_opened.push_back(url); };
    }
    void TearDown() override { TAboutBox::urlOpener = m_saved; }

    std::vector<QUrl> m_opened;
    std::function<void(const QUrl&)> m_saved;
};

TEST_F(AboutBoxTest, ShowsTheProductAndItsMaker)
{
    QWidget owner;
    TAboutBox box(&owner);
    EXPECT_EQ(box.windowTitle(), "Torvane");
    EXPECT_EQ(box.size(), QSize(432, 317));
    EXPECT_EQ(box.parent(), &owner);

    struct Expected {
        const char* name;
        QString text;
    };
    const Expected labels[] = {
        {"ProductName", kProductName}, {"Version", "Version 1.1"}, {"Copyright", kCopyrightNotice},
        {"WebSite", kWebAddress},      {"EMail", kSalesEmail},
    };
    for (const Expected& e : labels) {
        auto* label = box.findChild<QLabel*>(e.name);
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->text(), e.text) << e.name;
    }
    for (const char* picture : {"Image1", "Image2"}) {
        auto* image = box.findChild<QLabel*>(picture);
        ASSERT_NE(image, nullptr) << picture;
        EXPECT_FALSE(image->pixmap().isNull()) << picture << ": picture not loaded";
    }
    EXPECT_EQ(box.Image2->size(), QSize(113, 113));
    EXPECT_EQ(box.Image1->size(), QSize(273, 65));
    EXPECT_EQ(box.Image1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(box.WebSite->cursor().shape(), Qt::PointingHandCursor);
    auto* ok = box.findChild<QPushButton*>("BitBtn1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_FALSE(ok->icon().isNull());
}

TEST_F(AboutBoxTest, BannerAndWebAddressOpenTheSameSite)
{
    TAboutBox box(nullptr);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    struct Case {
        const char* name;
        QWidget* target;
        std::function<void(QWidget*)> act;
        size_t opens;
    };
    const auto click = [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); };
    const Case cases[] = {
        {"click on the banner", box.Image1, click, 1},
        {"click on the web address", box.WebSite, click, 1},
        {"double click opens once", box.Image1,
         [](QWidget* w) {
             // What the window system delivers: press, release, double click, release.
             QTest::mouseClick(w, Qt::LeftButton);
             QTest::mouseDClick(w, Qt::LeftButton);
             QTest::mouseRelease(w, Qt::LeftButton);
         },
         1},
        {"right click does nothing", box.WebSite,
         [](QWidget* w) { QTest::mouseClick(w, Qt::RightButton); }, 0},
        {"the e-mail address is no link", box.EMail, click, 0},
        {"the logo is no link", box.Image2, click, 0},
        {"letting go outside takes the click back", box.Image1,
         [](QWidget* w) {
             QTest::mousePress(w, Qt::LeftButton);
             QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(w->width() + 20, w->height() / 2));
         },
         0},
    };
    for (const Case& c : cases) {
        m_opened.clear();
        c.act(c.target);
        ASSERT_EQ(m_opened.size(), c.opens) << c.name;
        for (const QUrl& url : m_opened)
            EXPECT_EQ(url, QUrl(kWebAddress)) << c.name;
    }
}

TEST_F(AboutBoxTest, OkClosesTheBox)
{
    TAboutBox box(nullptr);
    QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.BitBtn1, Qt::LeftButton); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(m_opened.empty());
}

}  // namespace
}  // namespace torvane
