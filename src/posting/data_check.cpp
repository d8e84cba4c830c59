#include "posting/data_check.h"

#include "http/form_encoding.h"
#include "http/multipart_body.h"
#include "posting/export_file.h"
#include "posting/record_builder.h"
#include "posting/record_source.h"
#include "posting/run_settings.h"
#include "posting/settings_check.h"
#include "posting/tracking_verdict.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

#include <algorithm>
#include <memory>
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

class DataCheck {
public:
    DataCheck(TDataModule1& data, const std::function<void(const std::string&)>& out, const CheckOptions& options)
        : m_data(data), m_out(out), m_options(options), m_ledger(data.database())
    {
    }

    CheckResult run();

private:
    enum class Kind { Refusal, Tracked, Warning, Info };
    struct Problem {
        Kind kind;
        std::string text;
    };

    // Reads the settings as a run does; the abort messages go to aborts, in the run's order.
    std::string readSettings(std::vector<std::string>& aborts);
    void checkRecord(ExportFileReader& file, int32_t recordNumber);
    // The problems of a built record, definition by definition in the order the run meets them.
    void addFieldProblems(const BuiltRecord& record);
    void addFileProblem(const FieldOutcome& field);
    // What the record would come to: refused, already sent, held in doubt, or sent.
    bool judge(const BuiltRecord& record);
    void add(Kind kind, std::string text) { m_problems.push_back({kind, std::move(text)}); }
    void addEncodedNameProblems(std::vector<std::string>& problems);
    void writeRequest(const std::string& where, const BuiltRecord& record);

    TDataModule1& m_data;
    const std::function<void(const std::string&)>& m_out;
    CheckOptions m_options;
    DeliveryLedger m_ledger;

    RunSettings m_run;
    RecordRules m_rules;
    FindingsContext m_findings;
    std::unique_ptr<InvalidByteFinder> m_invalidBytes;
    std::unique_ptr<StoreRecordSource> m_source;
    int32_t m_linesSkipped = 0;
    CheckCounts m_counts;
    bool m_anyProblem = false;
    std::unordered_map<std::string, int64_t> m_firstLineOfKey;
    bool m_anyInDoubt = true;

    std::vector<Problem> m_problems;  // of the record in progress
};

CheckResult DataCheck::run()
{
    ReadSnapshot snapshot(m_data.database(), m_options.snapshot);
    // Nothing edits the definitions while a check runs: they are read once.
    m_source = std::make_unique<StoreRecordSource>(m_data, readFieldDefinitions(m_data));
    std::vector<std::string> aborts;
    const std::string exportPath = readSettings(aborts);
    for (const std::string& a : aborts)
        m_out(a);
    std::vector<std::string> problems = settingsProblems(m_data, m_run);
    m_rules.fileFolder = fileFolderOf(exportPath);
    m_rules.sendsFiles = sendsFilesFor(m_run.content);
    addEncodedNameProblems(problems);
    for (const std::string& p : problems)
        m_out(p);
    m_anyProblem = !problems.empty();

    CheckResult result;
    if (!aborts.empty()) {
        result.verdict = CheckVerdict::RunWouldAbort;
        return result;
    }
    m_rules.trackSent = m_run.trackSent;
    m_rules.trackedFields = {m_run.fieldToTrack1, m_run.fieldToTrack2, m_run.fieldToTrack3, m_run.fieldToTrack4};
    m_rules.viewWarnings = m_run.viewWarnings;
    // Nothing can change under a snapshot: the records in doubt are looked at once.
    if (m_options.snapshot)
        m_anyInDoubt = !m_ledger.unresolved().empty();

    ExportFileReader file(exportPath);
    m_linesSkipped = skipLeadingLines(file, m_data.SettingsTable.integer("LinesToRead", 0));
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

std::string DataCheck::readSettings(std::vector<std::string>& aborts)
{
    // The encodings are looked at even after an abort, so that one check names every setting to fix.
    TableView& settings = m_data.SettingsTable;
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
        m_rules.encoding = RecordEncoding::fromSettings(settings);
        m_findings.exportEncoding = settings.text("ExportEncoding");
        if (!m_findings.exportEncoding.empty())
            m_invalidBytes = std::make_unique<InvalidByteFinder>(m_findings.exportEncoding);
        m_findings.invalidBytes = m_invalidBytes.get();
    } catch (const Error& e) {
        aborts.push_back(e.what());
    }
    return exportPath;
}

void DataCheck::checkRecord(ExportFileReader& file, int32_t recordNumber)
{
    std::string line;
    file.readLine(line);
    ++m_counts.records;
    const int64_t lineNumber = int64_t(m_linesSkipped) + recordNumber;
    m_problems.clear();

    const BuiltRecord record = buildRecord(line, *m_source, m_rules, &m_findings);
    addFieldProblems(record);
    const bool wouldSend = judge(record);
    const std::string& key = record.trackKey;
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
        writeRequest(where, record);
}

bool DataCheck::judge(const BuiltRecord& record)
{
    // The order of the run: a refused record is not looked up, a tracked one is not sent.
    if (!record.complete) {
        ++m_counts.refused;
        return false;
    }
    const TrackingLookup tracking =
        lookUpTracking(m_data, m_ledger, record.trackKey, m_rules.trackSent, m_anyInDoubt);
    if (tracking.verdict == TrackingVerdict::AlreadySent) {
        ++m_counts.alreadySent;
        add(Kind::Tracked, tracking.message);
        return false;
    }
    if (tracking.verdict == TrackingVerdict::MayHaveBeenSent) {
        add(Kind::Warning, tracking.message);
        return false;
    }
    const bool conversionFailed = std::any_of(record.fields.begin(), record.fields.end(),
                                              [](const FieldOutcome& f) { return f.findings.conversionFailed; });
    if (conversionFailed)
        return false;
    ++m_counts.wouldSend;
    return true;
}

void DataCheck::addFieldProblems(const BuiltRecord& record)
{
    auto runWarnings = [this, &record](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            add(Kind::Warning, trimmedBlanks(record.warnings[i]));
    };
    for (const FieldOutcome& f : record.fields) {
        for (const std::string& w : f.findings.warnings)
            add(Kind::Warning, w);
        runWarnings(f.firstWarning, f.encodingWarning);
        if (f.unticked)
            add(Kind::Info, f.name + " code \"" + f.code + "\" matches none of its option rows: the box is sent unticked");
        if (f.missing)
            add(Kind::Refusal, f.name + " Required: the record would be refused");
        addFileProblem(f);
        runWarnings(f.encodingWarning, f.endWarning);
    }
}

void DataCheck::addFileProblem(const FieldOutcome& f)
{
    if (!f.fileMissing)
        return;
    const bool sends = m_rules.sendsFiles;
    add(sends ? Kind::Refusal : Kind::Warning,
        f.name + " names a file that is not there: " + f.filePath +
            (sends ? " (the record would be refused)" : " (only its path is sent: the form is not multipart)"));
}

void DataCheck::writeRequest(const std::string& where, const BuiltRecord& record)
{
    // The bytes the HTTP client puts on the wire after its headers: the encoded name-value list of a
    // POST, the entries as CR LF lines of a PUT, nothing for a GET.
    const std::string head = "Request for line " + where + ": " + m_run.postType + " " + m_run.url;
    std::string body;
    int64_t size = -1;  // the bytes on the wire, when body shows fewer (a file part abbreviated)
    if (m_run.kind == PostType::Post && m_rules.sendsFiles) {
        MultipartBody multipart(multipartEntries(record.dataList, record.fileEntries));
        size = multipart.size();
        body = multipart.loggedText();
    } else if (m_run.kind == PostType::Post) {
        body = encodePostBody(record.dataList);
    } else if (m_run.kind == PostType::Put) {
        body = joinLinesCrLf(record.dataList);
    } else if (m_run.kind == PostType::Get) {
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
    if (m_run.kind != PostType::Post || m_rules.sendsFiles)
        return;
    m_source->eachDefinition([&problems](const FieldSettings& field) {
        if (nameNeedsEncoding(field.Name))
            problems.push_back("Field name \"" + field.Name +
                               "\" holds bytes that would break the body: it is sent as \"" +
                               encodeFormName(field.Name) + "\"");
    });
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
