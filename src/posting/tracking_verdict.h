// Whether a record's tracking key says it was sent before, as a value: what the data check reports for
// a record it would otherwise send, with the words a run shows in the information pane.
#pragma once

#include <optional>
#include <string>

namespace torvane {

class DeliveryLedger;
class TDataModule1;

enum class TrackingVerdict {
    New,              // nothing tracked under the key: the record would be sent
    AlreadySent,      // a tracking record holds the key
    MayHaveBeenSent,  // a request of an earlier run was cut off before its answer
};

// "new", "already sent", "in doubt".
const char* trackingVerdictName(TrackingVerdict verdict);

struct TrackingLookup {
    TrackingVerdict verdict = TrackingVerdict::New;
    std::string message;  // the run's information-pane line for it; empty for New
};

// The information-pane line of a key that a tracking record holds, when one does.
std::optional<std::string> alreadySentNote(TDataModule1& data, const std::string& key);
// The information-pane line of a key in doubt since the start of the delivery that was cut off.
std::string mayHaveBeenSentNote(const std::string& key, const std::string& since);

// Looks the key up as a run does before sending: the tracking records first, then (with tracking on
// and lookForDoubt) the delivery history's records in doubt.
TrackingLookup lookUpTracking(TDataModule1& data, DeliveryLedger& ledger, const std::string& key, bool trackSent,
                              bool lookForDoubt);

}  // namespace torvane
