#include "report/memo_report.h"

#include "report/report_layout.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

namespace torvane {
namespace {

// The text of each page of a PDF, through poppler's pdftotext (pages end with a form feed).
QStringList pdfPages(const QString& path)
{
    QProcess process;
    process.start("pdftotext", {"-layout", path, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {QStringLiteral("<pdftotext failed>")};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QStringList bodyLines(const QString& pageText)
{
    QStringList lines;
    for (const QString& l : pageText.split('\n')) {
        const QString t = l.trimmed();
        if (!t.isEmpty() && t != QLatin1String(kReportTitle))
            lines << t;
    }
    return lines;
}

QString numberedText(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Record %1 was accepted").arg(i, 3, 10, QChar('0'));
    return lines.join("\r\n");
}

int linesPerLetterPage()
{
    const PageGeometry letter = pageGeometryFor(8.5, 11, 1200);
    return static_cast<int>(letter.bodyHeight / lineHeight(reportFont(), 1200));
}

class MemoReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        m_savedAsker = TMemoReport::askFileName;
        TMemoReport::askFileName = [this](QWidget*, const QString& suggested) {
            m_asked << suggested;
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        };
    }
    void TearDown() override
    {
        if (m_savedAsker)
            TMemoReport::askFileName = m_savedAsker;
    }
    QString path(const char* name) const { return QString::fromStdString(m_dir.file(name)); }
    void printToFile(const char* name)
    {
        m_report.printer().setOutputFormat(QPrinter::PdfFormat);
        m_report.printer().setOutputFileName(path(name));
    }

    test::TempDir m_dir;
    TMemoReport m_report;
    QStringList m_asked;
    QStringList m_answers;
    TMemoReport::FileNameAsker m_savedAsker;
};

TEST(MemoReportBands, DetailIsHandedOutOncePerPrint)
{
    TMemoReport report;
    bool go = false;
    bool more = false;
    for (int print = 1; print <= 2; ++print) {
        report.MemoReportBeforePrint(go);
        EXPECT_TRUE(go);
        const bool answers[] = {true, false, false};
        for (bool expected : answers) {
            report.MemoReportNeedData(more);
            EXPECT_EQ(more, expected) << "print " << print;
        }
    }
}

TEST(MemoReportFiles, LaterJobsToAFixedNameGetTheirOwnFile)
{
    struct Case {
        const char* name;
        QString fileName;
        QStringList written;
        QString expected;
    };
    const Case cases[] = {
        {"first use", "/tmp/r/report.pdf", {}, "/tmp/r/report.pdf"},
        {"other files do not matter", "/tmp/r/report.pdf", {"/tmp/r/other.pdf"}, "/tmp/r/report.pdf"},
        {"second job", "/tmp/r/report.pdf", {"/tmp/r/report.pdf"}, "/tmp/r/report-2.pdf"},
        {"third job", "/tmp/r/report.pdf", {"/tmp/r/report.pdf", "/tmp/r/report-2.pdf"}, "/tmp/r/report-3.pdf"},
        {"no suffix", "/tmp/r/report", {"/tmp/r/report"}, "/tmp/r/report-2"},
        {"same file spelt differently", "/tmp/r/report.pdf", {"/tmp/r/../r/report.pdf"}, "/tmp/r/report-2.pdf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMemoReport::nextFreeName(c.fileName, c.written), c.expected) << c.name;
}

TEST_F(MemoReportTest, PrinterStartsOnLetterPortraitOneCopyAllPages)
{
    QPrinter& p = m_report.printer();
    EXPECT_EQ(p.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(p.copyCount(), 1);
    EXPECT_EQ(p.printRange(), QPrinter::AllPages);
    EXPECT_EQ(p.duplex(), QPrinter::DuplexNone);
    EXPECT_EQ(p.pageLayout().margins(QPageLayout::Inch), QMarginsF(0.5, 0.5, 0.5, 0.5));
}

TEST_F(MemoReportTest, EmptyPanePrintsOneHeadedPage)
{
    printToFile("empty.pdf");
    ASSERT_TRUE(m_report.printText(QString(), nullptr));
    const QStringList pages = pdfPages(path("empty.pdf"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(kReportTitle));
    EXPECT_TRUE(bodyLines(pages[0]).isEmpty()) << pages[0].toStdString();
    EXPECT_TRUE(m_asked.isEmpty());
}

TEST_F(MemoReportTest, LongPaneContinuesOnHeadedPages)
{
    const int perPage = linesPerLetterPage();
    struct Case {
        const char* name;
        int lines;
        int pages;
    };
    const Case cases[] = {
        {"one page", 10, 1},
        {"exactly full", perPage, 1},
        {"one line over", perPage + 1, 2},
        {"three pages", 2 * perPage + 3, 3},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QByteArray file = QStringLiteral("long%1.pdf").arg(n++).toLatin1();
        printToFile(file.constData());
        ASSERT_TRUE(m_report.printText(numberedText(c.lines), nullptr)) << c.name;
        const QStringList pages = pdfPages(path(file.constData()));
        ASSERT_EQ(pages.size(), c.pages) << c.name;
        QStringList printed;
        for (const QString& page : pages) {
            EXPECT_TRUE(page.trimmed().startsWith(kReportTitle)) << c.name << ": page without header";
            printed += bodyLines(page);
        }
        EXPECT_EQ(printed.join('\n'), numberedText(c.lines).replace("\r\n", "\n")) << c.name;
    }
}

TEST_F(MemoReportTest, InformationThenDiagnosticsGiveTwoDocuments)
{
    printToFile("report.pdf");
    ASSERT_TRUE(m_report.printText("Record 001 was accepted", nullptr));
    ASSERT_TRUE(m_report.printText("HTTP/1.1 200 OK", nullptr));

    const QStringList first = pdfPages(path("report.pdf"));
    const QStringList second = pdfPages(path("report-2.pdf"));
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(bodyLines(first[0]), QStringList{"Record 001 was accepted"});
    EXPECT_EQ(bodyLines(second[0]), QStringList{"HTTP/1.1 200 OK"});
    EXPECT_TRUE(second[0].contains(kReportTitle));
    // The printer keeps the name the operator chose.
    EXPECT_EQ(m_report.printer().outputFileName(), path("report.pdf"));
}

TEST_F(MemoReportTest, PageRangeLimitsEveryLaterPrint)
{
    const int perPage = linesPerLetterPage();
    printToFile("ranged.pdf");
    m_report.printer().setPrintRange(QPrinter::PageRange);
    m_report.printer().setFromTo(2, 3);

    const QString info = numberedText(4 * perPage);  // four pages
    ASSERT_TRUE(m_report.printText(info, nullptr));
    ASSERT_TRUE(m_report.printText(numberedText(2 * perPage), nullptr));  // diagnostics: two pages

    const QStringList first = pdfPages(path("ranged.pdf"));
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(bodyLines(first[0]).first(), QStringLiteral("Record %1 was accepted").arg(perPage + 1, 3, 10, QChar('0')));
    EXPECT_TRUE(first[1].contains(kReportTitle));

    const QStringList second = pdfPages(path("ranged-2.pdf"));
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(bodyLines(second[0]).last(), QStringLiteral("Record %1 was accepted").arg(2 * perPage, 3, 10, QChar('0')));
}

TEST_F(MemoReportTest, CopiesRepeatThePagesInAFile)
{
    printToFile("copies.pdf");
    m_report.printer().setCopyCount(2);
    m_report.printer().setCollateCopies(true);
    ASSERT_TRUE(m_report.printText(numberedText(linesPerLetterPage() + 1), nullptr));
    const QStringList pages = pdfPages(path("copies.pdf"));
    if (m_report.printer().supportsMultipleCopies()) {
        EXPECT_EQ(pages.size(), 2);
        return;
    }
    ASSERT_EQ(pages.size(), 4);
    EXPECT_EQ(pages[0], pages[2]);
    EXPECT_EQ(pages[1], pages[3]);
    EXPECT_NE(pages[0], pages[1]);
}

TEST_F(MemoReportTest, RangeBeyondTheEndPrintsNothing)
{
    printToFile("beyond.pdf");
    m_report.printer().setPrintRange(QPrinter::PageRange);
    m_report.printer().setFromTo(5, 9);
    EXPECT_TRUE(m_report.printText("one short line", nullptr));
    EXPECT_FALSE(QFile::exists(path("beyond.pdf")));
}

TEST_F(MemoReportTest, WithoutAFileNameEachJobAsks)
{
    m_report.printer().setOutputFormat(QPrinter::PdfFormat);
    m_report.printer().setOutputFileName(QString());
    // The suggestion lies in the working folder; make that the test's own.
    const QString savedCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(m_dir.path())));
    const QString suggested = QDir::current().filePath("Torvane Report.pdf");
    m_answers = {suggested, QString()};

    EXPECT_TRUE(m_report.printText("info", nullptr));
    EXPECT_FALSE(m_report.printText("diagnostics", nullptr)) << "an empty answer cancels the job";

    ASSERT_EQ(m_asked.size(), 2);
    EXPECT_EQ(m_asked[0], suggested);
    EXPECT_EQ(m_asked[1], QDir::current().filePath("Torvane Report-2.pdf")) << "suggests a file not yet written";
    EXPECT_EQ(pdfPages(suggested).size(), 1);
    QDir::setCurrent(savedCurrent);
    EXPECT_TRUE(m_report.printer().outputFileName().isEmpty()) << "the answer held for one job only";
}

TEST_F(MemoReportTest, CancelStopsThePrintAndLeavesNoFile)
{
    printToFile("cancelled.pdf");
    // Cancel as soon as the progress window lets events through.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(w)) {
                EXPECT_EQ(progress->windowTitle(), "Printing progress");
                auto* cancel = progress->findChild<QPushButton*>();
                ASSERT_NE(cancel, nullptr);
                EXPECT_EQ(cancel->text(), "Cancel");
                cancel->click();
            }
        }
    });
    EXPECT_FALSE(m_report.printText(numberedText(5 * linesPerLetterPage()), nullptr));
    EXPECT_FALSE(QFile::exists(path("cancelled.pdf")));

    // The next print is not affected by the earlier Cancel.
    printToFile("after.pdf");
    EXPECT_TRUE(m_report.printText("again", nullptr));
    EXPECT_EQ(pdfPages(path("after.pdf")).size(), 1);
}

TEST_F(MemoReportTest, SetupCancelChangesNothingAndOkKeepsTheChoices)
{
    QPrinter& p = m_report.printer();
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(path("setup.pdf"));
    p.setCopyCount(2);
    p.setPageOrientation(QPageLayout::Landscape);

    const auto answerWith = [](bool accept) {
        QTimer::singleShot(0, [accept] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            QMetaObject::invokeMethod(dialog, accept ? "accept" : "reject");
        });
    };

    answerWith(false);
    EXPECT_FALSE(m_report.printerSetup(nullptr));
    EXPECT_EQ(p.copyCount(), 2);
    EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(p.outputFileName(), path("setup.pdf"));

    // Accepting the preset dialog keeps what it was preset with.
    answerWith(true);
    EXPECT_TRUE(m_report.printerSetup(nullptr));
    EXPECT_EQ(p.copyCount(), 2);
    EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(p.outputFileName(), path("setup.pdf"));
    EXPECT_EQ(p.pageLayout().pageSize().id(), QPageSize::Letter);
}

TEST_F(MemoReportTest, NoSecondPrintWhileOneIsUnderWay)
{
    printToFile("outer.pdf");
    bool innerResult = true;
    QTimer::singleShot(0, [&] { innerResult = m_report.printText("inner", nullptr); });
    EXPECT_TRUE(m_report.printText(numberedText(3 * linesPerLetterPage()), nullptr));
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(pdfPages(path("outer.pdf")).size(), 3);
    EXPECT_FALSE(QFile::exists(path("outer-2.pdf")));
}

TEST_F(MemoReportTest, UnwritableFileIsAnErrorNotSuccess)
{
    m_report.printer().setOutputFormat(QPrinter::PdfFormat);
    m_report.printer().setOutputFileName(path("no-such-folder/report.pdf"));
    EXPECT_THROW(m_report.printText("text", nullptr), Error);
    // The failed name was not used up.
    EXPECT_EQ(m_report.printer().outputFileName(), path("no-such-folder/report.pdf"));
}

}  // namespace
}  // namespace torvane
