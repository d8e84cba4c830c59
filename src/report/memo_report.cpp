#include "report/memo_report.h"

#include "report/report_layout.h"
#include "report/report_page_painter.h"
#include "util/error.h"
#include "util/scoped_value.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>

namespace torvane {

namespace {

QString defaultAskFileName(QWidget* parent, const QString& suggestedPath)
{
    return QFileDialog::getSaveFileName(parent, QString::fromLatin1(kReportTitle), suggestedPath,
                                        QStringLiteral("PDF files (*.pdf)"));
}

const QMarginsF kMargins(report_geometry::kMarginInches, report_geometry::kMarginInches,
                         report_geometry::kMarginInches, report_geometry::kMarginInches);

}  // namespace

TMemoReport::FileNameAsker TMemoReport::askFileName = defaultAskFileName;

TMemoReport::TMemoReport(QObject* parent)
    : QObject(parent), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    // One copy, all pages, automatic paper bin, default printer.
    m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, kMargins,
                                         QPageLayout::Inch));
    m_printer->setCopyCount(1);
    m_printer->setDuplex(QPrinter::DuplexNone);
    m_printer->setPrintRange(QPrinter::AllPages);
    m_printer->setPaperSource(QPrinter::Auto);
    m_printer->setDocName(QString::fromLatin1(kReportTitle));
}

TMemoReport::~TMemoReport() = default;

QPrinter& TMemoReport::printer()
{
    return *m_printer;
}

void TMemoReport::MemoReportBeforePrint(bool& printReport)
{
    m_detailPrinted = false;
    printReport = true;
}

void TMemoReport::MemoReportNeedData(bool& moreData)
{
    moreData = !m_detailPrinted;
    m_detailPrinted = true;
}

QString TMemoReport::nextFreeName(const QString& fileName, const QStringList& alreadyWritten)
{
    const auto used = [&](const QString& name) {
        const QString absolute = QFileInfo(name).absoluteFilePath();
        return std::any_of(alreadyWritten.begin(), alreadyWritten.end(),
                           [&](const QString& w) { return QFileInfo(w).absoluteFilePath() == absolute; });
    };
    if (!used(fileName))
        return fileName;
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    const QString stem = info.suffix().isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size());
    for (int n = 2;; ++n) {
        const QString candidate = stem + QStringLiteral("-%1").arg(n) + suffix;
        if (!used(candidate))
            return candidate;
    }
}

bool TMemoReport::printText(const QString& text, QWidget* parent)
{
    // The progress window lets events through; a print started from one of them would paint on
    // the printer that is busy with this one.
    if (m_printing)
        return false;
    const ScopedValue printing(m_printing, true);

    ReportMemo1 = paneLines(text);

    bool printReport = true;
    MemoReportBeforePrint(printReport);
    if (!printReport)
        return false;

    // Without a printer the job becomes a PDF file. A name fixed on the printer stays fixed for
    // the run; a job without one asks, and the answer holds for that job only.
    const bool toFile = m_printer->outputFormat() == QPrinter::PdfFormat;
    const QString fixedName = m_printer->outputFileName();
    if (toFile) {
        QString target;
        if (fixedName.isEmpty()) {
            const QString suggested = QDir::current().filePath(QStringLiteral("Torvane Report.pdf"));
            target = askFileName(parent, nextFreeName(suggested, m_writtenFiles));
        } else {
            target = nextFreeName(fixedName, m_writtenFiles);
        }
        if (target.isEmpty())
            return false;
        m_printer->setOutputFileName(target);
    }

    bool printed = false;
    try {
        printed = printPages(parent);
    } catch (...) {
        if (toFile)
            m_printer->setOutputFileName(fixedName);
        throw;
    }
    if (toFile) {
        if (printed)
            m_writtenFiles.append(m_printer->outputFileName());
        m_printer->setOutputFileName(fixedName);
    }
    return printed;
}

bool TMemoReport::printPages(QWidget* parent)
{
    // The report keeps its own margins whatever paper and orientation the setup chose.
    m_printer->setPageMargins(kMargins, QPageLayout::Inch);
    m_printer->setFullPage(false);

    const double dpi = m_printer->resolution();
    const QSizeF paper = m_printer->pageLayout().fullRect(QPageLayout::Inch).size();
    const PageGeometry geometry = pageGeometryFor(paper.width(), paper.height(), dpi);
    const QFont font = reportFont();

    // The detail band carries the whole text and is handed out once.
    QStringList detail;
    bool moreData = false;
    for (MemoReportNeedData(moreData); moreData; MemoReportNeedData(moreData))
        detail += ReportMemo1;
    const std::vector<PageLines> pages = layoutPages(detail, font, geometry);

    // Printers that cannot make copies themselves (a PDF file) get the copies as repeated pages.
    const bool ranged = m_printer->printRange() == QPrinter::PageRange;
    const int copies = m_printer->supportsMultipleCopies() ? 1 : m_printer->copyCount();
    const std::vector<int> order =
        pagePrintOrder(static_cast<int>(pages.size()), ranged ? m_printer->fromPage() : 0,
                       ranged ? m_printer->toPage() : 0, copies, m_printer->collateCopies());
    if (order.empty())
        return true;  // the page range lies beyond the end: nothing to put out
    return paintPages(pages, order, font, dpi, parent);
}

bool TMemoReport::paintPages(const std::vector<PageLines>& pages, const std::vector<int>& order,
                             const QFont& font, double dpi, QWidget* parent)
{
    const int total = static_cast<int>(order.size());
    QProgressDialog progress(QStringLiteral("Printing page 1 of %1").arg(total), QStringLiteral("Cancel"), 0,
                             total, parent);
    progress.setWindowTitle(QStringLiteral("Printing progress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);

    QPainter painter;
    if (!painter.begin(m_printer.get())) {
        const QString where = m_printer->outputFileName().isEmpty() ? m_printer->printerName()
                                                                    : m_printer->outputFileName();
        throw Error(QStringLiteral("Cannot print to %1").arg(where).toStdString());
    }

    bool cancelled = false;
    for (int done = 0; done < total; ++done) {
        QApplication::processEvents();
        if (progress.wasCanceled()) {
            cancelled = true;
            break;
        }
        if (done > 0)
            m_printer->newPage();
        paintReportPage(painter, pages[static_cast<size_t>(order[static_cast<size_t>(done)] - 1)], font, dpi);
        progress.setValue(done + 1);
        progress.setLabelText(QStringLiteral("Printing page %1 of %2").arg(std::min(done + 2, total)).arg(total));
    }

    if (cancelled) {
        m_printer->abort();
        painter.end();
        // A half-written file is no report; leave none behind.
        if (m_printer->outputFormat() == QPrinter::PdfFormat && !m_printer->outputFileName().isEmpty())
            QFile::remove(m_printer->outputFileName());
        return false;
    }
    painter.end();
    return true;
}

bool TMemoReport::printerSetup(QWidget* parent)
{
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, 9999);
    // The dialog only sets up later prints, so its accept button says OK rather than Print.
    for (QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    }
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace torvane
