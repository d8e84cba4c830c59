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
constexpr int kSelectMaxLength = 20;

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
    m_scanner.tagCount = 0;
    m_fieldOrder = 0;
    m_optionOrder = 0;
    m_lastInputName.clear();
    m_selectName.clear();
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
    resetState();
    m_scanner.openFile(PageFileName);
    m_pageCharset = declaredCharsetOfFile(PageFileName);
    run();
}

void HtmlFormImport::ImportText(std::string page)
{
    resetState();
    m_pageCharset = declaredCharset(page);
    m_scanner.openText(std::move(page));
    run();
}

void HtmlFormImport::run()
{
    // One transaction makes a long page one write to disk instead of one per row. A failure must still
    // keep every row written before it, so what was written is committed before the error goes on.
    Database::Transaction transaction(m_data.database());
    std::exception_ptr failure;
    try {
        prepareEncodings();
        m_scanner.RunLineLoop({[this] { FindFormHeader(); }, [this] { FindInputHeader(); },
                               [this] { FindSelectHeader(); }, [this] { FindSelectItemsList(); },
                               [this] {
                                   if (m_scanner.FindEndSelect())
                                       m_selectName.clear();
                               }},
                              Progress);
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
    m_scanner.close();
    if (failure)
        std::rethrow_exception(failure);
}

void HtmlFormImport::FindFormHeader()
{
    if (!m_scanner.atFront("<FORM"))
        return;
    std::string tag;
    if (!m_scanner.CopyTag(1, tag))
        return;
    ++m_scanner.tagCount;
    TableView& settings = m_data.SettingsTable;
    settings.edit();
    settings.setText("URL", ReturnItemStr("ACTION", tag));
    settings.setText("PostType", ReturnItemStr("METHOD", tag));
    settings.setText("Content", kFormContent);
    settings.post();
}

void HtmlFormImport::FindInputHeader()
{
    if (!m_scanner.atFront("<INPUT"))
        return;
    std::string tag;
    if (!m_scanner.CopyTag(1, tag))
        return;
    ++m_scanner.tagCount;
    std::string type = ReturnItemStr("TYPE", tag);
    const std::string name = ReturnItemStr("NAME", tag);
    const std::string value = ReturnItemStr("VALUE", tag);
    const int maxLength = ReturnItemInt("MAXLENGTH", tag);

    // Buttons of one name that follow one another (a radio group, check boxes) make one field.
    if (name != m_lastInputName) {
        m_lastInputName = name;
        if (type.empty())
            type = "TEXT";
        if (FindItem("SUBMIT", type) == 0 && FindItem("RESET", type) == 0) {
            m_optionOrder = 0;
            m_fieldOrder += kOrderStep;
            TableView& fields = m_data.FieldsTable;
            fields.append();
            fields.setInteger("OrderNum", m_fieldOrder);
            fields.setText("Name", name);
            fields.setText("Type", type);
            fields.setText("DefaultValue", exportText(value));
            fields.setInteger("MaxLength", maxLength);
            fields.setLogical("Overflow", false);
            fields.setLogical("Required", false);
            fields.setInteger("ImportStart", 0);
            fields.setInteger("ImportLength", 0);
            fields.setText("Format", "");
            // ZeroValid stays blank, which the posting run reads as true.
            fields.post();
        }
    }
    if (FindItem("RADIO", type) != 0)
        appendOptionRow(name, value, false, "");
}

void HtmlFormImport::FindSelectHeader()
{
    if (!m_scanner.atFront("<SELECT"))
        return;
    std::string tag;
    if (!m_scanner.CopyTag(1, tag))
        return;
    ++m_scanner.tagCount;
    m_selectName = ReturnItemStr("NAME", tag);
    m_optionOrder = 0;
    m_fieldOrder += kOrderStep;
    TableView& fields = m_data.FieldsTable;
    fields.append();
    fields.setInteger("OrderNum", m_fieldOrder);
    fields.setText("Name", m_selectName);
    fields.setText("Type", "Select");
    fields.setText("DefaultValue", "");
    fields.setInteger("MaxLength", kSelectMaxLength);
    fields.setLogical("Overflow", false);
    fields.setLogical("Required", false);
    fields.setInteger("ImportStart", 0);
    fields.setInteger("ImportLength", 0);
    fields.setText("Format", "");
    fields.setLogical("ZeroValid", false);
    fields.post();
}

void HtmlFormImport::FindSelectItemsList()
{
    if (!m_scanner.atFront("<OPTION"))
        return;
    std::string tag;
    if (!m_scanner.CopyTag(1, tag))
        return;
    ++m_scanner.tagCount;
    const std::string value = ReturnItemStr("VALUE", tag);
    // The option's text is what follows the tag on the same line, up to the next tag.
    const std::string_view rest = m_scanner.buffer();
    const std::string text(rest.substr(0, rest.find('<')));
    appendOptionRow(m_selectName, value, m_optionOrder == 0, text);
}

void HtmlFormImport::appendOptionRow(const std::string& name, const std::string& value, bool isDefault,
                                     const std::string& text)
{
    m_optionOrder += kOrderStep;
    TableView& options = m_data.SelDataTable;
    options.append();
    options.setInteger("OrderNum", m_optionOrder);
    options.setText("Name", name);
    options.setText("Value", exportText(value));
    options.setLogical("DefaultValue", isDefault);
    const std::string shown = exportText(text);
    options.setText("Description", shown);
    options.setText("ImportMap", shown);
    options.post();
}

}  // namespace torvane
