#include "posting/posting_engine.h"

#include "posting/export_file.h"
#include "util/error.h"
#include "util/product_info.h"
#include "util/text.h"

#include <cstdio>
#include <filesystem>

namespace torvane {

namespace {
const char* const kDefaultContent = "application/x-www-form-urlencoded";

bool exportFileExists(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}
}  // namespace

PostingEngine::PostingEngine(TDataModule1& data, Host& host, Dialogs& dialogs, PostingClient& client,
                             Clock& clock)
    : m_data(data), m_host(host), m_dialogs(dialogs), m_client(client), m_clock(clock)
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

void PostingEngine::runPosting()
{
    if (m_running)
        return;
    m_running = true;
    m_summary = {};
    m_outcome = RunOutcome::Aborted;
    try {
        m_host.setBannerVisible(true);
        m_host.repaint();
        m_host.memo2Clear();

        TableView& settings = m_data.SettingsTable;
        bool aborted = false;
        m_url.clear();
        m_secure = false;
        if (settings.isBlank("URL")) {
            aborted = true;
            m_host.memo2Add("Posting Aborted, No URL Defined.");
        } else {
            m_url = settings.text("URL");
            m_secure = upperAscii(m_url.substr(0, 6)) == "HTTPS:";
        }
        ViewWarnings = settings.logical("ViewWarnings", false);
        const bool deleteFile = settings.logical("DeleteFile", false);
        m_postType.clear();
        if (settings.isBlank("PostType")) {
            aborted = true;
            m_host.memo2Add(kPostingAbortedNoPostAction);
        } else {
            m_postType = settings.text("PostType");
        }
        TrackSent = settings.logical("TrackSent", false);
        FieldToTrack1 = settings.text("FieldToTrack1");
        FieldToTrack2 = settings.text("FieldToTrack2");
        FieldToTrack3 = settings.text("FieldToTrack3");
        FieldToTrack4 = settings.text("FieldToTrack4");
        m_content = settings.text("Content", kDefaultContent);
        DiagnosticsOn = settings.logical("ViewDiag", false);
        m_postType = upperAscii(m_postType);

        if (settings.isBlank("ImportData") || aborted) {
            if (!aborted)
                m_host.memo2Add("Posting Aborted, No Import File Name Defined");
            finishRun();
            m_running = false;
            return;
        }
        const std::string exportPath = settings.text("ImportData");
        if (!exportFileExists(exportPath)) {
            m_dialogs.showExclamation("Error", "Export File Could Not Be Found");
            finishRun();
            m_running = false;
            return;
        }

        ExportFile = std::make_unique<ExportFileReader>(exportPath);
        const int32_t linesToRead = settings.integer("LinesToRead", 0);
        for (int32_t skipped = 0; skipped < linesToRead && ExportFile->skipLine(); ++skipped) {
        }
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
    if (!WarningList.empty() && ViewWarnings) {
        m_host.memo2Add((TrackKey.empty() ? std::string("Data ") : "Data For " + TrackKey + " ") +
                        kHadTheFollowingWarnings);
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
    sendRequest();
    PausexSeconds(m_pauseSeconds);
    m_host.processMessages();
    CheckToSeeIfSent();
    if (m_logOn) {
        m_logOn = false;
        m_client.setTrafficLog(false);
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
