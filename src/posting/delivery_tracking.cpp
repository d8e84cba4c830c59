// Confirmation of delivery and the tracking records: whether a reply confirms a record, whether a record
// was accepted before, and the purge of old tracking records.
#include "posting/posting_engine.h"

#include "util/dates.h"
#include "util/text.h"

namespace torvane {

void PostingEngine::CheckToSeeIfSent()
{
    const std::string sentText = m_data.SettingsTable.text("DataSentText");
    if (!sentText.empty()) {
        if (FindItem(sentText, m_host.memo1Text()) == 0) {
            ++m_summary.notConfirmed;
            m_host.memo2Add(FieldToTrack1.empty() ? "Server Did Not Confirm Data Was Sent"
                                                  : "Server Did Not Confirm Data Was Sent For: " + TrackKey);
        } else {
            ++m_summary.accepted;
            if (TrackSent) {
                // Posted (and so committed) before the acceptance is reported: a run that ends right
                // after the message has still recorded the record, and the next run skips it.
                TableView& track = m_data.TrackTable;
                track.append();
                track.setText("DataToTrack", TrackKey);
                track.setCell("DataSent", toIsoText(today()));
                track.post();
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
    Query& query = m_data.TrackQuery;
    query.close();
    query.open(selectTrackByKey(TrackKey));
    if (!query.findFirst())
        return false;
    m_host.memo2Add("Data For " + TrackKey + " Sent On " + query.displayText("DataSent") + ", Data Not Sent.");
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
}

}  // namespace torvane
