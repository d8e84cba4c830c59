// The Run History window: the posting runs of the store's history, newest first, and for the chosen run
// the charts of its report (records by outcome, response times, records per minute), with a button that
// saves the run's report as an HTML page.
#pragma once

#include "posting/run_report.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QTableWidget;
class QPushButton;
class QChartView;

namespace torvane {

class TDataModule1;

class TRunHistoryForm : public QDialog {
    Q_OBJECT
public:
    TRunHistoryForm(TDataModule1& data, QWidget* parent = nullptr);

    // Asks where to save a report, given a suggested name; an empty answer saves nothing.
    using FileChooser = std::function<QString(const QString& suggested)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // Reads the runs again from the store and shows the newest.
    void refresh();
    void SaveReportBClick();
    // The report on show, for the charts' tests.
    const RunReport* shownReport() const { return m_report.run.run > 0 ? &m_report : nullptr; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showRun(int row);
    void drawCharts();

    TDataModule1& m_data;
    QTableWidget* m_grid = nullptr;
    QChartView* m_countsView = nullptr;
    QChartView* m_timesView = nullptr;
    QChartView* m_minutesView = nullptr;
    QLabel* m_figures = nullptr;
    QPushButton* m_save = nullptr;
    std::vector<int64_t> m_runs;  // run numbers, by row
    RunReport m_report;
    FileChooser m_chooseFile;
};

}  // namespace torvane
