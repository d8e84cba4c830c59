// The printed report of a pane: "Torvane Report" with a red bar at the top of every page and the
// pane's text below, word-wrapped and continued over as many pages as it needs. One object lives
// for the whole run, so the printer choices made in its setup dialog hold for every later print.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QFont;
class QPrinter;
class QWidget;

namespace torvane {

struct PageLines;

class TMemoReport : public QObject {
    Q_OBJECT

public:
    explicit TMemoReport(QObject* parent = nullptr);
    ~TMemoReport() override;

    // Prints the text as one print job on the chosen printer, showing a "Printing progress" window
    // with a "Cancel" button meanwhile. Without a printer the report becomes a PDF file: the one
    // named on the printer, or else one the operator picks (see askFileName). Returns false when
    // the operator cancelled; throws Error when the printer or file cannot be written.
    bool printText(const QString& text, QWidget* parent);

    // The print setup dialog, preset from the current printer, copies, orientation and page range;
    // OK keeps the choices for every later print, Cancel changes nothing. Returns true on OK.
    bool printerSetup(QWidget* parent);

    QPrinter& printer();

    // The text lines of the detail band for the print in progress.
    QStringList ReportMemo1;

    // Before each print: clears the detail-printed flag and lets the print go ahead.
    void MemoReportBeforePrint(bool& printReport);
    // Whether another detail band follows: yes exactly once per print.
    void MemoReportNeedData(bool& moreData);

    // Asks the operator for the PDF file of one print job; an empty answer cancels the job. Tests
    // replace it so no dialog opens.
    using FileNameAsker = std::function<QString(QWidget* parent, const QString& suggestedPath)>;
    static FileNameAsker askFileName;

    // The file a print to a fixed file name goes to: the name itself the first time, and
    // "name-2.pdf", "name-3.pdf", ... once earlier jobs of this run used it, so the diagnostics
    // printout never overwrites the information printout made just before it.
    static QString nextFreeName(const QString& fileName, const QStringList& alreadyWritten);

private:
    bool printPages(QWidget* parent);
    // Puts out the pages in the order given, with a progress window that can cancel; false when cancelled.
    bool paintPages(const std::vector<PageLines>& pages, const std::vector<int>& order, const QFont& font,
                    double dpi, QWidget* parent);

    std::unique_ptr<QPrinter> m_printer;
    bool m_detailPrinted = false;
    bool m_printing = false;
    QStringList m_writtenFiles;
};

}  // namespace torvane
