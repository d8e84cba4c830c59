#include "posting/tracking_verdict.h"

#include "store/data_module.h"
#include "store/ledger.h"
#include "store/statements.h"
#include "util/dates.h"

namespace torvane {

const char* trackingVerdictName(TrackingVerdict verdict)
{
    switch (verdict) {
    case TrackingVerdict::AlreadySent:
        return "already sent";
    case TrackingVerdict::MayHaveBeenSent:
        return "in doubt";
    case TrackingVerdict::New:
        break;
    }
    return "new";
}

std::optional<std::string> alreadySentNote(TDataModule1& data, const std::string& key)
{
    Query& query = data.TrackQuery;
    query.close();
    query.open(selectTrackByKey(key));
    if (!query.findFirst())
        return std::nullopt;
    return "Data For " + key + " Sent On " + query.displayText("DataSent") + ", Data Not Sent.";
}

std::string mayHaveBeenSentNote(const std::string& key, const std::string& since)
{
    return "Data For " + key + " May Have Been Sent On " + shortDateOfTimestamp(since) + ", Data Not Sent.";
}

TrackingLookup lookUpTracking(TDataModule1& data, DeliveryLedger& ledger, const std::string& key, bool trackSent,
                              bool lookForDoubt)
{
    if (std::optional<std::string> note = alreadySentNote(data, key))
        return {TrackingVerdict::AlreadySent, std::move(*note)};
    // Without tracking every record is sent on every run anyway: nothing is held.
    if (!lookForDoubt || !trackSent || key.empty())
        return {};
    const auto since = ledger.inDoubtSince(key);
    if (!since)
        return {};
    return {TrackingVerdict::MayHaveBeenSent, mayHaveBeenSentNote(key, *since)};
}

}  // namespace torvane
