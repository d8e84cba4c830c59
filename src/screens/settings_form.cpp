#include "screens/settings_form.h"

#include "gui/message_box_dialogs.h"
#include "gui/qt_text.h"
#include "gui/window_placement.h"
#include "htmlimport/import_html_form.h"
#include "posting/network_settings.h"
#include "posting/server_trust.h"
#include "screens/application_page.h"
#include "screens/db_controls.h"
#include "screens/delivery_page.h"
#include "screens/field_data_page.h"
#include "screens/fields_page.h"
#include "screens/network_page.h"
#include "screens/page_widgets.h"
#include "screens/session_page.h"
#include "store/data_module.h"
#include "store/form_definition.h"
#include "store/schema.h"
#include "store/statements.h"
#include "util/encoding_settings.h"
#include "util/error_handler.h"
#include "util/product_info.h"
#include "util/secrets.h"
#include "util/text.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace torvane {

namespace {

const char* const kImportWarning =
    "This Operation Will Destroy All Current Settings. Do You Which To Continue?";

const char* const kEncodingSettings[] = {"ExportEncoding", "FormEncoding", "ColumnsIn"};
const char* const kNetworkSettings[] = {"TLSVerify", "ClientCertificate", "ClientCertificatePassword", "Proxy"};

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

TSettingsForm::TSettingsForm(TDataModule1& data, WindowEncodings& encodings, TImportHTMLForm& importForm,
                             QWidget* parent)
    : QDialog(parent), m_data(data), m_encodings(encodings), m_importForm(importForm)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_pages = named(new QTabWidget(this), "PageControl1");
    m_pages->addTab(buildApplicationPage(m_data, m_encodings,
                                         {[this] { Reset1Click(); }, [this] { Reset2Click(); },
                                          [this] { Reset3Click(); }, [this] { Reset4Click(); }},
                                         this),
                    QStringLiteral("Application"));
    m_pages->addTab(buildFieldsPage(m_data, m_encodings,
                                    {{},
                                     [this] { InsertBClick(); },
                                     [this] { SaveBClick(); },
                                     [this] { DeleteBClick(); },
                                     gridConfirm()},
                                    this),
                    QStringLiteral("Web Form Fields"));
    m_pages->addTab(
        buildFieldDataPage(m_data, m_encodings,
                           {[this] { DupButtonClick(); }, [this] { InsertB2Click(); },
                            [this] { SaveB2Click(); }, [this] { Deleteb2Click(); }, gridConfirm()},
                           this),
        QStringLiteral("Field Data"));
    m_pages->addTab(new DeliveryPage(m_data, m_encodings, this), QStringLiteral("Delivery"));
    m_pages->addTab(buildSessionPage(m_data.SettingsSource, m_encodings), QStringLiteral("Session"));
    m_pages->addTab(buildNetworkPage(m_data.SettingsSource, m_encodings, [this] { TrustBClick(); }),
                    QStringLiteral("Network"));
    m_pages->setCurrentIndex(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildBottomBar());

    // The dialog frame has a fixed size: its design client area of 426 by 439, or more when the fonts need it.
    setFixedSize(minimumSizeHint().expandedTo(QSize(426, 439)));
}

TSettingsForm::~TSettingsForm() = default;

std::function<bool(const std::string&, const std::string&)> TSettingsForm::gridConfirm()
{
    // Asked through whatever dialogs are set when the key is pressed, not when the grid was built.
    return [this](const std::string& caption, const std::string& text) { return dialogs().askOkCancel(caption, text); };
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

void TSettingsForm::refuseBadValues()
{
    // As the store refuses a value of the wrong kind: the record stays in editing with the value, and
    // the message says what is wrong with it.
    TableView& settings = m_data.SettingsTable;
    for (const char* field : kEncodingSettings)
        checkEncodingSetting(field, settings.text(field));
    for (const char* field : kNetworkSettings)
        checkNetworkSetting(field, settings.text(field));
}

void TSettingsForm::TrustBClick()
{
    TableView& settings = m_data.SettingsTable;
    updateRecord(*this, settings);
    SystemClock clock;
    TlsLibrary library;
    const ServerTrust trust =
        examineServer(settings.text("URL"),
                      readNetworkOptions(settings, EnvironmentSecrets::instance(), EnvironmentSecrets::instance()),
                      clock, library);
    if (!dialogs().askYesNo("Trust Server Key", joinLinesCrLf(trust.lines) + "\r\nStore this key's pin as TLSVerify?"))
        return;
    if (settings.state() == TableView::State::Browse)
        settings.edit();
    // Saved with the rest of the record by OK, like any other edit of the page.
    settings.setText("TLSVerify", trust.pin);
}

void useSettingsEncodings(WindowEncodings& encodings, TDataModule1& data)
{
    encodings.use(data.SettingsTable.text("ExportEncoding"), data.SettingsTable.text("FormEncoding"));
}

void TSettingsForm::applyWindowEncodings()
{
    useSettingsEncodings(m_encodings, m_data);
    // Every bound control shows its field again, read in the encoding now named.
    for (const TableDef* table : allTableDefs())
        m_data.database().notifyChanged(table->name);
}

void TSettingsForm::OKBClick()
{
    TableView& settings = m_data.SettingsTable;
    updateRecord(*this, settings);
    refuseBadValues();
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
void insertRow(const QWidget& window, TableView& view)
{
    updateRecord(window, view);
    view.append();
}

void saveRow(const QWidget& window, TableView& view)
{
    updateRecord(window, view);
    if (view.state() != TableView::State::Browse)
        view.post();
}

}  // namespace

void TSettingsForm::InsertBClick()
{
    insertRow(*this, m_data.FieldsTable);
}

void TSettingsForm::SaveBClick()
{
    saveRow(*this, m_data.FieldsTable);
}

void TSettingsForm::DeleteBClick()
{
    m_data.FieldsTable.remove();
}

void TSettingsForm::InsertB2Click()
{
    insertRow(*this, m_data.SelDataTable);
}

void TSettingsForm::SaveB2Click()
{
    saveRow(*this, m_data.SelDataTable);
}

void TSettingsForm::Deleteb2Click()
{
    m_data.SelDataTable.remove();
}

void TSettingsForm::DupButtonClick()
{
    TableView& options = m_data.SelDataTable;
    updateRecord(*this, options);
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
    settings.setBlank(kFieldToTrackSettings[slot - 1]);
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
    updateRecord(*this, m_data.SettingsTable);
    refuseBadValues();

    // A row still being edited or inserted belongs to the definitions about to be destroyed; saved later
    // it would come back among the imported ones.
    m_data.FieldsTable.cancel();
    m_data.SelDataTable.cancel();
    emptyFormDefinition(m_data);

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
