#include "posting/posting_engine.h"

#include "http/multipart_body.h"
#include "posting/export_file.h"
#include "posting/record_builder.h"
#include "posting/record_count.h"
#include "posting/run_settings.h"
#include "posting/run_settings_summary.h"
#include "store/run_lock.h"
#include "util/error.h"
#include "util/error_handler.h"
#include "util/product_info.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>

namespace torvane {

PostingEngine::PostingEngine(TDataModule1& data, Host& host, Dialogs& dialogs, PostingClient& client,
                             Clock& clock)
    : m_data(data), m_tap(host), m_host(m_tap), m_dialogs(dialogs), m_client(client), m_clock(clock), m_ledger(data.database())
{
}

PostingEngine::~PostingEngine() = default;

void PostingEngine::PausexSeconds(uint16_t seconds)
{
    m_clock.sleepMs(int64_t(seconds) * 1000);
}

bool PostingEngine::FormActivate(const std::function<void()>& showDiagnosticsPane)
{
    if (!FirstActivation)
        return false;
    // Cleared first: an error box from the purge activates the window again, and the purge must not
    // run (and fail) a second time because of it.
    FirstActivation = false;
    DiagnosticsOn = m_data.SettingsTable.logical("ViewDiag", false);
    if (DiagnosticsOn && showDiagnosticsPane)
        showDiagnosticsPane();
    PurgeOldTracking();
    return true;
}

void PostingEngine::SendData1Click()
{
    if (m_running)
        return;
    if (!m_dialogs.askYesNo("Information", "Ok to Send Data?")) {
        m_outcome = RunOutcome::NotStarted;
        return;
    }
    runPosting();
}

void PostingEngine::finishRun()
{
    m_host.setStatusText("Ready");
    m_host.processMessages();
    m_host.setBannerVisible(false);
    m_host.repaint();
}

void PostingEngine::addBlock(const std::vector<std::string>& lines)
{
    m_host.memo2Add(joinLinesCrLf(lines));
}

void PostingEngine::endRun(const char* outcome)
{
    m_ledger.endRun(m_runId, outcome, m_summary);
    m_lock.reset();
    m_running = false;
}

void PostingEngine::concludeRun(const char* outcome)
{
    finishRun();
    endRun(outcome);
}

void PostingEngine::runPosting()
{
    if (m_running)
        return;
    // One run per store: a second one, in this process or another, is refused before it touches
    // anything. The lock goes with the process, so a killed run never blocks the next.
    if (!m_lockHeldOutside)
        m_lock = std::make_unique<RunLock>(m_data.database().path());
    m_running = true;
    m_summary = {};
    m_outcome = RunOutcome::Aborted;
    m_delivery = 0;
    try {
        if (const std::optional<RunSettings> run = beginRun())
            readExport(*run);
    } catch (...) {
        // The error goes on to the general error handler; the run leaves nothing open behind it.
        failRun();
        throw;
    }
}

std::optional<RunSettings> PostingEngine::beginRun()
{
    m_ledger.settleInterruptedRuns();
    m_runStartMs = m_clock.nowMs();
    m_runId = m_ledger.beginRun(importData());
    m_host.setBannerVisible(true);
    m_host.repaint();
    m_host.memo2Clear();

    const RunSettings run = readRunSettings(m_data.SettingsTable, [this](const std::string& m) { m_host.memo2Add(m); });
    takeSettings(run);
    if (importData().empty() || run.aborted) {
        if (!run.aborted)
            m_host.memo2Add(kNoImportFileMessage);
        concludeRun(runoutcome::kAborted);
        return std::nullopt;
    }
    const std::string exportPath = importData();
    setFileSettings(exportPath, m_content);
    if (!exportFileExists(exportPath)) {
        m_dialogs.showExclamation("Error", kExportFileMissingMessage);
        concludeRun(runoutcome::kAborted);
        return std::nullopt;
    }
    return run;
}

void PostingEngine::takeSettings(const RunSettings& run)
{
    m_url = run.url;
    m_secure = run.secure;
    ViewWarnings = run.viewWarnings;
    m_postType = run.kind;
    TrackSent = run.trackSent;
    FieldToTrack1 = run.fieldToTrack1;
    FieldToTrack2 = run.fieldToTrack2;
    FieldToTrack3 = run.fieldToTrack3;
    FieldToTrack4 = run.fieldToTrack4;
    m_content = run.content;
    DiagnosticsOn = run.viewDiag;
}

void PostingEngine::readExport(const RunSettings& run)
{
    const std::string exportPath = importData();
    TableView& settings = m_data.SettingsTable;
    Encoding = RecordEncoding::fromSettings(settings);
    ExportFile = std::make_unique<ExportFileReader>(exportPath);
    ExportFile->setKeepRaw(m_observer != nullptr);
    std::function<void(std::string_view)> skipped;
    if (m_observer)
        skipped = [this](std::string_view raw) { m_observer->lineSkipped(raw); };
    const int32_t linesToRead = settings.integer("LinesToRead", 0);
    m_linesSkipped = skipLeadingLines(*ExportFile, linesToRead, skipped);
    m_host.memo1Clear();

    m_policy = DeliveryPolicy::fromSettings(settings);
    if (m_policyOverride)
        m_policyOverride(m_policy);
    m_ledger.setRunSettings(m_runId, runSettingsSummary(run, exportPath, m_policy, m_pauseSeconds));
    m_failedRecords = 0;
    m_lastRequestMs = -1;
    startSession();
    // A post type that sends nothing has nothing to send at once.
    const bool parallel = m_policy.connections > 1 && methodOf(m_postType).has_value();
    if (!(parallel ? postRecordsInParallel(exportPath, linesToRead) : postRecords(exportPath, linesToRead)))
        return;
    ExportFile.reset();
    if (run.deleteFile)
        std::remove(importData().c_str());
    m_outcome = RunOutcome::Completed;
    concludeRun(runoutcome::kCompleted);
}

bool PostingEngine::postRecords(const std::string& exportPath, int32_t linesToRead)
{
    const RecordCount records(exportPath, linesToRead);
    const int64_t startMs = m_clock.nowMs();
    m_host.runProgress(0, records.total(), 0);
    for (int32_t recordNumber = 1; !ExportFile->atEnd(); ++recordNumber) {
        if (stopRequested()) {
            stopReading();
            return false;
        }
        processRecord(recordNumber);
        m_host.runProgress(recordNumber, records.total(), m_clock.nowMs() - startMs);
    }
    return true;
}

void PostingEngine::stopReading()
{
    if (m_observer)
        ExportFile->drainRest([this](std::string_view bytes) { m_observer->unreadBytes(bytes); });
    ExportFile.reset();
    m_outcome = RunOutcome::Stopped;
    concludeRun(runoutcome::kInterrupted);
}

void PostingEngine::failRun()
{
    m_outcome = RunOutcome::Failed;
    try {
        reportRunError();
    } catch (...) {
        // A results file that cannot be written must not hide the error that ended the run.
    }
    m_tap.collectInto(nullptr);
    m_inRecord = false;
    ExportFile.reset();
    try {
        stopTrafficLog();
    } catch (...) {
    }
    m_host.setBannerVisible(false);
    m_host.setStatusText("Ready");
    m_host.repaint();
    try {
        endRun(runoutcome::kFailed);
    } catch (...) {
        // The store failing too must not hide the error that ended the run.
    }
    m_lock.reset();
    m_running = false;
}

std::string PostingEngine::readRecord(int32_t recordNumber)
{
    m_host.processMessages();
    m_host.memo1Clear();
    m_reply = {};
    StatusText = "Processing Export Record# " + std::to_string(recordNumber);
    m_host.setStatusText(StatusText);
    m_host.repaint();
    m_host.processMessages();

    std::string line;
    ExportFile->readLine(line);
    ++m_summary.recordsRead;
    if (m_observer) {
        m_result = {};
        m_result.line = int64_t(m_linesSkipped) + recordNumber;
        m_result.record = recordNumber;
        m_result.raw = ExportFile->raw();
        m_inRecord = true;
        m_tap.collectInto(&m_result.messages);
    }
    return line;
}

void PostingEngine::processRecord(int32_t recordNumber)
{
    MakeDataString(readRecord(recordNumber));
    m_result.key = TrackKey;
    if (heldBack(recordNumber))
        return;
    showRecordNotes();
    m_host.setStatusText("Submitting Data To Server");
    m_host.processMessages();
    // The log is switched off again only if this record switched it on, whatever the settings dialog
    // does to the diagnostics flag meanwhile.
    if (DiagnosticsOn) {
        m_client.setTrafficLog(true);
        m_logOn = true;
    }
    refreshHiddenValues();
    // The row is committed before the first byte leaves: if the process dies from here until the
    // outcome is written, the next run finds the record in doubt rather than sending it again.
    const bool delivered = deliver(recordNumber) && deliverPastExpiry(recordNumber);
    if (delivered) {
        PausexSeconds(m_pauseSeconds);
        m_host.processMessages();
        CheckToSeeIfSent();
    }
    stopTrafficLog();
    if (delivered)
        recordDone(m_checked);
    else
        TrackKey.clear();
}

bool PostingEngine::heldBack(int32_t recordNumber)
{
    if (!RecordComplete) {
        addBlock(RequiredList);
        noteUnsent(recordNumber, DeliveryState::Refused, RequiredList);
        RequiredList.clear();
        ++m_summary.refused;
        recordDone(RecordOutcome::Refused);
        return true;
    }
    if (DataAlreadySent()) {
        ++m_summary.alreadySent;
        recordDone(RecordOutcome::AlreadySent);
        return true;
    }
    if (DataMayHaveBeenSent()) {
        noteUnsent(recordNumber, DeliveryState::InDoubt, {kHeldInDoubtReason});
        ++m_summary.inDoubt;
        recordDone(RecordOutcome::InDoubt);
        return true;
    }
    return false;
}

void PostingEngine::showRecordNotes()
{
    if (!WarningList.empty() && ViewWarnings) {
        m_host.memo2Add((TrackKey.empty() ? std::string("Data ") : "Data For " + TrackKey + " ") +
                        kHadTheFollowingWarnings);
        addBlock(WarningList);
    }
    if (ShowPostingData) {
        for (const std::string& entry : DataList)
            m_host.memo2Add(entry);
    }
}

void PostingEngine::stopTrafficLog()
{
    if (m_logOn) {
        m_logOn = false;
        m_client.setTrafficLog(false);
    }
}

bool PostingEngine::waitMs(int64_t ms)
{
    // In slices, so that the window repaints and a stop is noticed within a fraction of a second.
    constexpr int64_t kSliceMs = 200;
    for (int64_t left = ms; left > 0;) {
        if (stopRequested())
            return false;
        const int64_t slice = std::min(left, kSliceMs);
        m_clock.sleepMs(slice);
        left -= slice;
        m_host.processMessages();
    }
    return !stopRequested();
}

namespace {

// The failure of the request in flight (call from a catch block); an error that is no request's
// failure leaves it in doubt whether the server has the record.
RequestFailed failureInFlight()
{
    try {
        throw;
    } catch (const RequestFailed& failed) {
        return failed;
    } catch (...) {
        return RequestFailed({}, RequestFate::InDoubt);
    }
}

}  // namespace

bool PostingEngine::deliver(int32_t recordNumber)
{
    m_deliveryHolds = TrackSent && !TrackKey.empty();
    for (int attempt = 1;; ++attempt) {
        beginAttempt(recordNumber);
        try {
            sendRequest();
            return true;
        } catch (...) {
            const RequestFailed failure = failureInFlight();
            const std::string message = currentExceptionMessage(&m_redactor);
            recordFailure(failure, message);
            // Only what cannot have reached the server, or what the server asked to bring back later, is
            // tried again; a request cut off after it was written may have been taken.
            const RequestFate fate = failure.fate();
            if (mayTryAgain(failure) && attempt <= m_policy.retryCount) {
                if (waitToTryAgain(recordNumber, attempt, failure, message))
                    continue;
            } else if (m_failedRecords >= m_policy.maxErrors) {
                throw;
            }
            // The record fails and the run goes on: past a failure the policy allows, or after a wait
            // the operator cut short (the run then ends before the next record).
            failRecord(fate, message);
            return false;
        }
    }
}

void PostingEngine::beginAttempt(int32_t recordNumber)
{
    if (m_policy.minIntervalMs > 0 && m_lastRequestMs >= 0) {
        const int64_t due = m_lastRequestMs + m_policy.minIntervalMs;
        waitMs(due - m_clock.nowMs());
    }
    m_lastRequestMs = m_clock.nowMs();
    // The row is committed before the first byte leaves: if the process dies from here until the
    // outcome is written, the next run finds the record in doubt rather than sending it again.
    m_replyMs = -1;
    m_reply = {};
    m_delivery = m_ledger.beginDelivery(m_runId, int64_t(m_linesSkipped) + recordNumber, recordNumber, TrackKey,
                                        m_deliveryHolds, m_lastRequestMs - m_runStartMs);
}

bool PostingEngine::mayTryAgain(const RequestFailed& failure)
{
    const RequestFate fate = failure.fate();
    return fate == RequestFate::NotSent || (fate == RequestFate::Answered && isComeBackLater(failure.status()));
}

int PostingEngine::announceRetry(int32_t recordNumber, int attempt, const RequestFailed& failure,
                                 const std::string& message)
{
    const int seconds = m_policy.waitSeconds(attempt, failure.reply().header("Retry-After"), std::time(nullptr));
    m_host.memo2Add("Retrying Record# " + std::to_string(recordNumber) + " In " + std::to_string(seconds) +
                    " Seconds: " + message);
    return seconds;
}

bool PostingEngine::waitToTryAgain(int32_t recordNumber, int attempt, const RequestFailed& failure,
                                   const std::string& message)
{
    return waitMs(int64_t(announceRetry(recordNumber, attempt, failure, message)) * 1000);
}

void PostingEngine::failRecord(RequestFate fate, const std::string& message)
{
    ++m_failedRecords;
    m_host.memo2Add((TrackKey.empty() ? std::string("Data Not Sent: ") : "Data Not Sent For " + TrackKey + ": ") +
                    formatErrorMessage(message));
    if (fate == RequestFate::InDoubt) {
        recordDone(RecordOutcome::InDoubt);
    } else {
        ++m_summary.failed;
        recordDone(RecordOutcome::Failed);
    }
}

void PostingEngine::recordDone(RecordOutcome outcome)
{
    if (!m_inRecord)
        return;
    m_inRecord = false;
    m_tap.collectInto(nullptr);
    m_result.outcome = outcome;
    if (m_manyInFlight) {
        m_resultHeld = true;
        return;
    }
    m_observer->recordDone(m_result);
}

void PostingEngine::reportRunError()
{
    if (!m_observer)
        return;
    if (m_inRecord)
        closeFailedRecord(currentExceptionMessage(&m_redactor));
    if (ExportFile)
        ExportFile->drainRest([this](std::string_view bytes) { m_observer->unreadBytes(bytes); });
}

void PostingEngine::closeFailedRecord(const std::string& message)
{
    m_result.messages = {};
    for (const std::string& line : splitAddedText(message))
        if (!line.empty())
            m_result.messages.push_back(line);
    recordDone(m_result.outcome == RecordOutcome::InDoubt ? RecordOutcome::InDoubt : RecordOutcome::Failed);
}

void PostingEngine::recordFailure(const RequestFailed& failure, const std::string& message)
{
    const int64_t delivery = m_delivery;
    m_delivery = 0;
    const int64_t failedMs = m_clock.nowMs() - m_runStartMs;
    switch (failure.fate()) {
    case RequestFate::NotSent:
        m_ledger.finishDelivery(delivery, DeliveryState::NotSent, {}, message, failedMs);
        break;
    case RequestFate::Answered:
        m_result.status = failure.reply().statusLine;
        m_ledger.finishDelivery(delivery, DeliveryState::Failed, m_result.status, message, failedMs);
        break;
    case RequestFate::InDoubt:
        // Should this error end the run, the results file says what the ledger says.
        m_result.outcome = RecordOutcome::InDoubt;
        m_ledger.finishDelivery(delivery, DeliveryState::InDoubt, {}, message, failedMs);
        if (m_deliveryHolds)
            ++m_summary.inDoubt;
        break;
    }
}

void PostingEngine::setFileSettings(const std::string& exportPath, const std::string& content)
{
    FileFolder = fileFolderOf(exportPath);
    SendsFiles = sendsFilesFor(content);
}

std::vector<MultipartEntry> PostingEngine::multipartEntries() const
{
    return torvane::multipartEntries(DataList, FileEntries);
}

void PostingEngine::sendRequest()
{
    const std::optional<HttpMethod> method = methodOf(m_postType);
    if (!method)
        return;  // no request, no reply
    PostingRequest request = recordRequest(*method);
    std::optional<MultipartBody> files;
    if (*method == HttpMethod::Post && SendsFiles)
        request.source = &files.emplace(multipartEntries());
    m_reply = m_client.send(request);
    m_host.memo1SetText(m_reply.body);
    m_replyMs = m_clock.nowMs() - m_runStartMs;
    m_result.status = m_reply.statusLine;
}

PostingRequest PostingEngine::recordRequest(HttpMethod method) const
{
    PostingRequest request;
    request.method = method;
    request.url = m_url;
    request.contentType = m_content;
    request.cacheControl = "no-cache";
    request.tls = m_secure;
    if (method != HttpMethod::Get)
        request.fromPage = m_formPage;
    if (method == HttpMethod::Put)
        request.body = joinLinesCrLf(DataList);
    else if (method == HttpMethod::Post && !SendsFiles)
        request.entries = DataList;
    return request;
}

std::string PostingEngine::importData()
{
    return m_exportOverride.empty() ? m_data.SettingsTable.text("ImportData") : m_exportOverride;
}

void PostingEngine::noteUnsent(int32_t recordNumber, DeliveryState state, const std::vector<std::string>& messages)
{
    m_ledger.noteUnsent(m_runId, int64_t(m_linesSkipped) + recordNumber, recordNumber, TrackKey, state,
                        unsentReason(messages));
}

}  // namespace torvane
