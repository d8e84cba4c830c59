// The posting run and the state of the record in progress: everything Process > Send Data does, from
// the settings to the last record of the export file. The main window and the command-line companion
// host it; it talks to them only through Host, Dialogs and PostingClient.
#pragma once

#include "http/multipart_body.h"
#include "http/posting_client.h"
#include "posting/delivery_policy.h"
#include "posting/pane_tap.h"
#include "posting/post_type.h"
#include "posting/record_encoding.h"
#include "posting/run_observer.h"
#include "posting/session_login.h"
#include "util/host.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "util/clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

class ConnectionPool;
class ExportFileReader;
class RunLock;
struct ParallelRun;
struct PoolResult;
struct RecordSlot;
struct RunSettings;

enum class RunOutcome {
    NotStarted,  // the operator answered No
    Aborted,     // a missing setting or export file: no record was read
    Completed,   // the export file was read to its end
    Failed,      // an error ended the run
    Stopped,     // asked to stop (a signal, the window closed) before the end of the export file
};

class PostingEngine {
public:
    PostingEngine(TDataModule1& data, Host& host, Dialogs& dialogs, PostingClient& client, Clock& clock);
    ~PostingEngine();
    PostingEngine(const PostingEngine&) = delete;
    PostingEngine& operator=(const PostingEngine&) = delete;

    // Process > Send Data: asks, then runs. An error that ends the run is cleaned up after (file closed,
    // traffic log off, banner hidden, "Ready") and then thrown on to the general error handler.
    void SendData1Click();
    // The run without the question.
    void runPosting();
    bool isRunning() const { return m_running; }
    RunOutcome lastOutcome() const { return m_outcome; }
    const RunSummary& summary() const { return m_summary; }

    // First activation of the main window: copies ViewDiag into DiagnosticsOn and purges old tracking
    // records. Returns true the first time only.
    // showDiagnosticsPane is called when diagnostics are on, before the purge, to lay out the panes.
    bool FormActivate(const std::function<void()>& showDiagnosticsPane = {});

    // Returns after that many seconds; handles no window messages.
    void PausexSeconds(uint16_t seconds);
    // The pause after each request and after each tracking record, one second unless changed.
    void setPauseSeconds(uint16_t seconds) { m_pauseSeconds = seconds; }

    // The application-wide copy of the ViewDiag setting.
    bool DiagnosticsOn = false;
    // "Show Posting Data": adds each record's data string to the information pane before it is sent.
    bool ShowPostingData = false;

    // The data string of one export line (field extraction, cross walk, tracking key, required fields).
    void MakeDataString(const std::string& line);
    // Translates a select or radio value through the cross walk; may empty the name.
    void LookupSelectOption(std::string& name, std::string& value, const std::string& type);
    // True when TrackKey is already tracked, after reporting it.
    bool DataAlreadySent();
    // Looks for the confirmation text in the reply, reports and tracks; always empties TrackKey.
    void CheckToSeeIfSent();
    // Deletes tracking records older than PurgeDays when tracking is on, and the delivery history of
    // the same days (but for records still in doubt).
    void PurgeOldTracking();
    // True when the record's key may already be on the server (a request of an earlier run was cut off
    // before its answer), after reporting it; such a record waits for the operator's decision.
    bool DataMayHaveBeenSent();

    // The number of the run in the delivery history, 0 before the first run.
    int64_t runNumber() const { return m_runId; }

    // State of the record in progress.
    std::string StatusText;
    std::vector<std::string> DataList;
    std::string FieldToTrack1, FieldToTrack2, FieldToTrack3, FieldToTrack4;
    std::string TrackKey;
    bool TrackSent = false;
    std::vector<std::string> RequiredList;
    bool RecordComplete = true;
    // Why the record was refused when nothing was missing: "Invalid Date", "Invalid Time" (a value that
    // is no real one for its pattern) or "File Not Found" (a file field of a multipart form).
    std::string RefusalReason;
    // The file fields of the record: the index of their entry in DataList and the path of their file.
    std::vector<std::pair<size_t, std::string>> FileEntries;
    // Where relative paths of file fields start (the export file's folder), and whether the content
    // type sends files (multipart/form-data), so that a missing one refuses the record.
    std::string FileFolder;
    bool SendsFiles = false;
    bool FirstActivation = true;
    std::vector<std::string> WarningList;
    bool ViewWarnings = false;
    // The run's copy of ExportEncoding, FormEncoding and ColumnsIn.
    RecordEncoding Encoding;

    // FileFolder and SendsFiles from the export file's path and the content type.
    void setFileSettings(const std::string& exportPath, const std::string& content);
    // The data string as the parts of a multipart body, file fields with their files.
    std::vector<MultipartEntry> multipartEntries() const;

    // Follows the run record by record (nullptr: nobody).
    void setObserver(RunObserver* observer) { m_observer = observer; }
    // Changes the policy a run reads from the settings, for one run of the companion.
    void setPolicyOverride(std::function<void(DeliveryPolicy&)> change) { m_policyOverride = std::move(change); }
    // Asked between records and while waiting to try again: true ends the run after the record in progress.
    void setStopRequested(std::function<bool()> stop) { m_stopRequested = std::move(stop); }
    // Where ${NAME} values of the login data come from (nullptr: the environment).
    void setSecretSource(SecretSource* source) { m_secrets = source; }
    // The login step of the run, also for tools that only log in.
    SessionLogin& session() { return m_session; }
    // What this run's login and network settings took: an error that ends the run is shown masked with it.
    const Redactor& secrets() const { return m_redactor; }
    // The export file of the next runs in place of the ImportData setting, which stays as it is
    // (empty: the setting).
    void setExportOverride(std::string path) { m_exportOverride = std::move(path); }
    // The caller holds the store's run lock across several runs (a watched folder); the runs then take
    // none of their own.
    void setStoreLockHeld(bool held) { m_lockHeldOutside = held; }

private:
    // The start of a run: the ledger's run row and the settings copied into the engine; nothing when
    // a missing setting or export file ended the run (concluded as aborted).
    std::optional<RunSettings> beginRun();
    void takeSettings(const RunSettings& run);
    // The export file of a begun run, record by record, to its end or a stop.
    void readExport(const RunSettings& run);
    // False when a stop ended the run before the end of the export file.
    bool postRecords(const std::string& exportPath, int32_t linesToRead);
    // After a stop: what was not read goes to the rejects as after an error; the file stays.
    void stopReading();

    // Several records in flight (parallel_run.cpp): lines are read, built, held back and their rows
    // written here, requests go out on the connections of the pool, and what each record said is shown
    // in line order. False when a stop ended the run; the error that ends it is thrown once the
    // requests in flight have ended.
    bool postRecordsInParallel(const std::string& exportPath, int32_t linesToRead);
    void parallelStep(ParallelRun& run, ConnectionPool& pool);
    void readAhead(ParallelRun& run);
    void admitWaiting(ParallelRun& run);
    void admit(ParallelRun& run, RecordSlot& slot);
    void logInAgainIfDue(ParallelRun& run);
    void dispatchReady(ParallelRun& run, ConnectionPool& pool);
    void dispatch(ParallelRun& run, RecordSlot& slot, ConnectionPool& pool);
    void waitForNews(ParallelRun& run, ConnectionPool& pool);
    void takeResult(ParallelRun& run, PoolResult result);
    void takeReply(ParallelRun& run, RecordSlot& slot, PostingReply reply);
    void takeFailure(ParallelRun& run, RecordSlot& slot, const RequestFailed& failure);
    void showFinished(ParallelRun& run);
    void showSlot(ParallelRun& run, RecordSlot& slot);
    bool endParallel(ParallelRun& run);
    void noteFatal(ParallelRun& run);
    // The engine takes up the record's state (and its panes), or gives it back.
    void enterSlot(ParallelRun& run, RecordSlot& slot);
    void leaveSlot(ParallelRun& run, RecordSlot& slot);
    void swapRecordState(RecordSlot& slot);
    // The request of the current record, but for a multipart body.
    PostingRequest recordRequest(HttpMethod method) const;
    // Whether the policy lets a failure be tried again, by its fate.
    static bool mayTryAgain(const RequestFailed& failure);
    // Says why the record is tried again; the seconds to wait.
    int announceRetry(int32_t recordNumber, int attempt, const RequestFailed& failure, const std::string& message);
    // The record in progress, ended by the error whose message is given, to the observer.
    void closeFailedRecord(const std::string& message);
    // After an error ended the run: nothing left open, the run marked failed.
    void failRun();
    void processRecord(int32_t recordNumber);
    // The next line of the export file, with the record's status shown and its result begun.
    std::string readRecord(int32_t recordNumber);
    // True when the record ends before any request: refused, already sent, or held in doubt.
    bool heldBack(int32_t recordNumber);
    // The warnings and, when asked for, the data string of the record, before it is sent.
    void showRecordNotes();
    void stopTrafficLog();
    // The record's request as the post type sends it; none for a post type that sends nothing.
    void sendRequest();
    void finishRun();
    void addBlock(const std::vector<std::string>& lines);
    // Records in the ledger how far the failed request of the current record got.
    void recordFailure(const RequestFailed& failure, const std::string& message);
    // Writes the run's outcome to the history and lets the store go (the lock, the running flag).
    void endRun(const char* outcome);
    // The end of a run that reached no error: the window back to "Ready", then endRun.
    void concludeRun(const char* outcome);
    // Tells the observer what became of the record in progress.
    void recordDone(RecordOutcome outcome);
    void reportRunError();
    // The export file of the run: the override, else the setting.
    std::string importData();
    // Keeps a record that reached no request in the ledger, for the run's report.
    void noteUnsent(int32_t recordNumber, DeliveryState state, const std::vector<std::string>& messages);
    // The request of the current record, tried again as the policy allows. False when the record failed
    // and the run goes on without it.
    bool deliver(int32_t recordNumber);
    // The wait before the next request of the record and its ledger row, committed before it goes out.
    void beginAttempt(int32_t recordNumber);
    // Says why the record is tried again and waits; false when a stop cut the wait short.
    bool waitToTryAgain(int32_t recordNumber, int attempt, const RequestFailed& failure, const std::string& message);
    // The record failed and the run goes on without it.
    void failRecord(RequestFate fate, const std::string& message);
    // Waits, handling window messages; false when a stop was asked for meanwhile.
    bool waitMs(int64_t ms);
    bool stopRequested() const { return m_stopRequested && m_stopRequested(); }
    // The session of a form behind a login (session_steps.cpp): the login before the first record,
    // the fresh hidden values before each record, and after a reply that shows the session expired, a
    // new login and the record sent once more. Each does nothing with the login settings blank.
    void startSession();
    // The login (again: after an expired session), with what it has to say in the diagnostics pane.
    void logInNow(bool again);
    void refreshHiddenValues();
    bool deliverPastExpiry(int32_t recordNumber);
    // Closes a record whose answer the session lost: held in doubt, never sent again.
    void holdAnswerLost();
    // Runs a request of the session with the traffic log on as for a record.
    template <typename Step> void sessionRequest(Step step);

protected:
    // The reply to the record's request: the diagnostics pane shows its body, and the confirmation and
    // session checks read it. Empty while the record has had none.
    PostingReply m_reply;

private:
    TDataModule1& m_data;
    PaneTap m_tap;
    Host& m_host;  // the tap: every line the run shows passes it
    Dialogs& m_dialogs;
    PostingClient& m_client;
    Clock& m_clock;

    std::unique_ptr<ExportFileReader> ExportFile;
    std::string m_url;
    PostType m_postType = PostType::None;
    std::string m_content;
    // The page the run's forms come from, named in Origin and Referer; empty when no login or form page is set.
    std::string m_formPage;
    bool m_secure = false;
    bool m_logOn = false;
    bool m_running = false;
    uint16_t m_pauseSeconds = 1;
    RunOutcome m_outcome = RunOutcome::NotStarted;
    RunSummary m_summary;

    DeliveryLedger m_ledger;
    std::unique_ptr<RunLock> m_lock;
    int64_t m_runId = 0;
    int64_t m_delivery = 0;  // the ledger row of the record whose request is out, 0 for none
    int64_t m_runStartMs = 0;  // the engine clock at the run's start: the ledger's times count from it
    int64_t m_replyMs = -1;    // when the reply of the record in progress came back, since the run began
    std::string m_exportOverride;
    bool m_lockHeldOutside = false;
    bool m_deliveryHolds = false;
    int32_t m_linesSkipped = 0;

    RunObserver* m_observer = nullptr;
    RecordResult m_result;      // the record in progress, while m_inRecord
    bool m_inRecord = false;
    RecordOutcome m_checked = RecordOutcome::Sent;  // the confirmation check's verdict on the last record
    // Several records in flight: a finished record's result waits to be handed on in line order, and
    // the pause after a tracking record is the connection's, not the run thread's.
    bool m_manyInFlight = false;
    bool m_resultHeld = false;

    DeliveryPolicy m_policy;
    std::function<void(DeliveryPolicy&)> m_policyOverride;
    std::function<bool()> m_stopRequested;
    int m_failedRecords = 0;
    int64_t m_lastRequestMs = -1;

    Redactor m_redactor;
    SessionLogin m_session{m_client, m_redactor};
    SecretSource* m_secrets = nullptr;
};

}  // namespace torvane
