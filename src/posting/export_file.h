// An export file, read one line at a time by the common line rule, its failures worded with the
// file's name.
#pragma once

#include "util/line_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace torvane {

class ExportFileReader : public LineReader {
public:
    // Opens the file for reading; throws Error when it cannot.
    explicit ExportFileReader(const std::string& path);
};

// Reads and discards up to count lines from the start, the way a run skips the lines before its first
// record; returns how many there were. skipped, when given, is handed each line's raw bytes (with
// setKeepRaw on).
int32_t skipLeadingLines(ExportFileReader& file, int32_t count,
                         const std::function<void(std::string_view raw)>& skipped = {});

}  // namespace torvane
