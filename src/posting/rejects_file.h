// The rejects file of a run: the skipped leading lines, then the exact bytes of every record the server
// did not take for certain, and after an error every line not read yet. Pointing ImportData at it with
// the same settings sends exactly what is still missing. A run without rejects leaves no file.
#pragma once

#include "posting/run_observer.h"
#include "util/flushed_file.h"

#include <string>
#include <string_view>

namespace torvane {

class RejectsFile {
public:
    // Creates (or replaces) the file; throws Error when it cannot.
    explicit RejectsFile(const std::string& path);
    // Removes the file when it holds no reject.
    ~RejectsFile();
    RejectsFile(const RejectsFile&) = delete;
    RejectsFile& operator=(const RejectsFile&) = delete;

    // Whether a record of this outcome goes to the file.
    static bool isReject(RecordOutcome outcome);

    void header(std::string_view raw);  // a skipped leading line
    void reject(std::string_view raw);  // a record line, or bytes an error left unread
    bool hasRejects() const { return m_rejects; }

private:
    FlushedFile m_file;
    bool m_rejects = false;
};

}  // namespace torvane
