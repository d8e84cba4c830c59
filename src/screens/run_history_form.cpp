#include "screens/run_history_form.h"

#include "gui/window_placement.h"
#include "posting/run_observer.h"
#include "posting/run_report_html.h"
#include "store/data_module.h"
#include "util/error_handler.h"
#include "util/utf8_output.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

namespace torvane {

namespace {

constexpr int kRunsListed = 200;

QString msText(int64_t ms)
{
    return ms < 1000 ? QStringLiteral("%1 ms").arg(ms) : QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'g', 3);
}

QChartView* chartView(QWidget* parent, const char* name)
{
    auto* view = new QChartView(new QChart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 340);
    return view;
}

// A chart of one bar set over named categories; horizontal for the counts.
QChart* barChart(const QString& title, const QStringList& categories, const std::vector<int64_t>& values,
                 const QColor& colour, bool horizontal)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    auto* set = new QBarSet(title);
    set->setColor(colour);
    int64_t most = 1;
    for (int64_t v : values) {
        *set << double(v);
        most = std::max(most, v);
    }
    QAbstractBarSeries* series = horizontal ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                            : static_cast<QAbstractBarSeries*>(new QBarSeries);
    series->append(set);
    series->setLabelsVisible(horizontal);
    chart->addSeries(series);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    if (categories.size() > 6) {
        // Many short labels side by side: a smaller type keeps them from being cut to "...".
        QFont small = names->labelsFont();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        names->setLabelsFont(small);
    }

    auto* counts = new QValueAxis;
    counts->setRange(0, double(most));
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(names, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(counts, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(counts);
    return chart;
}

}  // namespace

TRunHistoryForm::TRunHistoryForm(TDataModule1& data, QWidget* parent) : QDialog(parent), m_data(data)
{
    setObjectName(QStringLiteral("RunHistoryForm"));
    setWindowTitle(QStringLiteral("Run History"));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QTableWidget(0, 10, this);
    m_grid->setObjectName(QStringLiteral("RunsGrid"));
    m_grid->setHorizontalHeaderLabels({"Run", "Started", "Ended", "Outcome", "Read", "Accepted", "Not Confirmed",
                                       "Refused", "Already Sent", "In Doubt"});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_grid, 1);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row) { guarded([&] { showRun(row); }); });

    auto* charts = new QHBoxLayout;
    m_countsView = chartView(this, "CountsChart");
    m_timesView = chartView(this, "TimesChart");
    m_minutesView = chartView(this, "MinutesChart");
    for (QChartView* v : {m_countsView, m_timesView, m_minutesView})
        charts->addWidget(v, 1);
    layout->addLayout(charts, 3);

    auto* bottom = new QHBoxLayout;
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("FiguresLabel"));
    m_save = new QPushButton(QStringLiteral("Save &Report..."), this);
    m_save->setObjectName(QStringLiteral("SaveReportB"));
    m_save->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("CloseB"));
    close->setAutoDefault(false);
    connect(m_save, &QPushButton::clicked, this, [this] { guarded([this] { SaveReportBClick(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(m_figures, 1);
    bottom->addWidget(m_save);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    m_chooseFile = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Report"), suggested,
                                            QStringLiteral("HTML pages (*.html);;All files (*)"));
    };
    resize(1000, 700);
}

void TRunHistoryForm::refresh()
{
    const std::vector<RunRecord> runs = DeliveryLedger(m_data.database()).runs(kRunsListed);
    const Utf8Output text(m_data.SettingsTable.text("ExportEncoding"));
    m_runs.clear();
    m_grid->setRowCount(int(runs.size()));
    for (int i = 0; i < int(runs.size()); ++i) {
        const RunRecord& r = runs[size_t(i)];
        const RunSummary& c = r.counts;
        m_runs.push_back(r.run);
        const QStringList cells{QString::number(r.run), QString::fromUtf8(text(r.started)), QString::fromUtf8(text(r.ended)),
                                QString::fromUtf8(r.outcome), QString::number(c.recordsRead), QString::number(c.accepted),
                                QString::number(c.notConfirmed), QString::number(c.refused),
                                QString::number(c.alreadySent), QString::number(c.inDoubt)};
        for (int col = 0; col < cells.size(); ++col)
            m_grid->setItem(i, col, new QTableWidgetItem(cells[col]));
    }
    m_report = {};
    if (!runs.empty())
        m_grid->selectRow(0);
    showRun(runs.empty() ? -1 : 0);
}

void TRunHistoryForm::showRun(int row)
{
    if (row < 0 || row >= int(m_runs.size())) {
        m_report = {};
    } else {
        DeliveryLedger ledger(m_data.database());
        m_report = loadRunReport(ledger, m_runs[size_t(row)], Utf8Output(m_data.SettingsTable.text("ExportEncoding")));
    }
    m_save->setEnabled(m_report.run.run > 0);
    drawCharts();
}

void TRunHistoryForm::drawCharts()
{
    QStringList outcomes, buckets, steps;
    std::vector<int64_t> counts;
    for (const auto& [name, n] : m_report.counts) {
        outcomes << QString::fromUtf8(name);
        counts.push_back(n);
    }
    for (int64_t edge : m_report.bucketEdgesMs)
        buckets << QStringLiteral("\u2264 ") + msText(edge);
    if (!m_report.bucketEdgesMs.empty())
        buckets << QStringLiteral("> ") + msText(m_report.bucketEdgesMs.back());
    for (size_t i = 0; i < m_report.perStep.size(); ++i)
        steps << QString::number(int64_t(i) * m_report.stepMinutes);
    m_countsView->setChart(barChart(QStringLiteral("Records"), outcomes, counts, QColor(0x2e, 0x7d, 0x32), true));
    // Lying down, as the counts: the buckets' names need the room a row gives them.
    m_timesView->setChart(barChart(QStringLiteral("Response times"), buckets, m_report.bucketCounts,
                                   QColor(0x15, 0x65, 0xc0), true));
    m_minutesView->setChart(barChart(m_report.stepMinutes > 1 ? QStringLiteral("Records per %1 minutes").arg(m_report.stepMinutes)
                                                              : QStringLiteral("Records per minute"),
                                     steps, m_report.perStep, QColor(0x00, 0x89, 0x7b), false));
    m_figures->setText(m_report.timed == 0
                           ? QString()
                           : QStringLiteral("Median %1, 90th percentile %2, 99th percentile %3, slowest %4")
                                 .arg(msText(m_report.medianMs), msText(m_report.p90Ms), msText(m_report.p99Ms),
                                      msText(m_report.maxMs)));
}

void TRunHistoryForm::SaveReportBClick()
{
    if (m_report.run.run <= 0 || !m_chooseFile)
        return;
    const QString path = m_chooseFile(QStringLiteral("Torvane run %1.html").arg(m_report.run.run));
    if (path.isEmpty())
        return;
    writeRunReportHtml(path.toStdString(), m_report);
}

void TRunHistoryForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        refresh();
        centreOnScreen(this);
    }
}

}  // namespace torvane
