#include "gui/qt_text.h"
#include "screens/db_controls.h"

#include "store/data_module.h"
#include "support/temp_dir.h"
#include "util/error.h"
#include "util/error_handler.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace torvane {
namespace {

class DbControlsTest : public ::testing::Test {
protected:
    DbControlsTest()
    {
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
    }

    int storedRows(const char* table)
    {
        return static_cast<int>(
            std::get<int64_t>(data.database().query(std::string("SELECT count(*) FROM ") + table)[0][0]));
    }

    void addOption(const std::string& name, int order)
    {
        TableView& v = data.SelDataTable;
        v.append();
        v.setText("Name", name);
        v.setInteger("OrderNum", order);
        v.post();
    }

    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    WindowEncodings encodings;
    std::vector<std::string> errors;
};

TEST_F(DbControlsTest, EditWritesEachKeystrokeThatFitsAndHoldsBackTheRest)
{
    struct Case {
        const char* typed;
        const char* pendingAfter;  // what readers of the view get
        bool waiting;              // the box holds text not yet written
    };
    const Case cases[] = {
        {"-", "", true},     {"-5", "-5", false}, {"12", "12", false},
        {"12a", "12", true}, {" 7 ", "7", false},
        // Digits past what 32 bits hold are held back, never wrapped round (2^64 + 4 onto 4).
        {"2147483648", "214748364", true}, {"18446744073709551620", "1844674407", true},
    };
    DBEdit edit(encodings, data.FieldsSource, "OrderNum");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        data.FieldsTable.cancel();
        edit.clear();
        QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(data.FieldsTable.displayText("OrderNum"), c.pendingAfter);
        EXPECT_EQ(edit.hasUnwrittenText(), c.waiting);
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.typed)) << "the box keeps what the operator typed";
        EXPECT_NE(data.FieldsTable.state(), TableView::State::Browse) << "typing puts the row into editing";
    }
    EXPECT_TRUE(errors.empty()) << "a partial number is no error while it is being typed";
}

TEST_F(DbControlsTest, WaitingTextIsRefusedWithTheStoresMessageWhenTheRowIsSaved)
{
    QWidget window;
    DBEdit& edit = *new DBEdit(encodings, data.SettingsSource, "LinesToRead", &window); // the window owns it
    QTest::keyClicks(&edit, "abc");
    std::string message;
    try {
        updateRecord(window, data.SettingsTable);
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "'abc' is not a valid integer value for field 'LinesToRead'");
    EXPECT_EQ(edit.text(), "abc");
    EXPECT_EQ(data.SettingsTable.state(), TableView::State::Insert) << "the refused row stays in editing";

    edit.clear();
    QTest::keyClicks(&edit, "3");
    updateRecord(window, data.SettingsTable);
    data.SettingsTable.post();
    EXPECT_EQ(data.SettingsTable.integer("LinesToRead", 0), 3);
}

TEST_F(DbControlsTest, EditFollowsTheViewButNotItsOwnWrites)
{
    addOption("Color", 10);
    addOption("Size", 20);
    data.SelDataTable.first();
    DBEdit edit(encodings, data.SelDataSource, "Name");
    EXPECT_EQ(edit.text(), "Color");

    data.SelDataTable.next();
    EXPECT_EQ(edit.text(), "Size");

    edit.setCursorPosition(1);
    QTest::keyClick(&edit, 'X');
    EXPECT_EQ(edit.text(), "SXize");
    EXPECT_EQ(edit.cursorPosition(), 2) << "its own write must not reload the box under the cursor";
    EXPECT_EQ(data.SelDataTable.text("Name"), "SXize");

    data.SelDataTable.cancel();
    EXPECT_EQ(edit.text(), "Size");
}

TEST_F(DbControlsTest, WaitingTextIsDroppedWhenItsRowIsLeftOrAbandoned)
{
    addOption("Color", 10);
    addOption("Size", 20);
    data.SelDataTable.first();
    DBEdit edit(encodings, data.SelDataSource, "OrderNum");
    QTest::keyClicks(&edit, "x");
    ASSERT_TRUE(edit.hasUnwrittenText());
    data.SelDataTable.cancel();
    EXPECT_FALSE(edit.hasUnwrittenText());
    EXPECT_EQ(edit.text(), "10");
}

TEST_F(DbControlsTest, CheckBoxShowsBlankAsEmptyAndWritesTrueAndFalse)
{
    DBCheckBox box(data.SettingsSource, "ViewDiag", "Show Diagnostics");
    EXPECT_FALSE(box.isChecked());
    EXPECT_TRUE(data.SettingsTable.isBlank("ViewDiag"));

    box.click();
    EXPECT_EQ(data.SettingsTable.displayText("ViewDiag"), "True");
    box.click();
    EXPECT_EQ(data.SettingsTable.displayText("ViewDiag"), "False");
    EXPECT_FALSE(data.SettingsTable.isBlank("ViewDiag")) << "cleared is False, not blank";

    data.SettingsTable.setLogical("ViewDiag", true);
    EXPECT_TRUE(box.isChecked());
    data.SettingsTable.setBlank("ViewDiag");
    EXPECT_FALSE(box.isChecked());
}

TEST_F(DbControlsTest, ComboBoxOffersOnlyItsChoices)
{
    DBComboBox combo(encodings, data.FieldsSource, "Format", {"", "A", "B"});
    EXPECT_FALSE(combo.isEditable());
    EXPECT_EQ(combo.count(), 3);

    combo.setCurrentIndex(2);
    emit combo.activated(2);
    EXPECT_EQ(data.FieldsTable.text("Format"), "B");

    struct Case {
        const char* stored;
        int shown;
    };
    for (const Case& c : {Case{"A", 1}, Case{"", 0}, Case{"not a choice", -1}}) {
        data.FieldsTable.setText("Format", c.stored);
        EXPECT_EQ(combo.currentIndex(), c.shown) << c.stored;
    }
}

TEST_F(DbControlsTest, LookupListsTheOtherTableAndFollowsItsRows)
{
    auto addField = [&](const char* name) {
        data.FieldsTable.append();
        data.FieldsTable.setText("Name", name);
        data.FieldsTable.post();
    };
    addField("First");
    addField("Last");
    DBLookupComboBox combo(encodings, data.SettingsSource, "FieldToTrack1", data.FieldsSource, "Name");
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(1), "Last");
    EXPECT_EQ(combo.currentIndex(), -1) << "a blank tracked field chooses nothing";

    combo.setCurrentIndex(1);
    emit combo.activated(1);
    EXPECT_EQ(data.SettingsTable.text("FieldToTrack1"), "Last");

    addField("Zip");
    addField("Phone");
    EXPECT_EQ(combo.count(), 2) << "the list is rebuilt once the changes are over";
    QCoreApplication::processEvents();
    EXPECT_EQ(combo.count(), 4) << "rows added to the listed table show up";
    EXPECT_EQ(combo.currentIndex(), 1) << "the choice survives the list refresh";

    data.SettingsTable.setBlank("FieldToTrack1");
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST_F(DbControlsTest, GridFollowsTheViewAndChoosingARowMovesIt)
{
    for (int i = 1; i <= 3; ++i)
        addOption("F" + std::to_string(i), i * 10);
    data.SelDataTable.first();
    DBGrid grid(encodings, data.SelDataSource, {{"Name", "Field Name"}, {"OrderNum", "Order Number"}});
    grid.resize(300, 200);
    grid.show();
    QAbstractItemModel* model = grid.model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Order Number");
    EXPECT_EQ(model->data(model->index(2, 1)).toString(), "30");
    EXPECT_EQ(grid.currentIndex().row(), 0);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model->index(2, 0)).center());
    EXPECT_EQ(data.SelDataTable.recNo(), 2);

    data.SelDataTable.moveTo(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.currentIndex().row(), 1);

    // Rows written elsewhere (a posting run, a statement) show up once the writer pauses.
    addOption("F4", 40);
    addOption("F5", 50);
    EXPECT_EQ(model->rowCount(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(grid.currentIndex().row(), data.SelDataTable.recNo());
    data.SelDataTable.moveTo(3);
    data.SelDataTable.setText("Name", "Changed");
    QCoreApplication::processEvents();
    EXPECT_EQ(model->data(model->index(3, 0)).toString(), "Changed") << "pending values are shown";
    EXPECT_EQ(model->headerData(3, Qt::Vertical).toString(), "I");
}

TEST_F(DbControlsTest, ChoosingAnotherRowSavesTheChangedRow)
{
    addOption("A", 1);
    addOption("B", 2);
    data.SelDataTable.first();
    QWidget window; // the grid saves the boxes of its own window
    DBGrid& grid = *new DBGrid(encodings, data.SelDataSource, {{"Name", "Field Name"}}, &window);
    DBEdit& edit = *new DBEdit(encodings, data.SelDataSource, "OrderNum", &window);
    edit.move(0, 220);
    grid.resize(300, 200);
    window.resize(300, 260);
    window.show();

    edit.selectAll();
    QTest::keyClicks(&edit, "5");
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(1, 0)).center());
    EXPECT_EQ(data.SelDataTable.recNo(), 1);
    EXPECT_EQ(std::get<int64_t>(data.database().query("SELECT OrderNum FROM seldata WHERE Name = 'A'")[0][0]), 5);

    // Text that does not fit keeps the view on its row and is reported.
    edit.selectAll();
    QTest::keyClicks(&edit, "x");
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(0, 0)).center());
    EXPECT_EQ(data.SelDataTable.recNo(), 1);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'x' is not a valid integer value for field 'OrderNum'");
}

TEST_F(DbControlsTest, CtrlDeleteAsksBeforeDeleting)
{
    struct Case {
        int rows;
        bool answer;
        int asked;
        int rowsAfter;
    };
    const Case cases[] = {{2, true, 1, 1}, {2, false, 1, 2}, {0, true, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, answer " << c.answer);
        data.SelDataQuery.execute(deleteAllOptions());
        for (int i = 0; i < c.rows; ++i)
            addOption("R", i);
        DBGrid grid(encodings, data.SelDataSource, {{"Name", "Field Name"}});
        std::vector<std::string> questions;
        grid.setConfirm([&](const std::string& caption, const std::string& text) {
            questions.push_back(caption + "|" + text);
            return c.answer;
        });
        QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(static_cast<int>(questions.size()), c.asked);
        if (!questions.empty()) {
            EXPECT_EQ(questions[0], "Confirm|Delete record?");
        }
        EXPECT_EQ(storedRows("seldata"), c.rowsAfter);
        QTest::keyClick(&grid, Qt::Key_Delete);
        EXPECT_EQ(storedRows("seldata"), c.rowsAfter) << "Delete alone deletes nothing";
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace torvane
