#include "posting/record_builder.h"

#include "posting/record_source.h"
#include "posting/value_pattern.h"
#include "util/text.h"

#include <algorithm>
#include <string_view>
#include <sys/stat.h>

namespace torvane {

namespace {

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// One record in the making: the definitions are taken in order, each adding to the record.
class RecordBuild {
public:
    RecordBuild(RecordSource& source, const RecordRules& rules, const FindingsContext* findings,
                const BuildProgress* progress)
        : m_source(source), m_rules(rules), m_findings(findings), m_progress(progress)
    {
    }

    void reserve(size_t definitions)
    {
        m_record.dataList.reserve(definitions);
        if (m_findings)
            m_record.fields.reserve(definitions);
    }
    void add(const FieldSettings& field, const std::string& line);
    BuiltRecord finish();

private:
    std::string takeValue(const FieldSettings& field, const std::string& line, FieldOutcome& outcome);
    void addFile(const std::string& name, const std::string& value, FieldOutcome& outcome);
    void refuse(const std::string& reason, const std::string& line);
    bool isTracked(const std::string& name) const
    {
        return std::find(m_rules.trackedFields.begin(), m_rules.trackedFields.end(), name) != m_rules.trackedFields.end();
    }

    RecordSource& m_source;
    const RecordRules& m_rules;
    const FindingsContext* m_findings;
    const BuildProgress* m_progress;
    BuiltRecord m_record;
    std::string m_overflowText;
    FieldOutcome m_scratch;
    size_t m_refusalLines = 0;  // the lines of refusals other than a missing field, in requiredList
};

std::string RecordBuild::takeValue(const FieldSettings& field, const std::string& line, FieldOutcome& outcome)
{
    const CharacterCutter* columns = m_rules.encoding.columns();
    if (!m_findings)
        return fieldValue(field, line, m_overflowText, columns, &outcome.findings.notes);
    return findFieldValue(field, line, m_overflowText, columns, m_findings->invalidBytes, m_findings->exportEncoding,
                          outcome.findings);
}

void RecordBuild::add(const FieldSettings& field, const std::string& line)
{
    if (m_progress && m_progress->fieldStarted)
        m_progress->fieldStarted(field);
    // Kept when findings are asked for. Otherwise one scratch outcome serves every definition, and of
    // it only whether the value was impossible is read back: that alone has to start afresh.
    FieldOutcome& outcome = m_findings ? m_record.fields.emplace_back() : m_scratch;
    outcome.findings.notes.impossible.clear();
    outcome.firstWarning = m_record.warnings.size();
    std::string name = field.Name;
    std::string value = takeValue(field, line, outcome);
    if (field.Type == "SELECT" || field.Type == "RADIO") {
        lookUpSelectOption(m_source, name, value, field.Type, m_record.warnings);
    } else if (field.Type == "CHECKBOX" && lookUpCheckBox(m_source, name, value) && name.empty()) {
        outcome.unticked = true;
        outcome.name = field.Name;
        outcome.code = value;
    }
    outcome.encodingWarning = outcome.endWarning = m_record.warnings.size();
    if (!name.empty()) {
        const FieldValueNotes& notes = outcome.findings.notes;
        // A value that is no real date or time for its pattern refuses the record as a missing field does;
        // the three named formats send what they always sent.
        if (!notes.impossible.empty() && !isNamedFormat(field.Format))
            refuse("Invalid " + notes.impossible, "     " + name + " Invalid " + notes.impossible + ": " + notes.unconverted);
        if (field.Type == "FILE")
            addFile(name, value, outcome);
        if (m_rules.trackSent && isTracked(name))
            m_record.trackKey += value;
        const std::string entry = name + "=" + value;
        if (m_progress && m_progress->entryMade)
            m_progress->entryMade(entry);
        const size_t missingBefore = m_record.requiredList.size();
        if (field.Required)
            CheckIfRequiredField(value, name, field.ZeroValid, m_record.complete, m_record.requiredList);
        outcome.missing = m_record.requiredList.size() != missingBefore;
        // Everything before this point works in the export file's encoding: the cross walk, the key,
        // the panes. Only what goes to the form is in the form's.
        const RecordEncoding& encoding = m_rules.encoding;
        m_record.dataList.push_back(encoding.converts() ? name + "=" + encoding.toForm(value, name, m_record.warnings)
                                                        : entry);
        outcome.endWarning = m_record.warnings.size();
        outcome.makesEntry = true;
        outcome.name = std::move(name);
        outcome.value = std::move(value);
    }
}

void RecordBuild::addFile(const std::string& name, const std::string& value, FieldOutcome& outcome)
{
    // The entry about to be added is the file's; an empty value is a file field left empty.
    const std::string& folder = m_rules.fileFolder;
    const std::string path = value.empty() || value.front() == '/' || folder.empty() ? value : folder + "/" + value;
    m_record.fileEntries.push_back({m_record.dataList.size(), path});
    outcome.isFile = true;
    outcome.filePath = path;
    outcome.fileMissing = (m_rules.sendsFiles || m_findings) && !path.empty() && !isRegularFile(path);
    if (m_rules.sendsFiles && outcome.fileMissing)
        refuse("File Not Found", "     " + name + " File Not Found: " + path);
}

void RecordBuild::refuse(const std::string& reason, const std::string& line)
{
    m_record.complete = false;
    if (m_record.refusalReason.empty())
        m_record.refusalReason = reason;
    ++m_refusalLines;
    m_record.requiredList.push_back(line);
}

BuiltRecord RecordBuild::finish()
{
    BuiltRecord& r = m_record;
    if (r.complete)
        return std::move(r);
    // A missing field names the refusal as always; another reason only when nothing was missing.
    if (r.requiredList.size() != m_refusalLines)
        r.refusalReason.clear();
    // The run shows the list as one block: header, then the warnings as one entry (an empty line when
    // there are none), then one line per missing field.
    if (m_rules.viewWarnings)
        r.requiredList.insert(r.requiredList.begin(), joinLinesCrLf(r.warnings));
    const std::string reason = r.refusalReason.empty() ? std::string("Missing Required Fields") : r.refusalReason;
    r.requiredList.insert(r.requiredList.begin(), m_rules.trackedFields[0].empty()
                                                      ? "Data Not Sent " + reason
                                                      : "Data Not Sent For " + r.trackKey + ", " + reason);
    return std::move(r);
}

}  // namespace

BuiltRecord buildRecord(const std::string& line, RecordSource& source, const RecordRules& rules,
                        const FindingsContext* findings, const BuildProgress* progress)
{
    RecordBuild build(source, rules, findings, progress);
    build.reserve(source.knownDefinitionCount());
    source.eachDefinition([&build, &line](const FieldSettings& field) { build.add(field, line); });
    return build.finish();
}

void lookUpSelectOption(RecordSource& source, std::string& name, std::string& value, const std::string& type,
                        std::vector<std::string>& warnings)
{
    if (std::optional<std::string> found = source.optionValue(name, value)) {
        value = std::move(*found);
    } else {
        warnings.push_back("     WARNING " + name + " Not Found In Cross Walk. (" + value + ")");
        value = source.defaultOption(name).value_or(std::string());
    }
    TrimBlanks(value);
    // A radio group with nothing selected is not part of the form's data at all.
    if (type == "RADIO" && value.empty())
        name.clear();
}

bool lookUpCheckBox(RecordSource& source, std::string& name, std::string& value)
{
    if (!source.hasOptions(name))
        return false;
    if (std::optional<std::string> found = source.optionValue(name, value)) {
        value = std::move(*found);
        TrimBlanks(value);
    } else {
        name.clear();
    }
    return true;
}

std::string fileFolderOf(const std::string& exportPath)
{
    const size_t slash = exportPath.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exportPath.substr(0, std::max<size_t>(slash, 1));
}

bool sendsFilesFor(const std::string& content)
{
    return equalsIgnoreCaseAscii(std::string_view(content).substr(0, 19), "multipart/form-data");
}

std::vector<MultipartEntry> multipartEntries(const std::vector<std::string>& dataList,
                                             const std::vector<FileEntry>& fileEntries)
{
    std::vector<MultipartEntry> entries;
    size_t file = 0;
    for (size_t i = 0; i < dataList.size(); ++i) {
        const std::string& entry = dataList[i];
        const size_t eq = entry.find('=');
        MultipartEntry part{entry.substr(0, eq), eq == std::string::npos ? std::string() : entry.substr(eq + 1)};
        if (file < fileEntries.size() && fileEntries[file].first == i) {
            part.value = fileEntries[file++].second;
            part.isFile = true;
        }
        entries.push_back(std::move(part));
    }
    return entries;
}

}  // namespace torvane
