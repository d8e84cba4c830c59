// The Run History window: the runs newest first, the charts of the chosen run drawn from its ledger
// rows, and the button that saves the run's HTML report. With TORVANE_SCREENSHOT set, the window is
// also saved there as a picture, for a person to look at.
#include "screens/run_history_form.h"

#include "store/data_module.h"
#include "store/ledger.h"
#include "support/temp_dir.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace torvane {
namespace {

class RunHistoryFormTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TRunHistoryForm form{data};

    RunHistoryFormTest()
    {
        DeliveryLedger ledger(data.database());
        ledger.endRun(ledger.beginRun("old.txt"), runoutcome::kAborted, {});
        const int64_t run = ledger.beginRun("orders.txt");
        ledger.setRunSettings(run, "Export file: orders.txt\nMethod: POST\n");
        RunSummary counts;
        for (int i = 0; i < 120; ++i) {
            const int64_t sent = i * 1500;
            const bool slow = i % 7 == 0;
            const int64_t id = ledger.beginDelivery(run, i + 2, i + 1, std::to_string(1000 + i), true, sent);
            ledger.finishDelivery(id, i % 11 == 0 ? DeliveryState::NotConfirmed : DeliveryState::Accepted, "HTTP/1.1 200 OK", {},
                                  sent + (slow ? 1800 : 40 + i));
            ++(i % 11 == 0 ? counts.notConfirmed : counts.accepted);
        }
        ledger.noteUnsent(run, 122, 121, "1120", DeliveryState::Refused, "Missing required fields: zip");
        counts.refused = 1;
        counts.recordsRead = 121;
        ledger.endRun(run, runoutcome::kCompleted, counts);
    }
};

TEST_F(RunHistoryFormTest, ListsTheRunsDrawsTheChosenRunAndSavesItsReport)
{
    form.show();
    auto* grid = form.findChild<QTableWidget*>("RunsGrid");
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 3)->text(), "completed") << "newest first";
    EXPECT_EQ(grid->item(0, 4)->text(), "121");
    ASSERT_NE(form.shownReport(), nullptr);
    EXPECT_EQ(form.shownReport()->timed, 120);
    for (const char* name : {"CountsChart", "TimesChart", "MinutesChart"}) {
        auto* view = form.findChild<QChartView*>(name);
        ASSERT_NE(view, nullptr) << name;
        ASSERT_EQ(view->chart()->series().size(), 1) << name;
    }
    auto* minutes = qobject_cast<QAbstractBarSeries*>(form.findChild<QChartView*>("MinutesChart")->chart()->series()[0]);
    EXPECT_EQ(minutes->barSets()[0]->count(), 4) << "replies over four minutes";
    EXPECT_TRUE(form.findChild<QLabel*>("FiguresLabel")->text().startsWith("Median "));
    if (const char* shot = std::getenv("TORVANE_SCREENSHOT"))
        form.grab().save(QString::fromLocal8Bit(shot));

    QString suggested;
    form.setFileChooser([&](const QString& s) {
        suggested = s;
        return QString::fromStdString(dir.file("run.html"));
    });
    QTest::mouseClick(form.findChild<QPushButton*>("SaveReportB"), Qt::LeftButton);
    EXPECT_EQ(suggested, "Torvane run 2.html");
    EXPECT_NE(dir.read("run.html").find("<svg"), std::string::npos);

    grid->selectRow(1);
    EXPECT_EQ(form.shownReport()->run.outcome, "aborted");
    EXPECT_EQ(form.shownReport()->timed, 0);
}

}  // namespace
}  // namespace torvane
