#include "htmlimport/form_import.h"

#include "htmlimport/page_charset.h"
#include "store/data_module.h"
#include "util/encoding.h"
#include "util/text.h"

#include <exception>

namespace torvane {

namespace {

constexpr const char* kFormContent = "application/x-www-form-urlencoded";
constexpr int kOrderStep = 10;

// A failed import leaves no row half set in a view: the rows already posted stay, the one being
// filled is dropped.
void abandonPending(TableView& view) noexcept
{
    try {
        view.cancel();
    } catch (...) {
    }
}

}  // namespace

HtmlFormImport::HtmlFormImport(TDataModule1& data) : m_data(data) {}

HtmlFormImport::~HtmlFormImport() = default;

void HtmlFormImport::resetState()
{
    m_tagCount = 0;
    m_fieldOrder = 0;
    m_optionOrder = 0;
    m_page = {};
    m_formTaken = 0;
    m_pageCharset.clear();
    m_toExport.reset();
}

void HtmlFormImport::prepareEncodings()
{
    // A page that says which encoding it is in names the form's encoding, unless the operator has
    // named one already. A name the platform does not know is left out: it would only stop every run.
    TableView& settings = m_data.SettingsTable;
    const bool declared = isKnownEncoding(m_pageCharset);
    if (declared && settings.isBlank("FormEncoding")) {
        settings.edit();
        settings.setText("FormEncoding", m_pageCharset);
        settings.post();
    }
    const std::string pageEncoding = declared ? m_pageCharset : settings.text("FormEncoding");
    const std::string exportEncoding = settings.text("ExportEncoding");
    // The cross walk and the posting run read the option texts and values in the export file's
    // encoding, so they are stored in it.
    if (isKnownEncoding(pageEncoding) && isKnownEncoding(exportEncoding))
        m_toExport = std::make_unique<TextConverter>(pageEncoding, exportEncoding);
}

std::string HtmlFormImport::exportText(const std::string& pageText) const
{
    return m_toExport ? m_toExport->convert(pageText) : pageText;
}

void HtmlFormImport::ImportHTML()
{
    ReadPage();
    WritePage();
}

void HtmlFormImport::ImportText(std::string page)
{
    resetState();
    m_pageCharset = declaredCharset(page);
    m_page = readPageForms(std::move(page), m_pageCharset, Progress);
    m_tagCount = m_page.tagCount;
    WritePage();
}

const std::vector<PageForm>& HtmlFormImport::ReadPage()
{
    resetState();
    m_pageCharset = declaredCharsetOfFile(PageFileName);
    m_page = readPageFormsFile(PageFileName, m_pageCharset, Progress);
    m_tagCount = m_page.tagCount;
    return m_page.forms;
}

void HtmlFormImport::WritePage()
{
    // One transaction makes a long page one write to disk instead of one per row. A failure must still
    // keep every row written before it, so what was written is committed before the error goes on.
    Database::Transaction transaction(m_data.database());
    std::exception_ptr failure;
    try {
        prepareEncodings();
        writeRows(m_page);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        abandonPending(m_data.SettingsTable);
        abandonPending(m_data.FieldsTable);
        abandonPending(m_data.SelDataTable);
    }
    try {
        transaction.commit();
    } catch (...) {
        // The first failure is the one the operator needs to see.
        if (!failure)
            throw;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void HtmlFormImport::writeRows(const PageForms& page)
{
    // With one form (or none) the whole page is taken, fields outside the form included; with several,
    // only the rows of the one chosen.
    m_formTaken = page.forms.size() >= 2 ? chooseForm(page.forms, FormChoice) : 0;
    for (const PageRow& row : page.rows) {
        if (m_formTaken != 0 && row.form != m_formTaken)
            continue;
        switch (row.kind) {
        case PageRow::Kind::Form:
            writeSettings(page.forms[static_cast<size_t>(row.form) - 1]);
            break;
        case PageRow::Kind::Field:
            writeField(row);
            break;
        case PageRow::Kind::Option:
            writeOption(row);
            break;
        }
    }
}

void HtmlFormImport::writeSettings(const PageForm& form)
{
    TableView& settings = m_data.SettingsTable;
    settings.edit();
    settings.setText("URL", form.action);
    settings.setText("PostType", form.method);
    settings.setText("Content", form.enctype.empty() ? kFormContent : form.enctype);
    settings.post();
}

void HtmlFormImport::writeField(const PageRow& row)
{
    const int maxLength = row.fixedMaxLength ? *row.fixedMaxLength : attributeInteger(row.maxLength);
    if (row.startsOptionCount)
        m_optionOrder = 0;
    m_fieldOrder += kOrderStep;
    TableView& fields = m_data.FieldsTable;
    fields.append();
    fields.setInteger("OrderNum", m_fieldOrder);
    fields.setText("Name", row.name);
    fields.setText("Type", row.type);
    fields.setText("DefaultValue", exportText(row.defaultValue));
    fields.setInteger("MaxLength", maxLength);
    fields.setLogical("Overflow", false);
    fields.setLogical("Required", row.required);
    fields.setInteger("ImportStart", 0);
    fields.setInteger("ImportLength", 0);
    fields.setText("Format", "");
    // Left out, ZeroValid stays blank, which the posting run reads as true.
    if (row.zeroValid)
        fields.setLogical("ZeroValid", *row.zeroValid);
    fields.post();
}

void HtmlFormImport::writeOption(const PageRow& row)
{
    // A list's first option is its default; check boxes number their own rows, wherever they stand.
    int order = row.fixedOrder;
    if (order == 0) {
        m_optionOrder += kOrderStep;
        order = m_optionOrder;
    }
    const bool isDefault = row.isDefault && row.fixedOrder == 0 && order == kOrderStep;
    TableView& options = m_data.SelDataTable;
    options.append();
    options.setInteger("OrderNum", order);
    options.setText("Name", row.name);
    options.setText("Value", exportText(row.defaultValue));
    options.setLogical("DefaultValue", isDefault);
    const std::string shown = exportText(row.text);
    options.setText("Description", shown);
    options.setText("ImportMap", shown);
    options.post();
}

}  // namespace torvane
