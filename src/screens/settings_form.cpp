#include "screens/settings_form.h"

#include "screens/page_widgets.h"

#include "screens/column_mapper.h"
#include "screens/delivery_page.h"

#include "gui/message_box_dialogs.h"
#include "gui/qt_text.h"
#include "gui/window_placement.h"
#include "htmlimport/import_html_form.h"
#include "util/encoding_settings.h"
#include "screens/db_controls.h"
#include "screens/session_page.h"
#include "store/data_module.h"
#include "store/schema.h"
#include "store/statements.h"
#include "util/error_handler.h"
#include "util/product_info.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace torvane {

namespace {

const char* const kImportWarning =
    "This Operation Will Destroy All Current Settings. Do You Which To Continue?";

const std::vector<std::string> kFormats = {"", "YYYYMMDD To MM/DD/YY", "HHMM To HH:MM",
                                           "HHMM To HH:MM AM/PM"};

const std::vector<std::string> kColumnsIn = {"", "Bytes", "Characters"};

const char* const kEncodingSettings[] = {"ExportEncoding", "FormEncoding", "ColumnsIn"};

const char* const kTrackedFields[] = {"FieldToTrack1", "FieldToTrack2", "FieldToTrack3", "FieldToTrack4"};

// A text box for a number or a short word.
DBEdit* shortEdit(DBEdit* edit, int chars = 8)
{
    const int digit = edit->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    edit->setMinimumWidth(digit * 5 + 12);
    edit->setMaximumWidth(digit * chars + 16);
    return edit;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// Runs a button's work; an error ends the work and is reported, never reaching the event loop.
template <typename Work> void onClick(QPushButton* b, QObject* context, Work work)
{
    QObject::connect(b, &QPushButton::clicked, context, [work] { guarded(work); });
}

// Layouts of the dialog are kept tight so the three pages fit the dialog's small frame.
template <typename L> L* tight(L* layout, int margin = 6)
{
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(4);
    return layout;
}

struct ButtonDef {
    const char* name;
    const char* caption;
    std::function<void()> work;
};

// The buttons at the right of a page, top to bottom.
QVBoxLayout* buttonColumn(const std::vector<ButtonDef>& buttons, QWidget* page, QObject* context)
{
    auto* column = new QVBoxLayout;
    for (const ButtonDef& def : buttons) {
        auto* b = button(def.name, QString::fromLatin1(def.caption), page);
        onClick(b, context, def.work);
        column->addWidget(b);
    }
    column->addStretch(1);
    return column;
}

// A page's grid; it only chooses the current row, and Ctrl+Delete asks before deleting it.
DBGrid* dataGrid(DataSource& source, std::vector<DBGrid::Column> columns, const char* name, QWidget* page,
                 DBGrid::Confirm confirm)
{
    auto* grid = new DBGrid(source, std::move(columns), page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setConfirm(std::move(confirm));
    return grid;
}

}  // namespace

std::string withDefaultHtmlExtension(const std::string& path)
{
    if (path.empty())
        return path;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A leading dot names a hidden file, not an extension.
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0 && dot + 1 < name.size())
        return path;
    if (!name.empty() && name.back() == '.')
        return path + "htm";
    return path + ".htm";
}

TSettingsForm::TSettingsForm(TDataModule1& data, TImportHTMLForm& importForm, QWidget* parent)
    : QDialog(parent), m_data(data), m_importForm(importForm)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    // Made once at start-up, right after the store opens: from here on the windows read its texts in
    // the encodings it names.
    applyWindowEncodings();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_pages = named(new QTabWidget(this), "PageControl1");
    m_pages->addTab(buildApplicationPage(), QStringLiteral("Application"));
    m_pages->addTab(buildFieldsPage(), QStringLiteral("Web Form Fields"));
    m_pages->addTab(buildFieldDataPage(), QStringLiteral("Field Data"));
    m_pages->addTab(new DeliveryPage(m_data, this), QStringLiteral("Delivery"));
    m_pages->addTab(buildSessionPage(m_data.SettingsSource), QStringLiteral("Session"));
    m_pages->setCurrentIndex(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildBottomBar());

    // The dialog frame has a fixed size: its design client area of 426 by 439, or more when the fonts need it.
    setFixedSize(minimumSizeHint().expandedTo(QSize(426, 439)));
}

TSettingsForm::~TSettingsForm() = default;

QWidget* TSettingsForm::buildApplicationPage()
{
    auto* page = named(new QWidget, "TabSheet1");
    DataSource& src = m_data.SettingsSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    auto* web = named(new QGroupBox(QStringLiteral("Web Server"), page), "GroupBox1");
    {
        auto* grid = tight(new QGridLayout(web));
        auto* url = named(new DBEdit(src, "URL", web), "DBEdit1");
        auto* content = named(new DBEdit(src, "Content", web), "DBEdit2");
        auto* postType = named(shortEdit(new DBEdit(src, "PostType", web)), "DBEdit3");
        auto* warnings = named(new DBCheckBox(src, "ViewWarnings", QStringLiteral("View Warnings"), web),
                               "DBCheckBox7");
        auto* diag = named(new DBCheckBox(src, "ViewDiag", QStringLiteral("Show Diagnostics"), web),
                           "DBCheckBox8");
        auto* sentText = named(new DBEdit(src, "DataSentText", web), "DBEdit19");
        auto* formEncoding = named(new DBEdit(src, "FormEncoding", web), "FormEncodingEdit");
        grid->addWidget(label(QStringLiteral("URL To Post To:"), url, web), 0, 0);
        grid->addWidget(url, 0, 1, 1, 4);
        grid->addWidget(label(QStringLiteral("Content Type:"), content, web), 1, 0);
        grid->addWidget(content, 1, 1, 1, 4);
        grid->addWidget(label(QStringLiteral("Post Action:"), postType, web), 2, 0);
        grid->addWidget(postType, 2, 1);
        grid->addWidget(warnings, 2, 2);
        grid->addWidget(diag, 2, 3);
        grid->setColumnStretch(4, 1);
        grid->addWidget(label(QStringLiteral("Data Sent Text:"), sentText, web), 3, 0);
        grid->addWidget(sentText, 3, 1, 1, 4);
        grid->addWidget(label(QStringLiteral("Form Encoding:"), formEncoding, web), 4, 0);
        grid->addWidget(formEncoding, 4, 1, 1, 2);
    }
    layout->addWidget(web);

    auto* file = named(new QGroupBox(QStringLiteral("Data File"), page), "GroupBox2");
    {
        auto* grid = tight(new QGridLayout(file));
        auto* path = named(new DBEdit(src, "ImportData", file), "DBEdit4");
        auto* lines = named(shortEdit(new DBEdit(src, "LinesToRead", file)), "DBEdit18");
        auto* del = named(new DBCheckBox(src, "DeleteFile", QStringLiteral("Delete File"), file), "DBCheckBox6");
        auto* exportEncoding = named(new DBEdit(src, "ExportEncoding", file), "ExportEncodingEdit");
        auto* columnsIn = named(new DBComboBox(src, "ColumnsIn", kColumnsIn, file), "ColumnsInComboBox");
        grid->addWidget(label(QStringLiteral("File To Upload To Web:"), path, file), 0, 0);
        grid->addWidget(path, 0, 1, 1, 3);
        auto* row = new QHBoxLayout;
        row->addWidget(label(QStringLiteral("Lines To Read Before Importing Data:"), lines, file));
        row->addWidget(lines);
        row->addStretch(1);
        row->addWidget(del);
        grid->addLayout(row, 1, 0, 1, 4);
        auto* characters = new QHBoxLayout;
        characters->addWidget(label(QStringLiteral("Export Encoding:"), exportEncoding, file));
        characters->addWidget(exportEncoding, 1);
        characters->addWidget(label(QStringLiteral("Columns In:"), columnsIn, file));
        characters->addWidget(columnsIn);
        grid->addLayout(characters, 2, 0, 1, 4);
    }
    layout->addWidget(file);

    auto* track = named(new QGroupBox(QStringLiteral("Tracking Information"), page), "GroupBox3");
    {
        auto* grid = tight(new QGridLayout(track));
        auto* trackSent =
            named(new DBCheckBox(src, "TrackSent", QStringLiteral("Track Data Sent:"), track), "DBCheckBox4");
        trackSent->setLayoutDirection(Qt::RightToLeft);  // the caption stands before its box
        auto* purge = named(shortEdit(new DBEdit(src, "PurgeDays", track)), "DBEdit20");
        auto* top = new QHBoxLayout;
        top->addWidget(trackSent);
        top->addSpacing(16);
        top->addWidget(label(QStringLiteral("Purge Days:"), purge, track));
        top->addWidget(purge);
        top->addStretch(1);
        grid->addLayout(top, 0, 0, 1, 3);

        const char* captions[] = {"Field 1 To Track", "Field 2 To Track:", "Field 3 To Track:",
                                  "Field 4 To Track:"};
        const char* comboNames[] = {"DBLookupComboBox1", "DBLookupComboBox2", "DBLookupComboBox3",
                                    "DBLookupComboBox4"};
        const char* resetNames[] = {"Reset1", "Reset2", "Reset3", "Reset4"};
        void (TSettingsForm::*resetHandlers[])() = {&TSettingsForm::Reset1Click, &TSettingsForm::Reset2Click,
                                                    &TSettingsForm::Reset3Click, &TSettingsForm::Reset4Click};
        for (int i = 0; i < 4; ++i) {
            auto* combo = named(new DBLookupComboBox(src, kTrackedFields[i], m_data.FieldsSource, "Name", track),
                                comboNames[i]);
            auto* reset = button(resetNames[i], QStringLiteral("Reset"), track);
            onClick(reset, this, [this, handler = resetHandlers[i]] { (this->*handler)(); });
            grid->addWidget(label(QString::fromLatin1(captions[i]), combo, track), i + 1, 0);
            grid->addWidget(combo, i + 1, 1);
            grid->addWidget(reset, i + 1, 2);
        }
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(track);
    layout->addStretch(1);
    return page;
}

std::function<bool(const std::string&, const std::string&)> TSettingsForm::gridConfirm()
{
    // Asked through whatever dialogs are set when the key is pressed, not when the grid was built.
    return [this](const std::string& caption, const std::string& text) { return dialogs().askOkCancel(caption, text); };
}

QWidget* TSettingsForm::buildFieldsPage()
{
    auto* page = named(new QWidget, "TabSheet2");
    DataSource& src = m_data.FieldsSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    layout->addWidget(dataGrid(src,
                               {{"OrderNum", QStringLiteral("Order Number")},
                                {"Name", QStringLiteral("Field Name")},
                                {"Type", QStringLiteral("Type")}},
                               "DBGrid1", page, gridConfirm()),
                      1);

    auto* lower = new QHBoxLayout;
    auto* group = named(new QGroupBox(QStringLiteral("Fields"), page), "GroupBox4");
    {
        auto* grid = tight(new QGridLayout(group));
        auto* order = named(shortEdit(new DBEdit(src, "OrderNum", group)), "DBEdit5");
        auto* type = named(new DBEdit(src, "Type", group), "DBEdit7");
        auto* name = named(new DBEdit(src, "Name", group), "DBEdit6");
        auto* length = named(shortEdit(new DBEdit(src, "MaxLength", group)), "DBEdit8");
        auto* overflow = named(new DBCheckBox(src, "Overflow", QStringLiteral("Fill Next Field"), group),
                               "DBCheckBox1");
        auto* required = named(new DBCheckBox(src, "Required", QStringLiteral("Required"), group), "DBCheckBox2");
        auto* zero = named(new DBCheckBox(src, "ZeroValid", QStringLiteral("Zero Valid"), group), "DBCheckBox5");
        auto* start = named(shortEdit(new DBEdit(src, "ImportStart", group)), "DBEdit9");
        auto* importLength = named(shortEdit(new DBEdit(src, "ImportLength", group)), "DBEdit10");
        auto* def = named(new DBEdit(src, "DefaultValue", group), "DBEdit11");
        auto* format = named(new DBComboBox(src, "Format", kFormats, group), "DBComboBox1");

        grid->addWidget(label(QStringLiteral("Order:"), order, group), 0, 0);
        grid->addWidget(order, 0, 1);
        grid->addWidget(label(QStringLiteral("Type:"), type, group), 0, 2);
        grid->addWidget(type, 0, 3);
        grid->addWidget(label(QStringLiteral("Field Name:"), name, group), 1, 0);
        grid->addWidget(name, 1, 1, 1, 3);
        grid->addWidget(label(QStringLiteral("Field Length:"), length, group), 2, 0);
        grid->addWidget(length, 2, 1);
        grid->addWidget(label(QStringLiteral("Import Start:"), start, group), 2, 2);
        grid->addWidget(start, 2, 3);
        grid->addWidget(label(QStringLiteral("Import Length:"), importLength, group), 3, 0);
        grid->addWidget(importLength, 3, 1);
        grid->addWidget(label(QStringLiteral("Default:"), def, group), 3, 2);
        grid->addWidget(def, 3, 3);
        grid->addWidget(label(QStringLiteral("Format:"), format, group), 4, 0);
        grid->addWidget(format, 4, 1, 1, 3);
        auto* checks = new QHBoxLayout;
        checks->addWidget(overflow);
        checks->addWidget(required);
        checks->addWidget(zero);
        checks->addStretch(1);
        grid->addLayout(checks, 5, 0, 1, 4);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(3, 1);
    }
    lower->addWidget(group, 1);

    lower->addLayout(buttonColumn({{"InsertB", "Insert", [this] { InsertBClick(); }},
                                   {"SaveB", "Save", [this] { SaveBClick(); }},
                                   {"DeleteB", "Delete", [this] { DeleteBClick(); }}},
                                  page, this));
    layout->addLayout(lower);
    // The export file's first records with the fields' columns on them, to map columns by dragging; the
    // grid keeps seven rows in sight above it.
    layout->addWidget(new ColumnMapper(m_data, page), 2);
    auto* fieldsGrid = page->findChild<DBGrid*>(QStringLiteral("DBGrid1"));
    fieldsGrid->setMinimumHeight(fieldsGrid->verticalHeader()->defaultSectionSize() * 8 + 4);
    return page;
}

QWidget* TSettingsForm::buildFieldDataPage()
{
    auto* page = named(new QWidget, "TabSheet3");
    DataSource& src = m_data.SelDataSource;
    auto* layout = tight(new QVBoxLayout(page), 4);

    layout->addWidget(dataGrid(src,
                               {{"Name", QStringLiteral("Field Name")},
                                {"OrderNum", QStringLiteral("Order Number")},
                                {"Value", QStringLiteral("Value")}},
                               "DBGrid2", page, gridConfirm()),
                      1);

    auto* lower = new QHBoxLayout;
    auto* group = named(new QGroupBox(QStringLiteral("Field Data"), page), "GroupBox5");
    {
        auto* grid = tight(new QGridLayout(group));
        auto* order = named(shortEdit(new DBEdit(src, "OrderNum", group)), "DBEdit13");
        auto* name = named(new DBEdit(src, "Name", group), "DBEdit14");
        auto* value = named(new DBEdit(src, "Value", group), "DBEdit15");
        auto* description = named(new DBEdit(src, "Description", group), "DBEdit16");
        auto* map = named(new DBEdit(src, "ImportMap", group), "DBEdit17");
        auto* def = named(new DBCheckBox(src, "DefaultValue", QString::fromLatin1(kDefaultValueCaption), group),
                          "DBCheckBox3");
        grid->addWidget(label(QStringLiteral("Order:"), order, group), 0, 0);
        grid->addWidget(order, 0, 1);
        grid->addWidget(label(QStringLiteral("Name:"), name, group), 1, 0);
        grid->addWidget(name, 1, 1, 1, 2);
        grid->addWidget(label(QStringLiteral("Value:"), value, group), 2, 0);
        grid->addWidget(value, 2, 1, 1, 2);
        grid->addWidget(label(QStringLiteral("Description"), description, group), 3, 0);
        grid->addWidget(description, 3, 1, 1, 2);
        grid->addWidget(label(QStringLiteral("Import Map Value:"), map, group), 4, 0);
        grid->addWidget(map, 4, 1);
        grid->addWidget(def, 4, 2);
        grid->setColumnStretch(1, 1);
    }
    lower->addWidget(group, 1);

    lower->addLayout(buttonColumn({{"DupButton", "Copy", [this] { DupButtonClick(); }},
                                   {"InsertB2", "Insert", [this] { InsertB2Click(); }},
                                   {"SaveB2", "Save", [this] { SaveB2Click(); }},
                                   {"Deleteb2", "Delete", [this] { Deleteb2Click(); }}},
                                  page, this));
    layout->addLayout(lower);
    return page;
}

QWidget* TSettingsForm::buildBottomBar()
{
    auto* bar = named(new QWidget(this), "Panel1");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 0, 4, 4);
    m_showPostingData = named(new QCheckBox(QStringLiteral("Show Posting Data"), bar), "ShowPostingData");
    auto* import = button("ImportB", QStringLiteral("Import"), bar);
    auto* ok = button("OKB", QStringLiteral("OK"), bar);
    auto* cancel = button("CancelB", QStringLiteral("Cancel"), bar);
    ok->setAutoDefault(true);
    ok->setDefault(true);
    onClick(import, this, [this] { ImportBClick(); });
    // OK and Cancel close the dialog after their work, also when the work failed.
    connect(ok, &QPushButton::clicked, this, [this] {
        guarded([this] { OKBClick(); });
        QDialog::accept();
    });
    connect(cancel, &QPushButton::clicked, this, &TSettingsForm::reject);
    row->addWidget(m_showPostingData);
    row->addStretch(1);
    row->addWidget(import);
    row->addWidget(ok);
    row->addWidget(cancel);
    return bar;
}

void TSettingsForm::reject()
{
    guarded([this] { CancelBClick(); });
    QDialog::reject();
}

void TSettingsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        centreOnScreen(this);
    }
}

bool TSettingsForm::showPostingData() const
{
    return m_showPostingData->isChecked();
}

void TSettingsForm::setDialogs(Dialogs* dialogs)
{
    m_dialogs = dialogs;
}

Dialogs& TSettingsForm::dialogs()
{
    if (m_dialogs)
        return *m_dialogs;
    if (!m_ownDialogs)
        m_ownDialogs = std::make_unique<MessageBoxDialogs>(this);
    return *m_ownDialogs;
}

void TSettingsForm::refuseBadEncodings()
{
    // As the store refuses a value of the wrong kind: the record stays in editing with the value, and
    // the message says what is wrong with it.
    TableView& settings = m_data.SettingsTable;
    for (const char* field : kEncodingSettings)
        checkEncodingSetting(field, settings.text(field));
}

void TSettingsForm::applyWindowEncodings()
{
    setWindowEncodings(m_data.SettingsTable.text("ExportEncoding"), m_data.SettingsTable.text("FormEncoding"));
    // Every bound control shows its field again, read in the encoding now named.
    for (const TableDef* table : allTableDefs())
        m_data.database().notifyChanged(table->name);
}

void TSettingsForm::OKBClick()
{
    TableView& settings = m_data.SettingsTable;
    updateRecord(settings);
    refuseBadEncodings();
    if (settings.state() == TableView::State::Browse)
        settings.edit();
    settings.post();
    applyWindowEncodings();
}

void TSettingsForm::CancelBClick()
{
    // Nothing is saved and nothing is dropped: pending edits wait for the next save of their table.
}

namespace {

// The Insert and Save buttons of the two grid pages do the same to their own table.
void insertRow(TableView& view)
{
    updateRecord(view);
    view.append();
}

void saveRow(TableView& view)
{
    updateRecord(view);
    if (view.state() != TableView::State::Browse)
        view.post();
}

}  // namespace

void TSettingsForm::InsertBClick()
{
    insertRow(m_data.FieldsTable);
}

void TSettingsForm::SaveBClick()
{
    saveRow(m_data.FieldsTable);
}

void TSettingsForm::DeleteBClick()
{
    m_data.FieldsTable.remove();
}

void TSettingsForm::InsertB2Click()
{
    insertRow(m_data.SelDataTable);
}

void TSettingsForm::SaveB2Click()
{
    saveRow(m_data.SelDataTable);
}

void TSettingsForm::Deleteb2Click()
{
    m_data.SelDataTable.remove();
}

void TSettingsForm::DupButtonClick()
{
    TableView& options = m_data.SelDataTable;
    updateRecord(options);
    const int32_t order = options.isBlank("OrderNum") ? 1 : options.integer("OrderNum", 0) + 1;
    const std::string name = options.text("Name");
    const std::string value = options.text("Value");
    const std::string description = options.text("Description");
    const std::string importMap = options.text("ImportMap");
    options.append();
    options.setInteger("OrderNum", order);
    options.setText("Name", name);
    options.setText("Value", value);
    options.setText("Description", description);
    options.setText("ImportMap", importMap);
    options.post();
}

void TSettingsForm::resetTrackedField(int slot)
{
    TableView& settings = m_data.SettingsTable;
    settings.edit();
    settings.setBlank(kTrackedFields[slot - 1]);
}

void TSettingsForm::Reset1Click()
{
    resetTrackedField(1);
}

void TSettingsForm::Reset2Click()
{
    resetTrackedField(2);
}

void TSettingsForm::Reset3Click()
{
    resetTrackedField(3);
}

void TSettingsForm::Reset4Click()
{
    resetTrackedField(4);
}

void TSettingsForm::ImportBClick()
{
    if (!dialogs().askYesNo("Warning", kImportWarning))
        return;
    // Found now, before anything is destroyed: the import saves the settings record as it stands.
    updateRecord(m_data.SettingsTable);
    refuseBadEncodings();

    // A row still being edited or inserted belongs to the definitions about to be destroyed; saved later
    // it would come back among the imported ones.
    m_data.FieldsTable.cancel();
    m_data.SelDataTable.cancel();
    m_data.FieldsQuery.close();
    m_data.FieldsQuery.execute(deleteAllFields());
    m_data.SelDataQuery.close();
    m_data.SelDataQuery.execute(deleteAllOptions());

    TableView& settings = m_data.SettingsTable;
    updateRecord(settings);
    settings.edit();
    for (const char* field : kTrackedFields)
        settings.setBlank(field);
    settings.post();

    const std::string path = chooseHtmlFile();
    if (path.empty())
        return;

    m_importForm.PageFileName = path;
    m_importForm.show();
    // The progress window goes away also when the import fails; the error still reaches the operator.
    struct CloseImportWindow {
        TImportHTMLForm& form;
        ~CloseImportWindow()
        {
            form.close();
            form.stopAnimation();
        }
    } closeWindow{m_importForm};
    m_importForm.ImportHTML();
    applyWindowEncodings();
}

std::string TSettingsForm::chooseHtmlFile()
{
    if (m_chooseFile)
        return m_chooseFile();
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenHTML"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("HTML Files (*.htm *.html)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("htm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return withDefaultHtmlExtension(toBytes(dialog.selectedFiles().first()));
}

}  // namespace torvane
