// What a posting run tells whoever follows it record by record (the companion's results and rejects
// files): each record's outcome with the export line's exact bytes, the skipped leading lines, and
// the lines an error left unread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// Outcomes of a record, as the results file names them.
namespace outcome {
inline constexpr const char* kAccepted = "accepted";
inline constexpr const char* kNotConfirmed = "not confirmed";
inline constexpr const char* kSent = "sent";  // sent, no confirmation text configured
inline constexpr const char* kRefused = "refused";
inline constexpr const char* kAlreadySent = "already sent";
inline constexpr const char* kInDoubt = "in doubt";
inline constexpr const char* kFailed = "failed";  // the error that ended the run
}  // namespace outcome

struct RecordResult {
    int64_t line = 0;  // 1-based line number in the export file, skipped lines counted
    int32_t record = 0;
    std::string key;
    std::string outcome;
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
