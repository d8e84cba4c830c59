#include "gui/qt_text.h"
#include "screens/session_page.h"

#include "htmlimport/import_html_form.h"
#include "screens/settings_form.h"
#include "store/data_module.h"
#include "support/temp_dir.h"
#include "util/error_handler.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace torvane {
namespace {

class SessionPageTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    WindowEncodings encodings;
    std::unique_ptr<QWidget> page{buildSessionPage(data.SettingsSource, encodings)};

    template <typename W> W* child(const char* name)
    {
        W* w = page->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::string stored(const char* field)
    {
        data.SettingsTable.post();
        return data.SettingsTable.text(field, "<blank>");
    }
};

TEST_F(SessionPageTest, EachBoxWritesItsSetting)
{
    struct Case {
        const char* edit;
        const char* field;
        const char* typed;
    };
    const Case cases[] = {
        {"LoginURLEdit", "LoginURL", "http://site/login"},
        {"LoginCheckTextEdit", "LoginCheckText", "Welcome"},
        {"FormURLEdit", "FormURL", "http://site/form"},
    };
    for (const Case& c : cases) {
        QTest::keyClicks(child<QLineEdit>(c.edit), QString::fromLatin1(c.typed));
        EXPECT_EQ(stored(c.field), c.typed) << c.field;
    }
    QTest::mouseClick(child<QCheckBox>("RefreshHiddenCheckBox"), Qt::LeftButton);
    data.SettingsTable.post();
    EXPECT_TRUE(data.SettingsTable.logical("RefreshHidden", false));
}

TEST_F(SessionPageTest, TheLoginDataBoxHoldsOneEntryPerLineBothWays)
{
    std::vector<std::string> errors;
    setErrorReporter([&errors](const std::string& m) { errors.push_back(m); });
    auto* memo = child<QPlainTextEdit>("LoginDataMemo");
    memo->setPlainText(QStringLiteral("user=ann\npassword=${PW}"));
    EXPECT_EQ(stored("LoginData"), "user=ann\npassword=${PW}");
    EXPECT_TRUE(errors.empty()) << errors.at(0);

    data.SettingsTable.edit();
    data.SettingsTable.setText("LoginData", "a=1\nb=2");
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("a=1\nb=2"));
    data.SettingsTable.setBlank("LoginData");
    EXPECT_TRUE(memo->toPlainText().isEmpty());
}

TEST(SettingsFormSessionPage, IsOneOfTheDialogsPages)
{
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TImportHTMLForm importForm{data};
    WindowEncodings encodings;
    TSettingsForm form{data, encodings, importForm};
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_NE(pages, nullptr);
    bool found = false;
    for (int i = 0; i < pages->count(); ++i)
        found = found || (pages->tabText(i) == QStringLiteral("Session") &&
                          pages->widget(i)->objectName() == QStringLiteral("SessionSheet"));
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace torvane
