#include "posting/posting_engine.h"

#include "posting/export_file.h"
#include "posting/run_settings.h"
#include "store/run_lock.h"
#include "util/error.h"
#include "util/error_handler.h"
#include "util/text.h"

#include <cstdio>

namespace torvane {

PostingEngine::PostingEngine(TDataModule1& data, Host& host, Dialogs& dialogs, PostingClient& client,
                             Clock& clock)
    : m_data(data), m_host(host), m_dialogs(dialogs), m_client(client), m_clock(clock), m_ledger(data.database())
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
}

void PostingEngine::runPosting()
{
    if (m_running)
        return;
    // One run per store: a second one, in this process or another, is refused before it touches
    // anything. The lock goes with the process, so a killed run never blocks the next.
    m_lock = std::make_unique<RunLock>(m_data.database().path());
    m_running = true;
    m_summary = {};
    m_outcome = RunOutcome::Aborted;
    m_delivery = 0;
    try {
        m_ledger.settleInterruptedRuns();
        m_runId = m_ledger.beginRun(m_data.SettingsTable.text("ImportData"));
        m_host.setBannerVisible(true);
        m_host.repaint();
        m_host.memo2Clear();

        TableView& settings = m_data.SettingsTable;
        const RunSettings run = readRunSettings(settings, [this](const std::string& m) { m_host.memo2Add(m); });
        const bool aborted = run.aborted;
        m_url = run.url;
        m_secure = run.secure;
        ViewWarnings = run.viewWarnings;
        const bool deleteFile = run.deleteFile;
        m_postType = run.postType;
        TrackSent = run.trackSent;
        FieldToTrack1 = run.fieldToTrack1;
        FieldToTrack2 = run.fieldToTrack2;
        FieldToTrack3 = run.fieldToTrack3;
        FieldToTrack4 = run.fieldToTrack4;
        m_content = run.content;
        DiagnosticsOn = run.viewDiag;

        if (settings.isBlank("ImportData") || aborted) {
            if (!aborted)
                m_host.memo2Add(kNoImportFileMessage);
            finishRun();
            endRun(runoutcome::kAborted);
            m_running = false;
            return;
        }
        const std::string exportPath = settings.text("ImportData");
        if (!exportFileExists(exportPath)) {
            m_dialogs.showExclamation("Error", kExportFileMissingMessage);
            finishRun();
            endRun(runoutcome::kAborted);
            m_running = false;
            return;
        }

        Encoding = RecordEncoding::fromSettings(settings);
        ExportFile = std::make_unique<ExportFileReader>(exportPath);
        const int32_t linesToRead = settings.integer("LinesToRead", 0);
        m_linesSkipped = 0;
        while (m_linesSkipped < linesToRead && ExportFile->skipLine())
            ++m_linesSkipped;
        m_host.memo1Clear();

        int32_t recordNumber = 1;
        while (!ExportFile->atEnd()) {
            processRecord(recordNumber);
            ++recordNumber;
        }
        ExportFile.reset();
        if (deleteFile)
            std::remove(settings.text("ImportData").c_str());
        m_outcome = RunOutcome::Completed;
        finishRun();
        endRun(runoutcome::kCompleted);
        m_running = false;
    } catch (...) {
        // The error goes on to the general error handler; the run leaves nothing open behind it.
        m_outcome = RunOutcome::Failed;
        ExportFile.reset();
        if (m_logOn) {
            m_logOn = false;
            try {
                m_client.setTrafficLog(false);
            } catch (...) {
            }
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
        throw;
    }
}

void PostingEngine::processRecord(int32_t recordNumber)
{
    m_host.processMessages();
    m_client.setCacheControl("no-cache");
    m_client.setContentType(m_content);
    m_client.attachTlsTransport(m_secure);
    m_host.memo1Clear();
    StatusText = "Processing Export Record# " + std::to_string(recordNumber);
    m_host.setStatusText(StatusText);
    m_host.repaint();
    m_host.processMessages();

    std::string line;
    ExportFile->readLine(line);
    ++m_summary.recordsRead;

    MakeDataString(line);
    if (!RecordComplete) {
        addBlock(RequiredList);
        RequiredList.clear();
        ++m_summary.refused;
        return;
    }
    if (DataAlreadySent()) {
        ++m_summary.alreadySent;
        return;
    }
    if (DataMayHaveBeenSent()) {
        ++m_summary.inDoubt;
        return;
    }
    if (!WarningList.empty() && ViewWarnings) {
        m_host.memo2Add(TrackKey.empty() ? "Data Had the Following Warings:"
                                         : "Data For " + TrackKey + " Had the Following Warings:");
        addBlock(WarningList);
    }
    if (ShowPostingData) {
        for (const std::string& entry : DataList)
            m_host.memo2Add(entry);
    }
    m_host.setStatusText("Submitting Data To Server");
    m_host.processMessages();
    // The log is switched off again only if this record switched it on, whatever the settings dialog
    // does to the diagnostics flag meanwhile.
    if (DiagnosticsOn) {
        m_client.setTrafficLog(true);
        m_logOn = true;
    }
    // The row is committed before the first byte leaves: if the process dies from here until the
    // outcome is written, the next run finds the record in doubt rather than sending it again.
    m_deliveryHolds = TrackSent && !TrackKey.empty();
    m_delivery = m_ledger.beginDelivery(m_runId, int64_t(m_linesSkipped) + recordNumber, recordNumber, TrackKey,
                                        m_deliveryHolds);
    try {
        sendRequest();
    } catch (...) {
        recordFailure();
        throw;
    }
    PausexSeconds(m_pauseSeconds);
    m_host.processMessages();
    CheckToSeeIfSent();
    if (m_logOn) {
        m_logOn = false;
        m_client.setTrafficLog(false);
    }
}

void PostingEngine::recordFailure()
{
    const int64_t delivery = m_delivery;
    m_delivery = 0;
    const std::string message = currentExceptionMessage();
    switch (m_client.lastRequestFate()) {
    case RequestFate::NotSent:
        m_ledger.finishDelivery(delivery, delivery::kNotSent, {}, message);
        break;
    case RequestFate::Answered:
        m_ledger.finishDelivery(delivery, delivery::kFailed, m_client.lastStatusLine(), message);
        break;
    case RequestFate::InDoubt:
        m_ledger.finishDelivery(delivery, delivery::kInDoubt, {}, message);
        if (m_deliveryHolds)
            ++m_summary.inDoubt;
        break;
    }
}

void PostingEngine::sendRequest()
{
    if (m_postType == "PUT") {
        m_host.memo1SetText(m_client.put(m_url, joinLinesCrLf(DataList)));
    } else if (m_postType == "POST") {
        m_host.memo1SetText(m_client.post(m_url, DataList));
    } else if (m_postType == "GET") {
        m_host.memo1SetText(m_client.get(m_url));
    }
}

}  // namespace torvane
