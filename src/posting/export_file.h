// Reads an export file one line at a time without holding more than the longest line: lines end at
// LF or CR LF, a lone CR is dropped from the line, a Ctrl-Z ends the file, and a last line without a
// line break counts like any other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class ExportFileReader {
public:
    // Opens the file for reading; throws Error when it cannot.
    explicit ExportFileReader(const std::string& path);
    ~ExportFileReader();
    ExportFileReader(const ExportFileReader&) = delete;
    ExportFileReader& operator=(const ExportFileReader&) = delete;

    bool atEnd();
    // Reads the next line; false at the end of the file.
    bool readLine(std::string& line);
    // The same, keeping no more than the first limit bytes of the line (the rest is read past); cut
    // tells whether bytes were left out.
    bool readLine(std::string& line, size_t limit, bool& cut);
    // Reads and discards the next line (cheaper than readLine: nothing is copied).
    bool skipLine();
    void close();

    // While on, raw() holds the exact bytes of the last line read or skipped, its line ending included.
    void setKeepRaw(bool keep) { m_keepRaw = keep; }
    const std::string& raw() const { return m_raw; }
    // Hands the bytes not read yet (up to a Ctrl-Z) to sink in pieces; the file is at its end after.
    template <typename Sink> void drainRest(Sink&& sink)
    {
        while (!atEnd()) {
            sink(std::string_view(m_buffer.data() + m_begin, m_end - m_begin));
            m_begin = m_end;
        }
    }

private:
    bool fill();
    template <typename Sink> bool consumeLine(Sink&& sink);

    std::string m_path;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_eof = false;  // no more bytes from the file (end, or a Ctrl-Z seen)
    bool m_keepRaw = false;
    std::string m_raw;
};

// Reads and discards up to count lines from the start, the way a run skips the lines before its first
// record; returns how many there were. skipped, when given, is handed each line's raw bytes (with
// setKeepRaw on).
int32_t skipLeadingLines(ExportFileReader& file, int32_t count,
                         const std::function<void(std::string_view raw)>& skipped = {});

}  // namespace torvane
