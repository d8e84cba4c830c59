// What a posting run tells whoever follows it record by record (the companion's results and rejects
// files): each record's outcome with the export line's exact bytes, the skipped leading lines, and
// the lines an error left unread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// What became of a record.
enum class RecordOutcome {
    Accepted,
    NotConfirmed,
    Sent,  // sent, no confirmation text configured
    Refused,
    AlreadySent,
    InDoubt,
    Failed,  // failed, or the error that ended the run
};

// The outcome as the results file and the run's report name it.
constexpr const char* outcomeName(RecordOutcome outcome)
{
    switch (outcome) {
    case RecordOutcome::Accepted:
        return "accepted";
    case RecordOutcome::NotConfirmed:
        return "not confirmed";
    case RecordOutcome::Sent:
        return "sent";
    case RecordOutcome::Refused:
        return "refused";
    case RecordOutcome::AlreadySent:
        return "already sent";
    case RecordOutcome::InDoubt:
        return "in doubt";
    case RecordOutcome::Failed:
        break;
    }
    return "failed";
}

struct RecordResult {
    int64_t line = 0;  // 1-based line number in the export file, skipped lines counted
    int32_t record = 0;
    std::string key;
    RecordOutcome outcome = RecordOutcome::Failed;
    std::string status;                 // the reply's status line, empty when there was none
    std::vector<std::string> messages;  // what the information pane said about the record
    std::string raw;                    // the line's exact bytes, line ending included
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void lineSkipped(std::string_view raw) = 0;
    virtual void recordDone(const RecordResult& result) = 0;
    // After an error ended the run: the bytes of the export file not read yet, in pieces.
    virtual void unreadBytes(std::string_view bytes) = 0;
};

}  // namespace torvane
