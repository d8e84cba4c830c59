#include "gui/qt_text.h"
#include "screens/tracking_form.h"

#include "store/data_module.h"
#include "support/store_rows.h"
#include "support/temp_dir.h"
#include "util/dates.h"
#include "util/error_handler.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace torvane {
namespace {

class TrackingFormTest : public ::testing::Test {
protected:
    TrackingFormTest()
    {
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
        setShortDateFormat("MM/dd/yyyy");
    }

    template <typename W = QWidget> W* child(const char* name)
    {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Appends a tracking record the way a posting run does.
    void track(const std::string& key, Date sent)
    {
        data.TrackTable.append();
        data.TrackTable.setText("DataToTrack", key);
        data.TrackTable.setText("DataSent", formatShortDate(sent));
        data.TrackTable.post();
    }

    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    WindowEncodings encodings;
    TTrackingForm form{data, encodings};
    std::vector<std::string> errors;
};

TEST_F(TrackingFormTest, WindowAndControls)
{
    EXPECT_EQ(form.windowTitle(), "Tracking Information");
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.size(), QSize(454, 300));
    EXPECT_LT(form.minimumWidth(), 454) << "resizable";
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Data Sent");
    EXPECT_EQ(child<QLabel>("Label1")->text(), "Data Sent:");
    EXPECT_EQ(child<QLabel>("Label2")->text(), "Date Sent:");
    EXPECT_TRUE(child<QLineEdit>("DBEdit1")->isReadOnly());
    EXPECT_TRUE(child<QLineEdit>("DBEdit2")->isReadOnly());
    EXPECT_EQ(child<QPushButton>("DeleteB")->text(), "Delete");
    EXPECT_FALSE(child<QPushButton>("DeleteB")->icon().isNull());
    EXPECT_EQ(child<QPushButton>("BitBtn1")->text(), "&Close");
    auto* model = child<QAbstractItemView>("DBGrid1")->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Data Sent");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Date Sent");
}

TEST_F(TrackingFormTest, ListsRowsAndFollowsTheCurrentRow)
{
    track("A1", {2026, 3, 4});
    track("B2", {2026, 12, 9});
    data.TrackTable.first();
    form.show();
    QCoreApplication::processEvents();
    auto* grid = child<QAbstractItemView>("DBGrid1");
    auto* model = grid->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), "A1");
    EXPECT_EQ(model->index(1, 1).data().toString(), "12/09/2026") << "dates in the short date format";
    EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), "A1");
    EXPECT_EQ(child<QLineEdit>("DBEdit2")->text(), "03/04/2026");

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(model->index(1, 0)).center());
    EXPECT_EQ(data.TrackTable.recNo(), 1);
    EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), "B2");

    // A run tracks a record while the window is closed: reopened, it shows it and stands on it.
    QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    track("C3", {2026, 12, 9});
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), "C3");
}

TEST_F(TrackingFormTest, DeleteRemovesTheCurrentRowWithoutAsking)
{
    struct Case {
        int current;
        std::vector<std::string> left;
        const char* nowShown;
    };
    const Case cases[] = {
        {0, {"B", "C"}, "B"},  // the next row becomes current
        {1, {"A", "C"}, "C"},
        {2, {"A", "B"}, "B"},  // the previous one after the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        data.TrackQuery.execute(deleteTrackUpTo({2100, 1, 1}));
        for (const char* key : {"A", "B", "C"})
            track(key, today());
        data.TrackTable.moveTo(c.current);
        QTest::mouseClick(child<QPushButton>("DeleteB"), Qt::LeftButton);
        EXPECT_EQ(test::trackedKeys(data.database()), c.left);
        EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), c.nowShown);
        QCoreApplication::processEvents();
        EXPECT_EQ(child<QAbstractItemView>("DBGrid1")->model()->rowCount(), 2);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(TrackingFormTest, DeleteOnAnEmptyTableReportsTheStoresError)
{
    QTest::mouseClick(child<QPushButton>("DeleteB"), Qt::LeftButton);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Cannot perform this operation on an empty dataset.");
}

TEST_F(TrackingFormTest, CtrlDeleteInTheGridAsks)
{
    track("A", today());
    track("B", today());
    data.TrackTable.first();
    std::vector<std::string> asked;
    bool answer = false;
    form.setConfirm([&](const std::string&, const std::string& text) {
        asked.push_back(text);
        return answer;
    });
    auto* grid = child<QAbstractItemView>("DBGrid1");
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(test::trackedKeys(data.database()), (std::vector<std::string>{"A", "B"}));
    answer = true;
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(test::trackedKeys(data.database()), (std::vector<std::string>{"B"}));
    EXPECT_EQ(asked, (std::vector<std::string>{"Delete record?", "Delete record?"}));
}

}  // namespace
}  // namespace torvane
