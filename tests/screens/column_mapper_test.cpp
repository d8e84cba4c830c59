// The field mapper on the page "Web Form Fields", driven with the mouse: dragging across columns sets
// Import Start and Import Length as a pending edit, the value shown follows the row's format and the
// cross walk, columns count in the unit of the settings, and without a readable export file the panel
// says so in one line.
#include "gui/qt_text.h"
#include "screens/column_mapper.h"

#include "htmlimport/import_html_form.h"
#include "screens/sample_view.h"
#include "screens/settings_form.h"
#include "store/data_module.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "util/error_handler.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include "support/store_rows.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>

// Readable failures for the texts the panel shows.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace torvane {
namespace {

using test::Row;

// Lines 2 to 4 of the file are the records (one header line is skipped).
const char* const kExport =
    "BATCH 0412\r\n"
    "M4120001168176Margaret Kowalski   20261202OVN\r\n"
    "M4120002963893Dale Brennan        20261203XXX\r\n"
    "M4120003105119Priya Raman         20261204GRD\r\n";

class ColumnMapperTest : public ::testing::Test {
protected:
    ColumnMapperTest()
    {
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
        form.setDialogs(&dialogs);
        dir.write("orders.txt", kExport);
    }
    ~ColumnMapperTest() override { setErrorReporter({}); }

    template <typename W = QWidget> W* child(const char* name)
    {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void settings(const Row& values) { test::setRow(data.SettingsTable, values); }
    void append(TableView& table, const Row& values) { test::appendRow(table, values); }
    void openFieldsPage()
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        child<QTabWidget>("PageControl1")->setCurrentIndex(1);
        settle();
    }
    // The mapper follows the views once their burst of changes is over.
    static void settle() { QCoreApplication::processEvents(); }
    SampleView* view() { return child<SampleView>("SampleView"); }
    void chooseRow(int row)
    {
        auto* grid = child<QAbstractItemView>("DBGrid1");
        grid->setCurrentIndex(grid->model()->index(row, 0));
        settle();
    }
    // Presses on one column of a line (-1: the ruler), moves across and lets go on another.
    void drag(int line, int64_t from, int64_t to)
    {
        const QPoint start = view()->columnPoint(line, from);
        const QPoint end = view()->columnPoint(line, to);
        QWidget* port = view()->viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, start);
        QTest::mouseMove(port, (start + end) / 2);
        QTest::mouseMove(port, end);
        QTest::mouseRelease(port, Qt::LeftButton, {}, end);
        settle();
    }
    void clickLine(int line)
    {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->columnPoint(line, 1));
        settle();
    }
    QString valueShown() { return child<QLabel>("FieldValueLabel")->text(); }
    QString warningsShown() { return child<QLabel>("FieldWarningsLabel")->text(); }
    std::string stored(const std::string& sql)
    {
        const auto rows = data.database().query(sql);
        return rows.empty() || isBlankCell(rows[0][0]) ? "<blank>" : cellDisplayText(rows[0][0], FieldKind::Integer);
    }

    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TImportHTMLForm importForm{data};
    WindowEncodings encodings;
    TSettingsForm form{data, encodings, importForm};
    test::ScriptedDialogs dialogs;
    std::vector<std::string> errors;
};

TEST_F(ColumnMapperTest, DraggingAcrossColumnsSetsStartAndLengthPendingUntilSaved)
{
    struct Case {
        const char* name;
        int line;  // -1: the ruler
        int64_t from, to;
        bool saveWithButton;  // else by choosing another row
    };
    const Case cases[] = {
        {"across a line, left to right, then Save", 1, 9, 18, true},
        {"across the ruler, right to left, then another row", -1, 18, 9, false},
        {"across the last line, then another row", 2, 9, 18, false},
    };
    for (const Case& c : cases) {
        data.database().execute("DELETE FROM fields");
        append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "orderno"}, {"ImportStart", "1"}, {"ImportLength", "8"}});
        append(data.FieldsTable, {{"OrderNum", "20"}, {"Name", "custno"}, {"ImportStart", "30"}, {"ImportLength", "5"}});
        settings({{"ImportData", dir.file("orders.txt")}, {"LinesToRead", "1"}});
        openFieldsPage();
        chooseRow(1);
        ASSERT_EQ(view()->lineCount(), 3) << c.name;

        drag(c.line, c.from, c.to);
        EXPECT_EQ(child<QLineEdit>("DBEdit9")->text(), "9") << c.name;
        EXPECT_EQ(child<QLineEdit>("DBEdit10")->text(), "10") << c.name;
        EXPECT_EQ(data.FieldsTable.state(), TableView::State::Edit) << c.name << ": a pending edit";
        EXPECT_EQ(stored("SELECT ImportStart FROM fields WHERE Name = 'custno'"), "30") << c.name << ": not saved yet";
        // The value of columns 9 to 18 of the line pressed on (the ruler leaves the chosen line chosen).
        const QString expected = c.line == 2 ? "Line 4: custno sends \"105119Priy\"" : "Line 3: custno sends \"963893Dale\"";
        EXPECT_EQ(valueShown(), expected) << c.name;

        if (c.saveWithButton)
            QTest::mouseClick(child<QPushButton>("SaveB"), Qt::LeftButton);
        else
            chooseRow(0);
        EXPECT_EQ(stored("SELECT ImportStart FROM fields WHERE Name = 'custno'"), "9") << c.name;
        EXPECT_EQ(stored("SELECT ImportLength FROM fields WHERE Name = 'custno'"), "10") << c.name;
        EXPECT_EQ(stored("SELECT ImportStart FROM fields WHERE Name = 'orderno'"), "1") << c.name;
        form.hide();
    }
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ColumnMapperTest, AClickChoosesALineAndNoColumns)
{
    append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "custname"}, {"ImportStart", "15"}, {"ImportLength", "20"}});
    settings({{"ImportData", dir.file("orders.txt")}, {"LinesToRead", "1"}});
    openFieldsPage();
    EXPECT_EQ(valueShown(), "Line 2: custname sends \"Margaret Kowalski\"");
    clickLine(2);
    EXPECT_EQ(view()->selectedLine(), 2);
    EXPECT_EQ(valueShown(), "Line 4: custname sends \"Priya Raman\"");
    EXPECT_EQ(data.FieldsTable.state(), TableView::State::Browse) << "a click sets no columns";
    EXPECT_EQ(child<QPlainTextEdit>("DataStringEdit")->toPlainText(), "custname=Priya Raman");
}

TEST_F(ColumnMapperTest, TheValueFollowsTheRowsFormatAndTheCrossWalk)
{
    append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "shipdate"}, {"ImportStart", "35"}, {"ImportLength", "8"}});
    append(data.FieldsTable,
           {{"OrderNum", "20"}, {"Name", "ship"}, {"Type", "SELECT"}, {"ImportStart", "43"}, {"ImportLength", "3"}});
    append(data.SelDataTable, {{"Name", "ship"}, {"OrderNum", "1"}, {"Value", "overnight"}, {"ImportMap", "OVN"}});
    append(data.SelDataTable,
           {{"Name", "ship"}, {"OrderNum", "2"}, {"Value", "ground"}, {"ImportMap", "GRD"}, {"DefaultValue", "True"}});
    settings({{"ImportData", dir.file("orders.txt")}, {"LinesToRead", "1"}});
    openFieldsPage();
    chooseRow(0);
    EXPECT_EQ(valueShown(), "Line 2: shipdate sends \"20261202\"");

    // Choosing a format is a pending edit of the row; the value follows at once.
    auto* format = child<QComboBox>("DBComboBox1");
    const int dateFormat = format->findText("YYYYMMDD To MM/DD/YY");
    format->setCurrentIndex(dateFormat);
    emit format->activated(dateFormat);  // as when the operator picks it
    settle();
    EXPECT_EQ(valueShown(), "Line 2: shipdate sends \"12/02/26\"");
    EXPECT_EQ(warningsShown(), "No warnings.");

    chooseRow(1);
    EXPECT_EQ(valueShown(), "Line 2: ship sends \"overnight\"");
    EXPECT_EQ(child<QPlainTextEdit>("DataStringEdit")->toPlainText(), "shipdate=12/02/26\nship=overnight");
    clickLine(1);
    EXPECT_EQ(valueShown(), "Line 3: ship sends \"ground\"");
    EXPECT_EQ(warningsShown(), "Warnings: WARNING ship Not Found In Cross Walk. (XXX)");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ColumnMapperTest, ColumnsCountInTheUnitOfTheSettings)
{
    // "Ä", "Ö" and "Ü" take two bytes each in UTF-8.
    dir.write("umlauts.txt", "\xC3\x84\xC3\x96\xC3\x9C" "abc\n");
    struct Case {
        const char* columnsIn;
        int64_t from, to;
        const char* start;
        const char* length;
        QString shown;
    };
    const Case cases[] = {
        {"Characters", 2, 3, "2", "2", QString::fromUtf8("Line 1: name sends \"\xC3\x96\xC3\x9C\"")},
        {"Bytes", 3, 6, "3", "4", QString::fromUtf8("Line 1: name sends \"\xC3\x96\xC3\x9C\"")},
        {"Characters", 4, 5, "4", "2", QStringLiteral("Line 1: name sends \"ab\"")},
    };
    for (const Case& c : cases) {
        data.database().execute("DELETE FROM fields");
        append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "name"}, {"ImportStart", "1"}, {"ImportLength", "1"}});
        settings({{"ImportData", dir.file("umlauts.txt")}, {"ColumnsIn", c.columnsIn}});
        openFieldsPage();
        drag(0, c.from, c.to);
        EXPECT_EQ(child<QLineEdit>("DBEdit9")->text(), c.start) << c.columnsIn;
        EXPECT_EQ(child<QLineEdit>("DBEdit10")->text(), c.length) << c.columnsIn;
        EXPECT_EQ(valueShown(), c.shown) << c.columnsIn;
        data.FieldsTable.post();
        form.hide();
    }
}

TEST_F(ColumnMapperTest, TheCurrentFieldOverTheOthersAndTheirOverlapsMarked)
{
    append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "orderno"}, {"ImportStart", "1"}, {"ImportLength", "8"}});
    append(data.FieldsTable, {{"OrderNum", "20"}, {"Name", "custno"}, {"ImportStart", "9"}, {"ImportLength", "6"}});
    append(data.FieldsTable, {{"OrderNum", "30"}, {"Name", "formid"}, {"DefaultValue", "ORD-2"}});
    settings({{"ImportData", dir.file("orders.txt")}, {"LinesToRead", "1"}});
    openFieldsPage();
    chooseRow(0);
    using Kind = SampleView::Span::Kind;
    auto spans = [this] {
        std::vector<std::tuple<int64_t, int64_t, Kind, QString>> out;
        for (const SampleView::Span& s : view()->spans())
            out.emplace_back(s.first, s.last, s.kind, s.name);
        return out;
    };
    using Spans = std::vector<std::tuple<int64_t, int64_t, Kind, QString>>;
    EXPECT_EQ(spans(), (Spans{{9, 14, Kind::Other, "custno"}, {1, 8, Kind::Current, "orderno"}}));

    // Widening orderno (a pending edit) makes it overlap custno on columns 9 and 10.
    drag(0, 1, 10);
    EXPECT_EQ(spans(),
              (Spans{{9, 14, Kind::Other, "custno"}, {1, 10, Kind::Current, "orderno"}, {9, 10, Kind::Overlap, ""}}));
    // A definition without columns in the line has none to show.
    chooseRow(2);
    EXPECT_EQ(spans(),
              (Spans{{1, 10, Kind::Other, "orderno"}, {9, 14, Kind::Other, "custno"}, {9, 10, Kind::Overlap, ""}}));
    EXPECT_EQ(valueShown(), "Line 2: formid sends \"ORD-2\"");
    drag(0, 20, 22);
    EXPECT_EQ(child<QLineEdit>("DBEdit9")->text(), "20") << "a default field can be mapped by dragging too";
}

TEST_F(ColumnMapperTest, WithoutAReadableExportFileThePanelSaysSoInOneLine)
{
    struct Case {
        const char* name;
        Row settings;
        std::string message;  // the beginning of it
    };
    const Case cases[] = {
        {"no export file named", {{"ImportData", ""}},
         "No export file named: File To Upload To Web (page Application) gives the sample."},
        {"a file that is not there", {{"ImportData", dir.file("missing.txt")}},
         "The export file cannot be read: Cannot open file \"" + dir.file("missing.txt") + "\"."},
        {"no records after the skipped lines", {{"ImportData", dir.file("orders.txt")}, {"LinesToRead", "9"}},
         "The export file has no records after the lines skipped before importing data."},
        {"an encoding nobody knows", {{"ImportData", dir.file("orders.txt")}, {"ExportEncoding", "no-such"}},
         "'no-such' is not a known character encoding"},
    };
    append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "orderno"}, {"ImportStart", "1"}, {"ImportLength", "8"}});
    for (const Case& c : cases) {
        settings({{"LinesToRead", "1"}, {"ExportEncoding", ""}});
        settings(c.settings);
        openFieldsPage();
        auto* message = child<QLabel>("SampleMessageLabel");
        EXPECT_TRUE(message->isVisible()) << c.name;
        EXPECT_EQ(message->text().toStdString().rfind(c.message, 0), 0u) << c.name << ": " << message->text().toStdString();
        EXPECT_FALSE(message->text().contains('\n')) << c.name;
        EXPECT_FALSE(view()->isVisible()) << c.name;
        EXPECT_FALSE(child<QLabel>("FieldValueLabel")->isVisible()) << c.name;
        form.hide();
    }

    // The page works as before: the boxes edit the row, Save keeps it.
    data.SettingsTable.setText("ImportData", "");
    data.SettingsTable.post();
    openFieldsPage();
    auto* start = child<QLineEdit>("DBEdit9");
    start->selectAll();
    QTest::keyClicks(start, "12");
    QTest::mouseClick(child<QPushButton>("SaveB"), Qt::LeftButton);
    EXPECT_EQ(stored("SELECT ImportStart FROM fields"), "12");
    EXPECT_TRUE(errors.empty()) << errors.front();

    // Naming the file brings the sample back.
    data.SettingsTable.setText("ExportEncoding", "");
    data.SettingsTable.setText("ImportData", dir.file("orders.txt"));
    data.SettingsTable.post();
    settle();
    EXPECT_FALSE(child<QLabel>("SampleMessageLabel")->isVisible());
    EXPECT_TRUE(view()->isVisible());
    EXPECT_EQ(view()->lineCount(), 3);
}

}  // namespace
}  // namespace torvane
