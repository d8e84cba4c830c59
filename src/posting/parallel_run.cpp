// A run with several records in flight. The run's thread does everything a record needs but its HTTP
// work: it reads and builds the records in line order, holds back what is refused, sent or in doubt,
// commits each record's row before its request is handed to a connection, takes the replies as they
// come and writes their rows. What is said about a record is held until the records before it are
// shown, so the panes, the results and the rejects read as those of a run that sent one at a time.
#include "posting/posting_engine.h"

#include "posting/connection_pool.h"
#include "posting/export_file.h"
#include "posting/record_count.h"
#include "posting/record_slot.h"
#include "util/error_handler.h"

#include <algorithm>
#include <utility>

namespace torvane {

namespace {

// How long the run's thread waits for a reply before it lets the window handle its messages.
constexpr int64_t kSliceMs = 200;

std::string messageOf(const RequestFailed& failure, const Redactor& secrets)
{
    try {
        throw failure;
    } catch (...) {
        return currentExceptionMessage(&secrets);
    }
}

// True when an earlier record of the window with the same key is not finished: whether this one was
// sent already is known only then.
bool keyStillOpen(const ParallelRun& run, const RecordSlot& slot)
{
    if (slot.trackKey.empty())
        return false;
    for (const auto& earlier : run.window) {
        if (earlier.get() == &slot)
            return false;
        if (earlier->trackKey == slot.trackKey && earlier->stage != RecordSlot::Stage::Done)
            return true;
    }
    return false;
}

// Resets a flag when the parallel part of the run ends, however it ends.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

}  // namespace

bool PostingEngine::postRecordsInParallel(const std::string& exportPath, int32_t linesToRead)
{
    const RecordCount records(exportPath, linesToRead);
    ParallelRun run;
    run.total = records.total();
    run.startMs = m_clock.nowMs();
    m_host.runProgress(0, run.total, 0);
    // The connections are made once for the run; the pause after a request holds its connection.
    ConnectionPool pool(m_client, m_policy.connections, int64_t(m_pauseSeconds) * 1000, m_clock);
    const FlagScope many(m_manyInFlight);
    for (;;) {
        try {
            parallelStep(run, pool);
        } catch (...) {
            noteFatal(run);
        }
        const bool drained = run.inFlight == 0 && (run.ending || (run.window.empty() && ExportFile->atEnd()));
        if (drained)
            break;
        try {
            waitForNews(run, pool);
        } catch (...) {
            noteFatal(run);
        }
    }
    return endParallel(run);
}

void PostingEngine::parallelStep(ParallelRun& run, ConnectionPool& pool)
{
    if (!run.ending && stopRequested()) {
        run.ending = true;
        run.stopped = true;
    }
    if (!run.ending) {
        readAhead(run);
        admitWaiting(run);
        logInAgainIfDue(run);
        dispatchReady(run, pool);
    }
    showFinished(run);
}

void PostingEngine::noteFatal(ParallelRun& run)
{
    RecordSlot* slot = run.entered;
    if (slot)
        leaveSlot(run, *slot);
    if (run.fatal) {
        // A second error while the first one ends the run: the record keeps what it had.
        if (slot && slot->stage != RecordSlot::Stage::InFlight)
            slot->stage = RecordSlot::Stage::Done;
        return;
    }
    run.fatal = std::current_exception();
    run.fatalMessage = currentExceptionMessage(&m_redactor);
    run.ending = true;
    if (slot)
        slot->stage = RecordSlot::Stage::Fatal;
}

void PostingEngine::swapRecordState(RecordSlot& slot)
{
    std::swap(StatusText, slot.statusText);
    std::swap(DataList, slot.dataList);
    std::swap(WarningList, slot.warnings);
    std::swap(RequiredList, slot.requiredList);
    std::swap(RecordComplete, slot.complete);
    std::swap(RefusalReason, slot.refusalReason);
    std::swap(TrackKey, slot.trackKey);
    std::swap(FileEntries, slot.fileEntries);
    std::swap(m_result, slot.result);
    std::swap(m_inRecord, slot.inRecord);
    std::swap(m_resultHeld, slot.resultHeld);
    std::swap(m_delivery, slot.delivery);
    std::swap(m_deliveryHolds, slot.deliveryHolds);
    std::swap(m_reply, slot.reply);
    std::swap(m_replyMs, slot.replyMs);
    std::swap(m_checked, slot.checked);
}

void PostingEngine::enterSlot(ParallelRun& run, RecordSlot& slot)
{
    swapRecordState(slot);
    m_tap.divertInto(&slot.said);
    m_tap.collectInto(m_inRecord ? &m_result.messages : nullptr);
    run.entered = &slot;
}

void PostingEngine::leaveSlot(ParallelRun& run, RecordSlot& slot)
{
    run.entered = nullptr;
    m_tap.collectInto(nullptr);
    m_tap.divertInto(nullptr);
    swapRecordState(slot);
}

void PostingEngine::readAhead(ParallelRun& run)
{
    // At most N records on their way and at most N finished ones waiting for those before them: the
    // connections stay busy while a slow reply holds the records after it back.
    const auto room = [&run, n = m_policy.connections] {
        const auto open = std::count_if(run.window.begin(), run.window.end(), [](const auto& slot) {
            return slot->stage != RecordSlot::Stage::Done;
        });
        return open < n && std::ptrdiff_t(run.window.size()) - open < n;
    };
    while (room() && !ExportFile->atEnd()) {
        run.window.push_back(std::make_unique<RecordSlot>(m_tap.target()));
        RecordSlot& slot = *run.window.back();
        slot.number = run.nextNumber++;
        enterSlot(run, slot);
        MakeDataString(readRecord(slot.number));
        m_result.key = TrackKey;
        slot.stage = RecordSlot::Stage::Admitting;
        leaveSlot(run, slot);
        if (!(TrackSent && keyStillOpen(run, slot)))
            admit(run, slot);
    }
}

void PostingEngine::admitWaiting(ParallelRun& run)
{
    for (const auto& slot : run.window)
        if (slot->stage == RecordSlot::Stage::Admitting && !keyStillOpen(run, *slot))
            admit(run, *slot);
}

void PostingEngine::admit(ParallelRun& run, RecordSlot& slot)
{
    enterSlot(run, slot);
    if (heldBack(slot.number)) {
        slot.stage = RecordSlot::Stage::Done;
    } else {
        showRecordNotes();
        m_host.setStatusText("Submitting Data To Server");
        m_host.processMessages();
        refreshHiddenValues();
        m_deliveryHolds = TrackSent && !TrackKey.empty();
        slot.stage = RecordSlot::Stage::Waiting;
    }
    leaveSlot(run, slot);
}

void PostingEngine::logInAgainIfDue(ParallelRun& run)
{
    // The requests still out were made in the old session; the new login waits for them.
    if (!run.loginDue || run.inFlight > 0)
        return;
    bool loggedIn = false;
    for (const auto& slot : run.window) {
        if (!slot->loginAgain)
            continue;
        enterSlot(run, *slot);
        if (!loggedIn)
            logInNow(true);
        loggedIn = true;
        refreshHiddenValues();
        leaveSlot(run, *slot);
        slot->loginAgain = false;
        slot->attempt = 1;
    }
    run.loginDue = false;
}

void PostingEngine::dispatchReady(ParallelRun& run, ConnectionPool& pool)
{
    for (const auto& slot : run.window) {
        if (run.loginDue || run.inFlight >= m_policy.connections)
            return;
        if (slot->stage == RecordSlot::Stage::Admitting)
            return;  // requests go out in line order
        if (slot->stage != RecordSlot::Stage::Waiting)
            continue;
        const int64_t now = m_clock.nowMs();
        if (now < run.holdUntilMs)
            return;
        if (m_policy.minIntervalMs > 0 && m_lastRequestMs >= 0 && now < m_lastRequestMs + m_policy.minIntervalMs)
            return;
        dispatch(run, *slot, pool);
    }
}

void PostingEngine::dispatch(ParallelRun& run, RecordSlot& slot, ConnectionPool& pool)
{
    enterSlot(run, slot);
    // The row is committed before the request is handed on: if the process dies from here until the
    // outcome is written, the next run finds the record in doubt rather than sending it again.
    beginAttempt(slot.number);
    PoolJob job;
    job.id = slot.number;
    job.request = recordRequest(*methodOf(m_postType));
    if (job.request.method == HttpMethod::Post && SendsFiles) {
        job.files = std::make_unique<MultipartBody>(multipartEntries());
        job.request.source = job.files.get();
    }
    leaveSlot(run, slot);
    slot.stage = RecordSlot::Stage::InFlight;
    ++run.inFlight;
    pool.submit(std::move(job));
}

void PostingEngine::waitForNews(ParallelRun& run, ConnectionPool& pool)
{
    if (run.inFlight > 0) {
        if (std::optional<PoolResult> result = pool.take(kSliceMs))
            takeResult(run, std::move(*result));
        m_host.processMessages();
        return;
    }
    // Nothing out: the run waits for a retry wait or the rate, on the run's clock.
    int64_t due = run.holdUntilMs;
    if (m_policy.minIntervalMs > 0 && m_lastRequestMs >= 0)
        due = std::max(due, m_lastRequestMs + m_policy.minIntervalMs);
    const int64_t left = due - m_clock.nowMs();
    if (left > 0)
        m_clock.sleepMs(std::min(left, kSliceMs));
    m_host.processMessages();
}

void PostingEngine::takeResult(ParallelRun& run, PoolResult result)
{
    --run.inFlight;
    for (const auto& slot : run.window) {
        if (slot->number != result.id)
            continue;
        if (result.reply)
            takeReply(run, *slot, std::move(*result.reply));
        else
            takeFailure(run, *slot, *result.failure);
        return;
    }
}

void PostingEngine::takeReply(ParallelRun& run, RecordSlot& slot, PostingReply reply)
{
    enterSlot(run, slot);
    m_reply = std::move(reply);
    // Replies come in any order: each says which record it answers.
    m_host.memo1SetText("Reply To Record# " + std::to_string(slot.number) + "\r\n" + m_reply.body);
    m_replyMs = m_clock.nowMs() - m_runStartMs;
    m_result.status = m_reply.statusLine;
    if (m_session.expired(m_reply, m_url)) {
        // The server did not take it: the row is closed as not sent and the record goes out again
        // once the session is new.
        m_ledger.finishDelivery(m_delivery, DeliveryState::NotSent, m_reply.statusLine, "Session Expired");
        m_delivery = 0;
        m_host.memo1Clear();
        slot.loginAgain = true;
        run.loginDue = true;
        slot.stage = RecordSlot::Stage::Waiting;
    } else if (m_session.answerLost(m_reply, m_url)) {
        holdAnswerLost();
        slot.stage = RecordSlot::Stage::Done;
    } else {
        CheckToSeeIfSent();
        recordDone(m_checked);
        slot.stage = RecordSlot::Stage::Done;
    }
    leaveSlot(run, slot);
}

void PostingEngine::takeFailure(ParallelRun& run, RecordSlot& slot, const RequestFailed& failure)
{
    enterSlot(run, slot);
    const std::string message = messageOf(failure, m_redactor);
    recordFailure(failure, message);
    const bool again = mayTryAgain(failure) && slot.attempt <= m_policy.retryCount;
    if (again && !run.ending) {
        // The server asked every connection to come back later, not this one alone.
        const int seconds = announceRetry(slot.number, slot.attempt, failure, message);
        run.holdUntilMs = std::max(run.holdUntilMs, m_clock.nowMs() + int64_t(seconds) * 1000);
        ++slot.attempt;
        slot.lastFate = failure.fate();
        slot.lastMessage = message;
        slot.stage = RecordSlot::Stage::Waiting;
    } else if (!again && m_failedRecords >= m_policy.maxErrors && !run.fatal) {
        run.fatal = std::make_exception_ptr(failure);
        run.fatalMessage = message;
        run.ending = true;
        slot.stage = RecordSlot::Stage::Fatal;
    } else {
        failRecord(failure.fate(), message);
        slot.stage = RecordSlot::Stage::Done;
    }
    leaveSlot(run, slot);
}

void PostingEngine::showSlot(ParallelRun& run, RecordSlot& slot)
{
    slot.said.showOn(m_tap.target());
    if (slot.resultHeld)
        m_observer->recordDone(slot.result);
    ++run.finished;
    m_host.runProgress(run.finished, run.total, m_clock.nowMs() - run.startMs);
}

void PostingEngine::showFinished(ParallelRun& run)
{
    while (!run.window.empty() && run.window.front()->stage == RecordSlot::Stage::Done) {
        showSlot(run, *run.window.front());
        run.window.pop_front();
    }
}

bool PostingEngine::endParallel(ParallelRun& run)
{
    using Stage = RecordSlot::Stage;
    for (const auto& slot : run.window) {
        if (slot->stage == Stage::Fatal) {
            slot->said.showOn(m_tap.target());
            enterSlot(run, *slot);
            m_manyInFlight = false;  // the failed record goes to the observer at once
            closeFailedRecord(run.fatalMessage);
            m_manyInFlight = true;
            leaveSlot(run, *slot);
            ++run.finished;
            continue;
        }
        if (slot->stage == Stage::Waiting && slot->attempt > 1) {
            // Waiting to be tried again when the run ended: it failed, as when a stop cuts a wait short.
            enterSlot(run, *slot);
            failRecord(slot->lastFate, slot->lastMessage);
            leaveSlot(run, *slot);
            slot->stage = Stage::Done;
        }
        if (slot->stage == Stage::Done) {
            showSlot(run, *slot);
            continue;
        }
        // Read ahead but never sent: it goes to the rejects as the lines not read do.
        slot->said.forget();
        --m_summary.recordsRead;
        if (m_observer && slot->inRecord)
            m_observer->unreadBytes(slot->result.raw);
    }
    run.window.clear();
    if (run.fatal)
        std::rethrow_exception(run.fatal);
    if (run.stopped) {
        stopReading();
        return false;
    }
    return true;
}

}  // namespace torvane
