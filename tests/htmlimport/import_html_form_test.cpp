#include "htmlimport/import_html_form.h"

#include "store/data_module.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace torvane {
namespace {

class ImportHTMLFormTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TImportHTMLForm form{data};

    QLabel* label(const char* name) { return form.findChild<QLabel*>(QString::fromLatin1(name)); }
};

TEST_F(ImportHTMLFormTest, BuiltAsDescribedAndIdleUntilShown)
{
    EXPECT_EQ(form.windowTitle(), "Importing HTML Form");
    EXPECT_EQ(form.size(), QSize(366, 235));
    EXPECT_FALSE(form.isModal());
    struct Case {
        const char* name;
        const char* text;
    };
    for (const Case& c : {Case{"Label1", "Importing HTML File"}, Case{"Label2", "Fields Imported:"},
                          Case{"ImportedData", "0"}}) {
        ASSERT_NE(label(c.name), nullptr) << c.name;
        EXPECT_EQ(label(c.name)->text(), c.text) << c.name;
    }
    EXPECT_EQ(label("Label1")->font().pixelSize(), 32);
    QWidget* animation = form.findChild<QWidget*>("Animate1");
    ASSERT_EQ(animation, form.Animate1);
    EXPECT_EQ(animation->size(), QSize(272, 60));
    EXPECT_FALSE(form.Animate1->isRunning());
}

TEST_F(ImportHTMLFormTest, TheSettingsDialogsCallingOrder)
{
    dir.write("page.html",
              "<FORM ACTION=go.cgi METHOD=POST>\n<INPUT NAME=a><INPUT NAME=b>\n<SELECT NAME=c><OPTION>x\n");
    form.PageFileName = dir.file("page.html");
    form.show();
    EXPECT_TRUE(form.Animate1->isRunning());
    form.ImportHTML();
    // The count as it stood when the last line began: the tags of that line are not shown.
    EXPECT_EQ(form.ImportedData->text(), "3");
    EXPECT_EQ(form.tagCount(), 5);
    EXPECT_EQ(data.FieldsTable.recordCount(), 3);
    EXPECT_EQ(data.SelDataTable.recordCount(), 1);
    form.close();
    form.stopAnimation();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Animate1->isRunning());

    // Reused for the next import: the count starts again.
    dir.write("page.html", "<INPUT NAME=z>\n<INPUT NAME=y>\n");
    form.show();
    form.ImportHTML();
    EXPECT_EQ(form.ImportedData->text(), "1");
    EXPECT_EQ(form.tagCount(), 2);
}

TEST_F(ImportHTMLFormTest, AFailureClosesTheWindowAndReachesTheCaller)
{
    form.PageFileName = dir.file("missing.html");
    form.show();
    try {
        form.ImportHTML();
        FAIL() << "import succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "File not found");
    }
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Animate1->isRunning());
}

TEST_F(ImportHTMLFormTest, APageOfSeveralFormsListsThemAndImportsTheOneChosen)
{
    dir.write("page.html", "<form id=search action=/s><input name=q></form>\n"
                           "<form name=order action=/o method=post><input name=a><input name=b></form>\n");
    form.PageFileName = dir.file("page.html");
    form.show();
    QStringList shown;
    int chosenAtFirst = -1;
    QTimer::singleShot(0, &form, [&] {
        for (int i = 0; i < form.FormList->count(); ++i)
            shown << form.FormList->item(i)->text();
        chosenAtFirst = form.FormList->currentRow();
        EXPECT_TRUE(form.FormList->isVisible());
        form.FormList->setCurrentRow(0);
        QTest::mouseClick(form.FormImportButton, Qt::LeftButton);
    });
    form.ImportHTML();
    EXPECT_EQ(shown, QStringList({"1. search  /s  (1 fields)", "2. order  /o  (2 fields)"}));
    EXPECT_EQ(chosenAtFirst, 1);
    EXPECT_FALSE(form.FormList->isVisible());
    EXPECT_EQ(data.FieldsTable.recordCount(), 1);
    EXPECT_EQ(data.SettingsTable.text("URL"), "/s");

    // Closing the window instead imports nothing.
    form.show();
    QTimer::singleShot(0, &form, [&] { form.close(); });
    EXPECT_THROW(form.ImportHTML(), Error);
    EXPECT_EQ(data.FieldsTable.recordCount(), 1);
    EXPECT_FALSE(form.isVisible());
}

TEST(FileCopyAnimation, LoopsThroughItsFrames)
{
    FileCopyAnimation animation;
    for (int i = 0; i < FileCopyAnimation::kFrameCount - 1; ++i)
        animation.step();
    EXPECT_EQ(animation.frame(), FileCopyAnimation::kFrameCount - 1);
    animation.step();
    EXPECT_EQ(animation.frame(), 0);
    // The sheet moves between frames.
    auto picture = [&animation] {
        QImage image(animation.size(), QImage::Format_ARGB32);
        image.fill(Qt::gray);
        animation.render(&image);
        return image;
    };
    const QImage first = picture();
    for (int i = 0; i < FileCopyAnimation::kFrameCount / 2; ++i)
        animation.step();
    EXPECT_NE(picture(), first);
}

}  // namespace
}  // namespace torvane
