#include "screens/settings_form.h"

#include "htmlimport/import_html_form.h"
#include "screens/db_controls.h"
#include "gui/qt_text.h"
#include "store/data_module.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "support/tls_test_server.h"
#include "util/error_handler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace torvane {
namespace {

class SettingsFormTest : public ::testing::Test {
protected:
    SettingsFormTest()
    {
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
        form.setDialogs(&dialogs);
        form.setFileChooser([this] {
            ++filesChosen;
            return chosenFile;
        });
    }

    template <typename W = QWidget> W* child(const char* name)
    {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void type(const char* edit, const QString& text)
    {
        auto* e = child<QLineEdit>(edit);
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Backspace);
        else
            QTest::keyClicks(e, text);
    }
    void open()
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    // Values as stored, not as pending in the views.
    std::vector<Database::Row> stored(const std::string& sql) { return data.database().query(sql); }
    int storedCount(const char* table)
    {
        return static_cast<int>(std::get<int64_t>(stored(std::string("SELECT count(*) FROM ") + table)[0][0]));
    }
    std::string storedText(const std::string& sql)
    {
        const auto rows = stored(sql);
        if (rows.empty() || isBlankCell(rows[0][0]))
            return "<blank>";
        return cellDisplayText(rows[0][0], FieldKind::Text);
    }

    void seedSettings()
    {
        TableView& s = data.SettingsTable;
        s.edit();
        s.setText("URL", "http://old/");
        for (int i = 1; i <= 4; ++i)
            s.setText("FieldToTrack" + std::to_string(i), "F" + std::to_string(i));
        s.post();
    }
    void addField(const std::string& name, int order)
    {
        data.FieldsTable.append();
        data.FieldsTable.setText("Name", name);
        data.FieldsTable.setInteger("OrderNum", order);
        data.FieldsTable.post();
    }
    void addOption(const std::string& name, const Cell& order, const std::string& value)
    {
        TableView& v = data.SelDataTable;
        v.append();
        v.setText("Name", name);
        v.setCell("OrderNum", order);
        v.setText("Value", value);
        v.setText("Description", value + " text");
        v.setText("ImportMap", value + "-code");
        v.setLogical("DefaultValue", true);
        v.post();
    }

    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    TImportHTMLForm importForm{data};
    WindowEncodings encodings;
    TSettingsForm form{data, encodings, importForm};
    test::ScriptedDialogs dialogs;
    std::vector<std::string> errors;
    std::string chosenFile;
    int filesChosen = 0;
};

TEST_F(SettingsFormTest, FrameCaptionsAndPages)
{
    EXPECT_EQ(form.windowTitle(), "Settings");
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "a fixed-size dialog";
    EXPECT_GE(form.width(), 426);
    EXPECT_GE(form.height(), 439);

    auto* pages = child<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 6);  // the three of the form, then the pages of later settings
    EXPECT_EQ(pages->tabText(3), "Delivery");
    EXPECT_EQ(pages->tabText(4), "Session");
    EXPECT_EQ(pages->tabText(5), "Network");
    const char* titles[] = {"Application", "Web Form Fields", "Field Data"};
    const char* sheets[] = {"TabSheet1", "TabSheet2", "TabSheet3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages->tabText(i), titles[i]);
        EXPECT_EQ(pages->widget(i)->objectName(), sheets[i]);
    }

    struct Caption {
        const char* name;
        const char* text;
    };
    const Caption buttons[] = {{"InsertB", "Insert"}, {"SaveB", "Save"},     {"DeleteB", "Delete"},
                               {"DupButton", "Copy"}, {"InsertB2", "Insert"}, {"SaveB2", "Save"},
                               {"Deleteb2", "Delete"}, {"ImportB", "Import"}, {"OKB", "OK"},
                               {"CancelB", "Cancel"}, {"Reset1", "Reset"},   {"Reset4", "Reset"}};
    for (const Caption& c : buttons)
        EXPECT_EQ(child<QPushButton>(c.name)->text(), c.text) << c.name;
    EXPECT_TRUE(child<QPushButton>("OKB")->isDefault());

    const Caption boxes[] = {{"DBCheckBox1", "Fill Next Field"}, {"DBCheckBox2", "Required"},
                             {"DBCheckBox3", "Dafault Value"},   {"DBCheckBox4", "Track Data Sent:"},
                             {"DBCheckBox5", "Zero Valid"},      {"DBCheckBox6", "Delete File"},
                             {"DBCheckBox7", "View Warnings"},   {"DBCheckBox8", "Show Diagnostics"},
                             {"ShowPostingData", "Show Posting Data"}};
    for (const Caption& c : boxes)
        EXPECT_EQ(child<QCheckBox>(c.name)->text(), c.text) << c.name;

    // Every text box is bound to its field of its table.
    struct Binding {
        const char* name;
        const TableView* view;
        const char* field;
    };
    const Binding bindings[] = {
        {"DBEdit1", &data.SettingsTable, "URL"},          {"DBEdit2", &data.SettingsTable, "Content"},
        {"DBEdit3", &data.SettingsTable, "PostType"},     {"DBEdit19", &data.SettingsTable, "DataSentText"},
        {"DBEdit4", &data.SettingsTable, "ImportData"},   {"DBEdit18", &data.SettingsTable, "LinesToRead"},
        {"DBEdit20", &data.SettingsTable, "PurgeDays"},   {"DBEdit5", &data.FieldsTable, "OrderNum"},
        {"DBEdit6", &data.FieldsTable, "Name"},           {"DBEdit7", &data.FieldsTable, "Type"},
        {"DBEdit8", &data.FieldsTable, "MaxLength"},      {"DBEdit9", &data.FieldsTable, "ImportStart"},
        {"DBEdit10", &data.FieldsTable, "ImportLength"},  {"DBEdit11", &data.FieldsTable, "DefaultValue"},
        {"DBEdit13", &data.SelDataTable, "OrderNum"},     {"DBEdit14", &data.SelDataTable, "Name"},
        {"DBEdit15", &data.SelDataTable, "Value"},        {"DBEdit16", &data.SelDataTable, "Description"},
        {"DBEdit17", &data.SelDataTable, "ImportMap"},
    };
    for (const Binding& b : bindings) {
        auto* edit = child<DBEdit>(b.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(&edit->view(), b.view) << b.name;
        EXPECT_EQ(edit->field(), b.field) << b.name;
    }

    QStringList labels;
    for (auto* l : form.findChildren<QLabel*>())
        labels << l->text();
    for (const char* text :
         {"URL To Post To:", "Content Type:", "Post Action:", "Data Sent Text:", "File To Upload To Web:",
          "Lines To Read Before Importing Data:", "Purge Days:", "Field 1 To Track", "Field 2 To Track:",
          "Field 3 To Track:", "Field 4 To Track:", "Order:", "Type:", "Field Name:", "Field Length:",
          "Import Start:", "Import Length:", "Default:", "Format:", "Name:", "Value:", "Description",
          "Import Map Value:"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;

    QStringList groups;
    for (auto* g : form.findChildren<QGroupBox*>())
        groups << g->title();
    for (const char* title : {"Data File", "Tracking Information", "Fields", "Field Data"})
        EXPECT_TRUE(groups.contains(QString::fromLatin1(title))) << title;
}

TEST_F(SettingsFormTest, FormatListOffersTheNamedFormatsAndCommonPatternsAndTakesATypedOne)
{
    auto* format = child<QComboBox>("DBComboBox1");
    QStringList items;
    for (int i = 0; i < format->count(); ++i)
        items << format->itemText(i);
    EXPECT_EQ(items.mid(0, 5), QStringList({"", "YYYYMMDD To MM/DD/YY", "HHMM To HH:MM", "HHMM To HH:MM AM/PM",
                                            "YYYYMMDD To YYYY-MM-DD"}));
    EXPECT_TRUE(items.contains("HHMMSS To HH:MM:SS"));
    ASSERT_TRUE(format->isEditable());
    open();
    click("InsertB");
    format->lineEdit()->setText("DD.MM.YY To YYYY-MM-DD");
    emit format->lineEdit()->editingFinished();
    click("SaveB");
    EXPECT_EQ(storedText("SELECT Format FROM fields"), "DD.MM.YY To YYYY-MM-DD");
}

TEST_F(SettingsFormTest, OkOnAnEmptyStoreCreatesTheSettingsRecord)
{
    open();
    click("OKB");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(storedCount("settings"), 1);
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "<blank>");

    open();
    type("DBEdit1", "http://example.test/form");
    click("OKB");
    EXPECT_EQ(storedCount("settings"), 1) << "the one record is edited, not added to";
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "http://example.test/form");
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsFormTest, CancelLeavesTypedTextPendingUntilTheNextOk)
{
    seedSettings();
    open();
    type("DBEdit1", "http://new/");
    click("CancelB");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "http://old/") << "Cancel saves nothing";
    EXPECT_EQ(data.SettingsTable.text("URL"), "http://new/") << "and discards nothing";

    open();
    EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), "http://new/");
    click("OKB");
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "http://new/");
}

TEST_F(SettingsFormTest, EnterAnswersOkAndEscapeCancel)
{
    struct Case {
        Qt::Key key;
        const char* stored;
    };
    for (const Case& c : {Case{Qt::Key_Escape, "<blank>"}, Case{Qt::Key_Return, "text/plain"}}) {
        SCOPED_TRACE(c.key);
        data.SettingsTable.cancel();
        seedSettings();
        open();
        type("DBEdit2", "text/plain");
        QTest::keyClick(child<QLineEdit>("DBEdit2"), c.key);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(storedText("SELECT Content FROM settings"), c.stored);
        EXPECT_EQ(data.SettingsTable.text("Content"), "text/plain") << "Escape discards nothing either";
    }
}

TEST_F(SettingsFormTest, ResetBlanksATrackedFieldButOnlyOkSavesIt)
{
    struct Case {
        const char* reset;
        const char* field;
        const char* closeWith;
        const char* storedAfter;
    };
    const Case cases[] = {
        {"Reset2", "FieldToTrack2", "CancelB", "F2"},
        {"Reset2", "FieldToTrack2", "OKB", "<blank>"},
        {"Reset1", "FieldToTrack1", "OKB", "<blank>"},
        {"Reset4", "FieldToTrack4", "OKB", "<blank>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reset) + " then " + c.closeWith);
        data.SettingsTable.cancel();
        seedSettings();
        open();
        click(c.reset);
        click(c.closeWith);
        EXPECT_TRUE(data.SettingsTable.isBlank(c.field));
        EXPECT_EQ(storedText(std::string("SELECT ") + c.field + " FROM settings"), c.storedAfter);
        EXPECT_EQ(storedText("SELECT FieldToTrack3 FROM settings"), "F3") << "the other slots stay";
    }
}

TEST_F(SettingsFormTest, NonNumericLinesToReadReportsTheStoresMessageAndStillCloses)
{
    open();
    type("DBEdit18", "abc");
    click("OKB");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'abc' is not a valid integer value for field 'LinesToRead'");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(storedCount("settings"), 0);
    EXPECT_NE(data.SettingsTable.state(), TableView::State::Browse) << "the record stays in editing";

    open();
    EXPECT_EQ(child<QLineEdit>("DBEdit18")->text(), "abc") << "with the refused value";
    type("DBEdit18", "2");
    click("OKB");
    EXPECT_EQ(storedText("SELECT LinesToRead FROM settings"), "2");
}

using SettingsEncodingTest = SettingsFormTest;

TEST_F(SettingsEncodingTest, CharacterSettingsSitInTheirGroups)
{
    struct Binding {
        const char* name;
        const char* group;
        const char* field;
    };
    for (const Binding& b : {Binding{"ExportEncodingEdit", "GroupBox2", "ExportEncoding"},
                             Binding{"FormEncodingEdit", "GroupBox1", "FormEncoding"}}) {
        auto* edit = child<DBEdit>(b.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->field(), b.field);
        EXPECT_EQ(edit->parent()->objectName(), b.group) << b.name;
    }
    auto* columns = child<QComboBox>("ColumnsInComboBox");
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->parent()->objectName(), "GroupBox2");
    QStringList items;
    for (int i = 0; i < columns->count(); ++i)
        items << columns->itemText(i);
    EXPECT_EQ(items, QStringList({"", "Bytes", "Characters"}));
}

TEST_F(SettingsEncodingTest, AnUnknownEncodingIsRefusedByOkAndByImport)
{
    seedSettings();
    addField("keep", 10);
    struct Case {
        const char* edit;
        const char* typed;
        const char* message;
    };
    for (const Case& c : {Case{"ExportEncodingEdit", "latin-99", "'latin-99' is not a known character encoding."},
                          Case{"FormEncodingEdit", "utf-8//IGNORE", "'utf-8//IGNORE' is not a known character encoding."}}) {
        SCOPED_TRACE(c.edit);
        errors.clear();
        open();
        type(c.edit, c.typed);
        click("OKB");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0], c.message);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(storedText("SELECT ExportEncoding FROM settings"), "<blank>");
        EXPECT_EQ(storedText("SELECT FormEncoding FROM settings"), "<blank>");

        // Import finds it before it destroys anything.
        open();
        dialogs.answer = true;
        click("ImportB");
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[1], c.message);
        EXPECT_EQ(storedCount("fields"), 1);
        EXPECT_EQ(filesChosen, 0);
        type(c.edit, "");
        click("OKB");
    }
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "http://old/");
}

TEST_F(SettingsEncodingTest, WindowsReadTheStoreInTheExportEncoding)
{
    seedSettings();
    data.SettingsTable.edit();
    data.SettingsTable.setText("DataSentText", "Caf\xE9");
    data.SettingsTable.post();
    open();
    // Not valid UTF-8: guessed as Latin-1, as always.
    EXPECT_EQ(child<QLineEdit>("DBEdit19")->text(), QString::fromUtf8("Caf\xC3\xA9"));
    type("ExportEncodingEdit", "cp850");
    click("OKB");
    EXPECT_EQ(storedText("SELECT ExportEncoding FROM settings"), "cp850");

    open();
    // In code page 850 the byte E9 is "Ú".
    EXPECT_EQ(child<QLineEdit>("DBEdit19")->text(), QString::fromUtf8("Caf\xC3\x9A"));
    // Typed as a keyboard of another script would: the test keyboard knows ASCII keys only.
    auto* sent = child<QLineEdit>("DBEdit19");
    sent->setText(QString::fromUtf8("Z\xC3\xBC\xE2\x82\xAC"));
    emit sent->textEdited(sent->text());
    click("OKB");
    // Stored in code page 850, with "?" for the euro sign it lacks.
    EXPECT_EQ(storedText("SELECT DataSentText FROM settings"), "Z\x81?");
}

TEST_F(SettingsFormTest, CopyAppendsTheNextOptionNumber)
{
    struct Case {
        const char* name;
        bool seed;
        Cell order;
        int newOrder;
        const char* texts;  // Name|Value|Description|ImportMap of the copy
    };
    const Case cases[] = {
        {"option 20 gives 21", true, int64_t(20), 21, "Color|red|red text|red-code"},
        {"option 10 gives 11", true, int64_t(10), 11, "Color|red|red text|red-code"},
        {"blank number gives 1", true, std::monostate{}, 1, "Color|red|red text|red-code"},
        {"empty table gives 1", false, std::monostate{}, 1, "|||"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        data.SelDataQuery.execute(deleteAllOptions());
        if (c.seed)
            addOption("Color", c.order, "red");
        const int before = storedCount("seldata");
        click("DupButton");
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(storedCount("seldata"), before + 1);
        TableView& v = data.SelDataTable;
        EXPECT_EQ(v.state(), TableView::State::Browse) << "the copy is saved";
        EXPECT_EQ(v.recNo(), before) << "and becomes the current row";
        EXPECT_EQ(v.integer("OrderNum", -1), c.newOrder);
        EXPECT_EQ(v.text("Name") + "|" + v.text("Value") + "|" + v.text("Description") + "|" + v.text("ImportMap"),
                  c.texts);
        EXPECT_TRUE(v.isBlank("DefaultValue"));
    }
}

TEST_F(SettingsFormTest, InsertSaveAndDeleteOnBothPages)
{
    struct Page {
        const char* insert;
        const char* save;
        const char* del;
        const char* nameEdit;
        const char* table;
        TableView* view;
    };
    const Page pages[] = {{"InsertB", "SaveB", "DeleteB", "DBEdit6", "fields", &data.FieldsTable},
                          {"InsertB2", "SaveB2", "Deleteb2", "DBEdit14", "seldata", &data.SelDataTable}};
    open();
    for (const Page& p : pages) {
        SCOPED_TRACE(p.table);
        click(p.save);
        EXPECT_EQ(storedCount(p.table), 0) << "Save with nothing pending saves nothing";

        click(p.insert);
        type(p.nameEdit, "Zip");
        EXPECT_EQ(storedCount(p.table), 0);
        click(p.save);
        EXPECT_EQ(storedCount(p.table), 1);
        EXPECT_EQ(storedText(std::string("SELECT Name FROM ") + p.table), "Zip");

        click(p.insert);
        click(p.del);
        EXPECT_EQ(storedCount(p.table), 1) << "Delete abandons a row being inserted";
        EXPECT_EQ(p.view->text("Name"), "Zip");

        click(p.del);
        EXPECT_EQ(storedCount(p.table), 0) << "Delete does not ask";
        EXPECT_TRUE(errors.empty());
        click(p.del);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0], "Cannot perform this operation on an empty dataset.");
        errors.clear();
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SettingsFormTest, TrackedFieldChoicesListTheFieldNames)
{
    addField("First", 10);
    addField("Last", 20);
    open();
    auto* combo = child<QComboBox>("DBLookupComboBox3");
    ASSERT_EQ(combo->count(), 2);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    click("OKB");
    EXPECT_EQ(storedText("SELECT FieldToTrack3 FROM settings"), "Last");

    addField("Zip", 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(combo->count(), 3);
}

TEST_F(SettingsFormTest, ImportAnsweredNoChangesNothing)
{
    seedSettings();
    addField("First", 10);
    addOption("First", int64_t(10), "a");
    dialogs.answer = false;
    click("ImportB");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "Warning");
    EXPECT_EQ(dialogs.shown[0].text,
              "This Operation Will Destroy All Current Settings. Do You Which To Continue?");
    EXPECT_EQ(filesChosen, 0);
    EXPECT_EQ(storedCount("fields"), 1);
    EXPECT_EQ(storedCount("seldata"), 1);
    EXPECT_EQ(storedText("SELECT FieldToTrack1 FROM settings"), "F1");
}

TEST_F(SettingsFormTest, ImportWithTheFileDialogCancelledLeavesEverythingEmpty)
{
    seedSettings();
    addField("First", 10);
    addOption("First", int64_t(10), "a");
    // A row being inserted goes with the definitions it belongs to, rather than coming back later.
    data.FieldsTable.append();
    data.FieldsTable.setText("Name", "Pending");
    chosenFile.clear();
    click("ImportB");
    EXPECT_EQ(filesChosen, 1);
    EXPECT_EQ(storedCount("fields"), 0);
    EXPECT_EQ(storedCount("seldata"), 0);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(storedText("SELECT FieldToTrack" + std::to_string(i) + " FROM settings"), "<blank>");
    EXPECT_EQ(storedText("SELECT URL FROM settings"), "http://old/");
    EXPECT_EQ(data.FieldsTable.state(), TableView::State::Browse);
    data.FieldsTable.append();
    data.FieldsTable.cancel();
    EXPECT_EQ(storedCount("fields"), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsFormTest, ImportFillsTheThreePages)
{
    seedSettings();
    addField("Old", 10);
    dir.write("page.htm",
              "<FORM ACTION=\"http://example.test/submit\" METHOD=\"post\">\n"
              "<INPUT TYPE=TEXT NAME=first MAXLENGTH=15>\n"
              "<SELECT NAME=state>\n<OPTION VALUE=\"IL\">Illinois\n<OPTION VALUE=\"WI\">Wisconsin\n</SELECT>\n");
    chosenFile = dir.file("page.htm");
    open();
    click("ImportB");
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_FALSE(importForm.isVisible()) << "the import window is closed afterwards";
    QCoreApplication::processEvents();

    EXPECT_EQ(child<QLineEdit>("DBEdit1")->text(), "http://example.test/submit");
    EXPECT_EQ(child<QLineEdit>("DBEdit3")->text(), "post");
    EXPECT_EQ(child<QLineEdit>("DBEdit2")->text(), "application/x-www-form-urlencoded");

    auto* fieldsGrid = child<QAbstractItemView>("DBGrid1");
    ASSERT_EQ(fieldsGrid->model()->rowCount(), 2) << "only the imported definitions are listed";
    EXPECT_EQ(fieldsGrid->model()->index(0, 1).data().toString(), "first");
    EXPECT_EQ(fieldsGrid->model()->index(1, 1).data().toString(), "state");
    auto* optionsGrid = child<QAbstractItemView>("DBGrid2");
    ASSERT_EQ(optionsGrid->model()->rowCount(), 2);
    EXPECT_EQ(optionsGrid->model()->index(1, 2).data().toString(), "WI");
    EXPECT_EQ(child<QComboBox>("DBLookupComboBox1")->count(), 2);
}

TEST_F(SettingsFormTest, FailedImportClosesItsWindowAndReports)
{
    chosenFile = dir.file("missing.htm");
    click("ImportB");
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(importForm.isVisible());
}

TEST_F(SettingsFormTest, ReopensOnTheLastPageShown)
{
    auto* pages = child<QTabWidget>("PageControl1");
    open();
    EXPECT_EQ(pages->currentIndex(), 0) << "first opening shows Application";
    pages->setCurrentIndex(2);
    click("CancelB");
    open();
    EXPECT_EQ(pages->currentIndex(), 2);
}

TEST_F(SettingsFormTest, ShowPostingDataTogglesAndTouchesNothingElse)
{
    open();
    auto* box = child<QCheckBox>("ShowPostingData");
    EXPECT_FALSE(form.showPostingData());
    box->click();
    EXPECT_TRUE(form.showPostingData());
    box->click();
    EXPECT_FALSE(form.showPostingData());
    EXPECT_EQ(data.SettingsTable.state(), TableView::State::Browse);
    EXPECT_EQ(storedCount("settings"), 0);
}

TEST_F(SettingsFormTest, GridCtrlDeleteAsksThroughTheDialogs)
{
    addField("A", 10);
    addField("B", 20);
    open();
    child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    auto* grid = child<QAbstractItemView>("DBGrid1");
    dialogs.answer = false;
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedCount("fields"), 2);
    dialogs.answer = true;
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedCount("fields"), 1);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, "Delete record?");
}

TEST_F(SettingsFormTest, NetworkPageWarnsAndTrustsTheServerKey)
{
    test::TempDir certDir;
    const test::TestCertificate cert = test::makeTestCertificate(certDir.path(), test::CertKind::SelfSigned);
    test::TlsTestServer server(cert, [](test::TlsPeer&) {});
    open();
    auto* warning = child<QLabel>("TLSVerifyWarning");
    type("DBEdit1", QStringLiteral("https://127.0.0.1:%1/form").arg(server.port()));
    type("LoginURLEdit", QStringLiteral("https://127.0.0.1/login"));
    EXPECT_TRUE(warning->isHidden()) << "no secret in the login data yet";
    data.SettingsTable.setText("LoginData", "password=${PW}");
    EXPECT_EQ(warning->text(), "TLSVerify is blank: the password goes to a server whose certificate is not checked");
    EXPECT_FALSE(warning->isHidden());

    dialogs.answer = true;
    click("TrustB");
    ASSERT_EQ(dialogs.shown.size(), 1u) << errors.size();
    EXPECT_NE(dialogs.shown[0].text.find("TLSVerify System: fails (self-signed)"), std::string::npos)
        << dialogs.shown[0].text;
    const QString pin = child<QLineEdit>("TLSVerifyEdit")->text();
    EXPECT_TRUE(pin.startsWith("sha256//")) << pin.toStdString();
    EXPECT_TRUE(warning->isHidden());
    click("OKB");
    EXPECT_EQ(stored("SELECT TLSVerify FROM settings")[0][0], Cell(pin.toStdString()));
}

TEST(HtmlExtensionTest, AddsHtmOnlyToANameWithoutExtension)
{
    struct Case {
        const char* chosen;
        const char* used;
    };
    const Case cases[] = {
        {"/tmp/page", "/tmp/page.htm"},     {"/tmp/page.html", "/tmp/page.html"},
        {"/tmp/page.HTM", "/tmp/page.HTM"}, {"/tmp/page.txt", "/tmp/page.txt"},
        {"/tmp/v1.2/page", "/tmp/v1.2/page.htm"}, {"/tmp/.hidden", "/tmp/.hidden.htm"},
        {"/tmp/page.", "/tmp/page.htm"},    {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultHtmlExtension(c.chosen), c.used) << c.chosen;
}

}  // namespace
}  // namespace torvane
