// The data string of one export line: every field definition in order, its value cut from the line and
// translated through the cross walk, the tracking key, and the verdict on required fields.
#include "posting/posting_engine.h"

#include "posting/record_fields.h"
#include "posting/record_inspector.h"
#include "posting/value_pattern.h"
#include "store/statements.h"
#include "util/text.h"

#include <sys/stat.h>

namespace torvane {

namespace {

bool isTrackedField(const PostingEngine& engine, const std::string& name)
{
    return name == engine.FieldToTrack1 || name == engine.FieldToTrack2 || name == engine.FieldToTrack3 ||
           name == engine.FieldToTrack4;
}

}  // namespace

void PostingEngine::addEntry(const FieldSettings& field, const std::string& line, std::string& overflowText)
{
    m_host.setStatusText(StatusText + " Field: " + field.Name);
    m_host.repaint();
    m_host.processMessages();

    std::string name = field.Name;
    FieldValueNotes notes;
    std::string value = Inspector ? Inspector->fieldValue(field, line, overflowText, Encoding.columns(), notes)
                                  : fieldValue(field, line, overflowText, Encoding.columns(), &notes);
    if (field.Type == "SELECT" || field.Type == "RADIO")
        LookupSelectOption(name, value, field.Type);
    else if (field.Type == "CHECKBOX" && LookupCheckBox(name, value) && name.empty() && Inspector)
        Inspector->checkBoxUnticked(field, value);
    if (name.empty())
        return;
    // A value that is no real date or time for its pattern refuses the record as a missing field does;
    // the three named formats send what they always sent.
    if (!notes.impossible.empty() && !isNamedFormat(field.Format))
        refuse("Invalid " + notes.impossible, "     " + name + " Invalid " + notes.impossible + ": " + notes.unconverted);
    if (field.Type == "FILE")
        addFileEntry(name, value);

    if (TrackSent && isTrackedField(*this, name))
        TrackKey += value;
    const std::string entry = name + "=" + value;
    if (DiagnosticsOn)
        m_host.memo2Add(entry);
    const size_t missingBefore = RequiredList.size();
    if (field.Required)
        CheckIfRequiredField(value, name, field.ZeroValid, RecordComplete, RequiredList);
    if (Inspector)
        Inspector->entryMade(field, name, value, RequiredList.size() != missingBefore);
    if (DiagnosticsOn)
        m_host.memo1Add(entry);
    // Everything before this point works in the export file's encoding: the cross walk, the key,
    // the panes. Only what goes to the form is in the form's.
    DataList.push_back(Encoding.converts() ? name + "=" + Encoding.toForm(value, name, WarningList) : entry);
}

void PostingEngine::MakeDataString(const std::string& line)
{
    WarningList.clear();
    RequiredList.clear();
    RecordComplete = true;
    RefusalReason.clear();
    m_refusalLines = 0;
    FileEntries.clear();
    TrackKey.clear();
    DataList.clear();
    std::string overflowText;

    // The definitions are fetched for every record, so an edit made in the settings dialog during a
    // run applies from the next record on. The record works on a holder of its own: the dialog, which
    // can open while messages are handled below, uses the shared one to empty the table for an import,
    // and that must not cut this record's field list short. A data check reading from one snapshot of the
    // store hands over the definitions it read once, which are the ones the query would return.
    if (const std::vector<FieldSettings>* definitions = Inspector ? Inspector->fieldDefinitions() : nullptr) {
        for (const FieldSettings& field : *definitions)
            addEntry(field, line, overflowText);
    } else {
        Query fields(m_data.database());
        fields.open(selectFieldsInOrder());
        for (bool found = fields.findFirst(); found; found = fields.findNext())
            addEntry(GetFieldSettings(fields), line, overflowText);
    }

    if (RecordComplete)
        return;
    // A missing field names the refusal as always; another reason only when nothing was missing.
    if (RequiredList.size() != m_refusalLines)
        RefusalReason.clear();
    // The run shows the list as one block: header, then the warnings as one entry (an empty line when
    // there are none), then one line per missing field.
    if (ViewWarnings)
        RequiredList.insert(RequiredList.begin(), joinLinesCrLf(WarningList));
    const std::string reason = RefusalReason.empty() ? std::string("Missing Required Fields") : RefusalReason;
    RequiredList.insert(RequiredList.begin(), FieldToTrack1.empty() ? "Data Not Sent " + reason
                                                                    : "Data Not Sent For " + TrackKey + ", " + reason);
}

void PostingEngine::LookupSelectOption(std::string& name, std::string& value, const std::string& type)
{
    // Name and code are bound, not pasted into the statement, so double quotes in either are looked up
    // like any other character.
    Query& options = m_data.SelDataQuery;
    options.close();
    options.open(selectOptionByCode(name, value));
    if (options.findFirst()) {
        value = options.text("Value");
    } else {
        WarningList.push_back("     WARNING " + name + " Not Found In Cross Walk. (" + value + ")");
        options.close();
        options.open(selectDefaultOption(name));
        value = options.findFirst() ? options.text("Value") : std::string();
    }
    TrimBlanks(value);
    // A radio group with nothing selected is not part of the form's data at all.
    if (type == "RADIO" && value.empty())
        name.clear();
}

void PostingEngine::refuse(const std::string& reason, const std::string& line)
{
    RecordComplete = false;
    if (RefusalReason.empty())
        RefusalReason = reason;
    ++m_refusalLines;
    RequiredList.push_back(line);
}

void PostingEngine::addFileEntry(const std::string& name, const std::string& value)
{
    // The entry about to be added is the file's; an empty value is a file field left empty.
    const std::string path = value.empty() || value.front() == '/' || FileFolder.empty() ? value : FileFolder + "/" + value;
    FileEntries.push_back({DataList.size(), path});
    struct stat st {};
    if (SendsFiles && !path.empty() && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        refuse("File Not Found", "     " + name + " File Not Found: " + path);
}

bool PostingEngine::LookupCheckBox(std::string& name, std::string& value)
{
    Query& options = m_data.SelDataQuery;
    options.close();
    options.open(selectOptionsOfField(name));
    if (!options.findFirst())
        return false;
    options.close();
    options.open(selectOptionByCode(name, value));
    if (options.findFirst()) {
        value = options.text("Value");
        TrimBlanks(value);
    } else {
        name.clear();
    }
    return true;
}

}  // namespace torvane
