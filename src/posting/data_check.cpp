#include "posting/data_check.h"

#include "http/form_encoding.h"
#include "http/multipart_body.h"
#include "posting/dry_run.h"
#include "posting/export_file.h"
#include "posting/field_findings.h"
#include "posting/posting_engine.h"
#include "posting/record_fields.h"
#include "posting/record_inspector.h"
#include "posting/run_settings.h"
#include "posting/settings_check.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "store/statements.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>

namespace torvane {

namespace {

constexpr int64_t kRecordsPerMessagePump = 256;

// Holds a read transaction for the length of the check; ends it without throwing.
class ReadSnapshot {
public:
    ReadSnapshot(Database& db, bool on) : m_db(on ? &db : nullptr)
    {
        if (m_db)
            m_db->execute("BEGIN");
    }
    ~ReadSnapshot()
    {
        if (!m_db)
            return;
        try {
            m_db->execute("ROLLBACK");
        } catch (...) {
        }
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database* m_db;
};

class DataCheck : public RecordInspector {
public:
    DataCheck(TDataModule1& data, const std::function<void(const std::string&)>& out, const CheckOptions& options)
        : m_data(data), m_out(out), m_options(options), m_engine(data, m_host, m_host, m_client)
    {
    }

    CheckResult run();

    std::string fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                           const CharacterCutter* characters, FieldValueNotes& notes) override;
    void entryMade(const FieldSettings& field, const std::string& name, const std::string& value,
                   bool missing) override;
    void checkBoxUnticked(const FieldSettings& field, const std::string& code) override
    {
        add(Kind::Info, field.Name + " code \"" + code + "\" matches none of its option rows: the box is sent unticked");
    }
    const std::vector<FieldSettings>* fieldDefinitions() override
    {
        return m_options.snapshot ? &m_definitions : nullptr;
    }

private:
    enum class Kind { Refusal, Tracked, Warning, Info };
    struct Problem {
        Kind kind;
        std::string text;
    };

    void checkRecord(ExportFileReader& file, int32_t recordNumber);
    void add(Kind kind, std::string text) { m_problems.push_back({kind, std::move(text)}); }
    // The engine's warnings since the last look, in the order it gave them (the run's own texts).
    void takeWarnings();
    void addEncodedNameProblems(std::vector<std::string>& problems);
    void writeRequest(const std::string& where);

    TDataModule1& m_data;
    const std::function<void(const std::string&)>& m_out;
    CheckOptions m_options;
    SilentHost m_host;
    NoRequests m_client;
    PostingEngine m_engine;

    RunSettings m_run;
    std::string m_exportEncoding;
    std::unique_ptr<InvalidByteFinder> m_invalidBytes;
    int32_t m_linesSkipped = 0;
    CheckCounts m_counts;
    bool m_anyProblem = false;
    std::unordered_map<std::string, int64_t> m_firstLineOfKey;
    std::vector<FieldSettings> m_definitions;  // read once when the check stands on a snapshot
    bool m_anyInDoubt = true;

    // The record in progress.
    std::vector<Problem> m_problems;
    size_t m_warningsTaken = 0;
    bool m_conversionFailed = false;
};

CheckResult DataCheck::run()
{
    TableView& settings = m_data.SettingsTable;
    ReadSnapshot snapshot(m_data.database(), m_options.snapshot);

    // The run's own abort messages, in its order; the encodings are looked at even after an abort, so
    // that one check names every setting to fix.
    std::vector<std::string> aborts;
    m_run = readRunSettings(settings, [&aborts](const std::string& m) { aborts.push_back(m); });
    std::string exportPath;
    if (settings.isBlank("ImportData") || m_run.aborted) {
        if (!m_run.aborted)
            aborts.push_back(kNoImportFileMessage);
    } else {
        exportPath = settings.text("ImportData");
        if (!exportFileExists(exportPath))
            aborts.push_back(kExportFileMissingMessage);
    }
    try {
        m_engine.Encoding = RecordEncoding::fromSettings(settings);
        m_exportEncoding = settings.text("ExportEncoding");
        if (!m_exportEncoding.empty())
            m_invalidBytes = std::make_unique<InvalidByteFinder>(m_exportEncoding);
    } catch (const Error& e) {
        aborts.push_back(e.what());
    }
    for (const std::string& a : aborts)
        m_out(a);
    std::vector<std::string> problems = settingsProblems(m_data, m_run);
    m_engine.setFileSettings(exportPath, m_run.content);
    addEncodedNameProblems(problems);
    for (const std::string& p : problems)
        m_out(p);
    m_anyProblem = !problems.empty();

    CheckResult result;
    if (!aborts.empty()) {
        result.verdict = CheckVerdict::RunWouldAbort;
        return result;
    }

    m_engine.TrackSent = m_run.trackSent;
    m_engine.FieldToTrack1 = m_run.fieldToTrack1;
    m_engine.FieldToTrack2 = m_run.fieldToTrack2;
    m_engine.FieldToTrack3 = m_run.fieldToTrack3;
    m_engine.FieldToTrack4 = m_run.fieldToTrack4;
    m_engine.ViewWarnings = m_run.viewWarnings;
    // Nothing of the check is echoed into panes.
    m_engine.DiagnosticsOn = false;
    m_engine.Inspector = this;
    if (m_options.snapshot) {
        // Nothing can change under a snapshot: the definitions and the records in doubt are read once.
        Query fields(m_data.database());
        fields.open(selectFieldsInOrder());
        for (bool found = fields.findFirst(); found; found = fields.findNext())
            m_definitions.push_back(GetFieldSettings(fields));
        m_anyInDoubt = !DeliveryLedger(m_data.database()).unresolved().empty();
    }

    ExportFileReader file(exportPath);
    m_linesSkipped = skipLeadingLines(file, settings.integer("LinesToRead", 0));
    for (int32_t recordNumber = 1; !file.atEnd(); ++recordNumber) {
        if (m_options.limit >= 0 && m_counts.records >= m_options.limit)
            break;
        checkRecord(file, recordNumber);
        if (m_options.processMessages && m_counts.records % kRecordsPerMessagePump == 0)
            m_options.processMessages();
    }
    m_out(checkSummaryLine(m_counts));
    result.counts = m_counts;
    result.verdict = m_anyProblem ? CheckVerdict::ProblemsFound : CheckVerdict::Clean;
    return result;
}

void DataCheck::checkRecord(ExportFileReader& file, int32_t recordNumber)
{
    std::string line;
    file.readLine(line);
    ++m_counts.records;
    const int64_t lineNumber = int64_t(m_linesSkipped) + recordNumber;
    m_problems.clear();
    m_warningsTaken = 0;
    m_conversionFailed = false;

    m_engine.StatusText = "Processing Export Record# " + std::to_string(recordNumber);
    m_engine.MakeDataString(line);
    takeWarnings();

    // The order of the run: a refused record is not looked up, a tracked one is not sent.
    bool wouldSend = false;
    if (!m_engine.RecordComplete) {
        ++m_counts.refused;
    } else if (m_engine.DataAlreadySent()) {
        ++m_counts.alreadySent;
        add(Kind::Tracked, m_host.lastMemo2);
    } else if (m_anyInDoubt && m_engine.DataMayHaveBeenSent()) {
        add(Kind::Warning, m_host.lastMemo2);
    } else if (!m_conversionFailed) {
        wouldSend = true;
        ++m_counts.wouldSend;
    }
    const std::string& key = m_engine.TrackKey;
    if (!key.empty()) {
        const auto [first, fresh] = m_firstLineOfKey.try_emplace(key, lineNumber);
        if (!fresh)
            add(Kind::Warning, "the key is repeated: first on line " + std::to_string(first->second) +
                                   ", this one is skipped as already sent if that one is accepted");
    }

    // "Line 4 (record 3, key 1003)" before each problem, "Request for line 4 (...)" before a request.
    const std::string where =
        std::to_string(lineNumber) + " (record " + std::to_string(recordNumber) + ", key " + key + ")";
    bool warned = false;
    for (const Problem& p : m_problems) {
        m_out("Line " + where + ": " + p.text);
        warned = warned || p.kind == Kind::Warning;
        // Information (a box sent unticked) is no problem.
        m_anyProblem = m_anyProblem || p.kind != Kind::Info;
    }
    if (warned)
        ++m_counts.withWarnings;
    if (wouldSend && m_options.showData)
        writeRequest(where);
}

void DataCheck::writeRequest(const std::string& where)
{
    // The bytes the HTTP client puts on the wire after its headers: the encoded name-value list of a
    // POST, the entries as CR LF lines of a PUT, nothing for a GET.
    const std::string head = "Request for line " + where + ": " + m_run.postType + " " + m_run.url;
    std::string body;
    int64_t size = -1;  // the bytes on the wire, when body shows fewer (a file part abbreviated)
    if (m_run.postType == "POST" && m_engine.SendsFiles) {
        MultipartBody multipart(m_engine.multipartEntries());
        size = multipart.size();
        body = multipart.loggedText();
    } else if (m_run.postType == "POST") {
        body = encodePostBody(m_engine.DataList);
    } else if (m_run.postType == "PUT") {
        body = joinLinesCrLf(m_engine.DataList);
    } else if (m_run.postType == "GET") {
        m_out(head + ", no body");
        return;
    } else {
        return;  // no request at all; the settings problems said so
    }
    m_out(head + ", " + std::to_string(size < 0 ? int64_t(body.size()) : size) + " bytes of body:");
    m_out(body);
}

void DataCheck::addEncodedNameProblems(std::vector<std::string>& problems)
{
    // Said once, not for every record: the name is the same in each.
    if (m_run.postType != "POST" || m_engine.SendsFiles)
        return;
    Query fields(m_data.database());
    fields.open(selectFieldsInOrder());
    for (bool found = fields.findFirst(); found; found = fields.findNext()) {
        const std::string name = fields.text("Name");
        if (nameNeedsEncoding(name))
            problems.push_back("Field name \"" + name + "\" holds bytes that would break the body: it is sent as \"" +
                               encodeFormName(name) + "\"");
    }
}

void DataCheck::takeWarnings()
{
    const std::vector<std::string>& warnings = m_engine.WarningList;
    for (; m_warningsTaken < warnings.size(); ++m_warningsTaken) {
        std::string text = warnings[m_warningsTaken];
        TrimBlanks(text);
        add(Kind::Warning, std::move(text));
    }
}

std::string DataCheck::fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                                  const CharacterCutter* characters, FieldValueNotes& notes)
{
    takeWarnings();
    FieldFindings findings;
    std::string value = findFieldValue(field, line, overflowText, characters, m_invalidBytes.get(),
                                       m_exportEncoding, findings);
    if (findings.conversionFailed)
        m_conversionFailed = true;
    notes = findings.notes;
    for (std::string& w : findings.warnings)
        add(Kind::Warning, std::move(w));
    return value;
}

void DataCheck::entryMade(const FieldSettings& field, const std::string& name, const std::string&, bool missing)
{
    takeWarnings();
    if (missing)
        add(Kind::Refusal, name + " Required: the record would be refused");
    if (field.Type != "FILE" || m_engine.FileEntries.empty())
        return;
    const std::string& path = m_engine.FileEntries.back().second;
    struct stat st {};
    if (!path.empty() && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        add(m_engine.SendsFiles ? Kind::Refusal : Kind::Warning,
            name + " names a file that is not there: " + path +
                (m_engine.SendsFiles ? " (the record would be refused)" : " (only its path is sent: the form is not multipart)"));
}

}  // namespace

CheckResult runDataCheck(TDataModule1& data, const std::function<void(const std::string&)>& out,
                         const CheckOptions& options)
{
    DataCheck check(data, out, options);
    return check.run();
}

std::string checkSummaryLine(const CheckCounts& c)
{
    return "Checked " + std::to_string(c.records) + " records: " + std::to_string(c.wouldSend) + " would be sent, " +
           std::to_string(c.refused) + " refused for missing fields, " + std::to_string(c.alreadySent) +
           " already sent, " + std::to_string(c.withWarnings) + " with warnings";
}

}  // namespace torvane
