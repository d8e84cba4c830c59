#include "screens/interrupted_form.h"

#include "store/data_module.h"
#include "store/ledger.h"
#include "support/store_rows.h"
#include "support/temp_dir.h"
#include "util/dates.h"
#include "util/error_handler.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace torvane {
namespace {

class InterruptedFormTest : public ::testing::Test {
protected:
    InterruptedFormTest()
    {
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
        setShortDateFormat("MM/dd/yyyy");
        DeliveryLedger ledger(data.database());
        const int64_t run = ledger.beginRun("export.txt");
        // Two records cut off, one accepted (not listed); a key that is not UTF-8 stays as stored.
        ledger.finishDelivery(ledger.beginDelivery(run, 2, 1, "1001", true), DeliveryState::InDoubt);
        ledger.finishDelivery(ledger.beginDelivery(run, 3, 2, "1002", true), DeliveryState::Accepted);
        ledger.beginDelivery(run, 4, 3, "M\xFC" "1003", true);
    }

    template <typename W = QWidget> W* child(const char* name)
    {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStringList column(int c)
    {
        QStringList out;
        auto* grid = child<QTableWidget>("DBGrid1");
        for (int r = 0; r < grid->rowCount(); ++r)
            out << grid->item(r, c)->text();
        return out;
    }

    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TInterruptedForm form{data};
    std::vector<std::string> errors;
};

TEST_F(InterruptedFormTest, ListsTheRecordsInDoubtWhenShown)
{
    EXPECT_EQ(form.windowTitle(), "Interrupted Submissions");
    EXPECT_TRUE(form.isModal());
    form.show();
    EXPECT_EQ(column(0), (QStringList{"1001", QString::fromLatin1("M\xFC" "1003")}));
    EXPECT_EQ(column(1), (QStringList{QString::fromStdString(formatShortDate(today())),
                                      QString::fromStdString(formatShortDate(today()))}));
    EXPECT_EQ(column(2), (QStringList{"2", "4"}));
    EXPECT_EQ(child<QPushButton>("MarkSentB")->text(), "Mark As Sent");
    EXPECT_EQ(child<QPushButton>("SendAgainB")->text(), "Send Again");
    form.hide();
}

TEST_F(InterruptedFormTest, MarkAsSentTracksTheKeyAndSendAgainOnlyResolves)
{
    form.show();
    auto* grid = child<QTableWidget>("DBGrid1");
    grid->selectRow(1);
    QTest::mouseClick(child<QPushButton>("MarkSentB"), Qt::LeftButton);
    EXPECT_EQ(column(0), QStringList{"1001"});
    EXPECT_EQ(test::trackedKeys(data.database()), std::vector<std::string>{"M\xFC" "1003"}) << "the key exactly as stored";

    QTest::mouseClick(child<QPushButton>("SendAgainB"), Qt::LeftButton);
    EXPECT_TRUE(column(0).isEmpty());
    EXPECT_EQ(test::trackedKeys(data.database()).size(), 1u);
    EXPECT_FALSE(DeliveryLedger(data.database()).inDoubtSince("1001").has_value());

    QTest::mouseClick(child<QPushButton>("SendAgainB"), Qt::LeftButton);  // nothing left: nothing happens
    EXPECT_TRUE(errors.empty());
    form.hide();
}

}  // namespace
}  // namespace torvane
