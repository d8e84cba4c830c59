// Confirmation of delivery and the tracking records: whether a reply confirms a record, whether a record
// was accepted before, and the purge of old tracking records.
#include "posting/posting_engine.h"

#include "posting/tracking_verdict.h"
#include "util/dates.h"
#include "util/text.h"

namespace torvane {

void PostingEngine::CheckToSeeIfSent()
{
    // The ledger row of the record (none when the check runs outside a run's request).
    const int64_t delivery = m_delivery;
    m_delivery = 0;
    const std::string statusLine = delivery ? m_reply.statusLine : std::string();
    auto finish = [&](DeliveryState state, RecordOutcome verdict) {
        m_checked = verdict;
        if (delivery)
            m_ledger.finishDelivery(delivery, state, statusLine, {}, m_replyMs);
    };
    const std::string sentText = m_data.SettingsTable.text("DataSentText");
    if (sentText.empty()) {
        finish(DeliveryState::Sent, RecordOutcome::Sent);
    } else {
        if (FindItem(sentText, m_reply.body) == 0) {
            ++m_summary.notConfirmed;
            finish(DeliveryState::NotConfirmed, RecordOutcome::NotConfirmed);
            m_host.memo2Add(FieldToTrack1.empty() ? "Server Did Not Confirm Data Was Sent"
                                                  : "Server Did Not Confirm Data Was Sent For: " + TrackKey);
        } else {
            ++m_summary.accepted;
            if (!TrackSent) {
                finish(DeliveryState::Accepted, RecordOutcome::Accepted);
            } else {
                // Posted (and so committed) before the acceptance is reported: a run that ends right
                // after the message has still recorded the record, and the next run skips it. The ledger
                // row turns accepted in the same transaction, so one is never there without the other.
                Database::Transaction transaction(m_data.database());
                TableView& track = m_data.TrackTable;
                track.append();
                track.setText("DataToTrack", TrackKey);
                track.setCell("DataSent", toIsoText(today()));
                track.post();
                finish(DeliveryState::Accepted, RecordOutcome::Accepted);
                transaction.commit();
                if (!m_manyInFlight)
                    PausexSeconds(m_pauseSeconds);
                m_host.memo2Add(FieldToTrack1.empty() ? "Data Accepted By Server"
                                                      : "Data Accepted By Server For: " + TrackKey);
            }
        }
    }
    TrackKey.clear();
}

bool PostingEngine::DataAlreadySent()
{
    std::optional<std::string> note = alreadySentNote(m_data, TrackKey);
    if (note)
        m_host.memo2Add(*note);
    return note.has_value();
}

bool PostingEngine::DataMayHaveBeenSent()
{
    // Without tracking every record is sent on every run anyway: nothing is held.
    if (!TrackSent || TrackKey.empty())
        return false;
    // A run holds the lock itself, so it knows which run is alive without asking for each record.
    const auto since = m_running ? m_ledger.inDoubtSince(TrackKey, m_runId) : m_ledger.inDoubtSince(TrackKey);
    if (!since)
        return false;
    m_host.memo2Add(mayHaveBeenSentNote(TrackKey, *since));
    return true;
}

void PostingEngine::PurgeOldTracking()
{
    TableView& settings = m_data.SettingsTable;
    if (settings.isBlank("TrackSent") || !settings.logical("TrackSent", false))
        return;
    if (settings.isBlank("PurgeDays"))
        return;
    const Date cutOff = addDays(today(), -settings.integer("PurgeDays", 0));
    m_data.TrackQuery.close();
    m_data.TrackQuery.execute(deleteTrackUpTo(cutOff));
    m_ledger.purge(cutOff);
}

}  // namespace torvane
