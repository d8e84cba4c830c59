// The results file of a run: one row per record read, written and flushed as the run goes, so that a
// run that dies keeps what happened so far. CSV or JSON Lines, chosen by the file's extension.
#pragma once

#include "posting/run_observer.h"
#include "util/flushed_file.h"
#include "util/utf8_output.h"

#include <optional>
#include <string>

namespace torvane {

class ResultsFile {
public:
    enum class Format { Csv, JsonLines };
    // The format a file name asks for (.csv or .jsonl, letter case aside); nothing for any other.
    static std::optional<Format> formatOf(const std::string& path);

    // Creates (or replaces) the file and writes the CSV header; throws Error when it cannot.
    ResultsFile(const std::string& path, Format format, Utf8Output text);

    void write(const RecordResult& result);
    // The row's text, without writing it (time is the row's time stamp).
    std::string row(const RecordResult& result, const std::string& time) const;

private:
    FlushedFile m_file;
    Format m_format;
    Utf8Output m_text;
};

// One CSV field: quoted when it holds a comma, a double quote or a line break, quotes doubled.
std::string csvField(const std::string& text);

}  // namespace torvane
