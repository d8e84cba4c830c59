#include "htmlimport/page_forms.h"

#include "util/error.h"
#include "util/tag_attributes.h"
#include "util/tag_scanner.h"
#include "util/text.h"

#include <algorithm>
#include <map>
#include <utility>

namespace torvane {

namespace {

constexpr int kOrderStep = 10;
// Option fields take their export code whole, as a select list does, so it reaches the cross walk.
constexpr int kOptionFieldMaxLength = 20;

bool isType(const std::string& type, std::string_view word)
{
    return equalsIgnoreCaseAscii(type, word);
}

// INPUTs that are pressed rather than filled in are no fields.
bool isButtonType(const std::string& type)
{
    return FindItem("SUBMIT", type) != 0 || FindItem("RESET", type) != 0 || isType(type, "BUTTON") ||
           isType(type, "IMAGE");
}

std::string enctypeOf(const TagAttributes& tag)
{
    const std::string enctype = tag.text("ENCTYPE");
    for (const char* known : {"multipart/form-data", "text/plain"})
        if (equalsIgnoreCaseAscii(enctype, known))
            return known;
    return {};
}

class PageFormsReader {
public:
    explicit PageFormsReader(std::string charset) : m_charset(std::move(charset)) {}

    TagScanner scanner{TagRules::Html};

    PageForms read(const std::function<void(int)>& progress)
    {
        scanner.RunLineLoop({[this] { form(); }, [this] { input(); }, [this] { select(); }, [this] { option(); },
                             [this] {
                                 if (scanner.FindEndSelect())
                                     m_selectName.clear();
                             },
                             [this] { textarea(); }, [this] { other("<BUTTON", true); },
                             [this] { other("</FORM", false); }},
                            progress);
        m_result.tagCount = scanner.tagCount;
        return std::move(m_result);
    }

private:
    // Takes the tag when the word stands at the front, counting it when counted.
    std::optional<TagAttributes> take(std::string_view word, bool counted = true)
    {
        if (!scanner.atFront(word))
            return std::nullopt;
        std::string tag;
        if (!scanner.CopyTag(1, tag))
            return std::nullopt;
        if (counted)
            ++scanner.tagCount;
        return TagAttributes(tag, m_charset);
    }

    void form();
    void input();
    void checkbox(const std::string& name, const std::string& type, const std::string& value, bool required);
    void select();
    void option();
    void textarea();
    void other(std::string_view word, bool counted);
    PageRow& addField(const std::string& name, const std::string& type);
    void addOption(const std::string& name, const std::string& value, bool isDefault, const std::string& text,
                   int fixedOrder);

    std::string m_charset;
    PageForms m_result;
    int m_form = 0;
    bool m_insideForm = false;
    std::string m_lastInputName;
    std::string m_selectName;
    std::map<std::pair<int, std::string>, int> m_boxes;  // check boxes so far per form and name
};

void PageFormsReader::form()
{
    const auto tag = take("<FORM");
    if (!tag)
        return;
    PageForm form;
    form.number = static_cast<int>(m_result.forms.size()) + 1;
    form.name = tag->text("NAME");
    form.id = tag->text("ID");
    form.action = tag->text("ACTION");
    form.method = tag->text("METHOD");
    form.enctype = enctypeOf(*tag);
    m_result.forms.push_back(form);
    // The fields of another form do not carry on a radio group of the one before.
    if (m_form != 0)
        m_lastInputName.clear();
    m_form = form.number;
    m_insideForm = true;
    PageRow row;
    row.kind = PageRow::Kind::Form;
    row.form = m_form;
    m_result.rows.push_back(std::move(row));
}

void PageFormsReader::other(std::string_view word, bool counted)
{
    if (take(word, counted) && word == "</FORM")
        m_insideForm = false;
}

PageRow& PageFormsReader::addField(const std::string& name, const std::string& type)
{
    PageRow row;
    row.form = m_insideForm ? m_form : 0;
    row.name = name;
    row.type = type;
    if (row.form != 0)
        ++m_result.forms[static_cast<size_t>(row.form) - 1].fieldCount;
    m_result.rows.push_back(std::move(row));
    return m_result.rows.back();
}

void PageFormsReader::addOption(const std::string& name, const std::string& value, bool isDefault,
                                const std::string& text, int fixedOrder)
{
    PageRow row;
    row.kind = PageRow::Kind::Option;
    row.form = m_insideForm ? m_form : 0;
    row.name = name;
    row.defaultValue = value;
    row.isDefault = isDefault;
    row.text = text;
    row.fixedOrder = fixedOrder;
    m_result.rows.push_back(std::move(row));
}

void PageFormsReader::input()
{
    const auto tag = take("<INPUT");
    if (!tag)
        return;
    std::string type = tag->text("TYPE");
    const std::string name = tag->text("NAME");
    const std::string value = tag->text("VALUE");
    const bool required = tag->has("REQUIRED");
    if (isType(type, "CHECKBOX")) {
        checkbox(name, type, value, required);
        return;
    }
    // Buttons of one name that follow one another (a radio group) make one field.
    if (name != m_lastInputName) {
        m_lastInputName = name;
        if (type.empty())
            type = "TEXT";
        if (!isButtonType(type)) {
            PageRow& row = addField(name, type);
            row.defaultValue = value;
            row.maxLength = tag->text("MAXLENGTH");
            row.required = required;
            row.startsOptionCount = true;
        }
    }
    if (FindItem("RADIO", type) != 0)
        addOption(name, value, false, "", 0);
}

void PageFormsReader::checkbox(const std::string& name, const std::string& type, const std::string& value,
                               bool required)
{
    // Boxes of one name are one field, at the place of the first, with an option row per box: the
    // value a ticked box sends ("on" when the page gives none).
    m_lastInputName = name;
    int& boxes = m_boxes[{m_insideForm ? m_form : 0, name}];
    if (boxes == 0) {
        PageRow& row = addField(name, type);
        row.defaultValue = value;
        row.fixedMaxLength = kOptionFieldMaxLength;
        row.required = required;
        row.startsOptionCount = true;
    }
    ++boxes;
    addOption(name, value.empty() ? "on" : value, false, "", boxes * kOrderStep);
}

void PageFormsReader::select()
{
    const auto tag = take("<SELECT");
    if (!tag)
        return;
    m_selectName = tag->text("NAME");
    PageRow& row = addField(m_selectName, "Select");
    row.fixedMaxLength = kOptionFieldMaxLength;
    row.required = tag->has("REQUIRED");
    row.zeroValid = false;
    row.startsOptionCount = true;
}

void PageFormsReader::option()
{
    const auto tag = take("<OPTION");
    if (!tag)
        return;
    // The option's text is what follows the tag on the same line, up to the next tag, as it stands.
    const std::string_view rest = scanner.buffer();
    addOption(m_selectName, tag->text("VALUE"), true, std::string(rest.substr(0, rest.find('<'))), 0);
}

void PageFormsReader::textarea()
{
    const auto tag = take("<TEXTAREA");
    if (!tag)
        return;
    PageRow& row = addField(tag->text("NAME"), "TEXTAREA");
    row.maxLength = tag->text("MAXLENGTH");
    row.required = tag->has("REQUIRED");
}

}  // namespace

PageForms readPageForms(std::string page, const std::string& charset, const std::function<void(int)>& progress)
{
    PageFormsReader reader(charset);
    reader.scanner.openText(std::move(page));
    return reader.read(progress);
}

PageForms readPageFormsFile(const std::string& path, const std::string& charset,
                            const std::function<void(int)>& progress)
{
    PageFormsReader reader(charset);
    reader.scanner.openFile(path);
    PageForms forms = reader.read(progress);
    reader.scanner.close();
    return forms;
}

int attributeInteger(const std::string& text)
{
    std::string value = text;
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    return value.empty() ? 0 : toInt32(value);
}

}  // namespace torvane

namespace torvane {

int chooseForm(const std::vector<PageForm>& forms, const std::string& choice)
{
    if (choice.empty()) {
        const auto most = std::max_element(forms.begin(), forms.end(), [](const PageForm& a, const PageForm& b) {
            return a.fieldCount < b.fieldCount;
        });
        return most == forms.end() ? 0 : most->number;
    }
    if (std::all_of(choice.begin(), choice.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const size_t number = choice.size() > 6 ? 0 : std::stoul(choice);
        if (number < 1 || number > forms.size())
            throw Error("The page has no form " + choice + "; its forms are numbered 1 to " +
                        std::to_string(forms.size()));
        return static_cast<int>(number);
    }
    for (const PageForm& form : forms)
        if (form.name == choice || form.id == choice)
            return form.number;
    throw Error("The page has no form named \"" + choice + "\"");
}

}  // namespace torvane
