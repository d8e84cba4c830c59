// How many records an export file holds, for the progress of a run: a byte scan that follows the line
// rules of the export file reader (LF or CR LF ends a line, a Ctrl-Z ends the file, a last line without
// a line break counts) and leaves out the skipped leading lines. Large files are counted beside the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace torvane {

// Counts lines in the bytes fed to it, piece by piece.
class LineCounter {
public:
    void feed(std::string_view bytes);
    // The lines so far, a last line without its line break included.
    int64_t lines() const { return m_breaks + (m_inLine ? 1 : 0); }
    // A Ctrl-Z was seen: nothing after it belongs to the file.
    bool ended() const { return m_ended; }

private:
    int64_t m_breaks = 0;
    bool m_inLine = false;
    bool m_ended = false;
};

// The records of the file after skip leading lines; -1 when the file cannot be read or stop was set.
int64_t countExportRecords(const std::string& path, int32_t skip, const std::atomic<bool>* stop = nullptr);

// The count of one run. A file of up to kCountedAtOnce bytes is counted when this is made (a few
// milliseconds); a larger one on a thread of its own, so the first request does not wait for it.
class RecordCount {
public:
    static constexpr int64_t kCountedAtOnce = 8 << 20;

    RecordCount(const std::string& path, int32_t skip);
    // Stops a count still going on and waits for its thread.
    ~RecordCount();
    RecordCount(const RecordCount&) = delete;
    RecordCount& operator=(const RecordCount&) = delete;

    // The number of records, -1 while it is not known (still counting, or the file could not be read).
    int64_t total() const { return m_total.load(std::memory_order_acquire); }
    // Waits for a count going on beside the run (for tests and benchmarks).
    void wait();

private:
    std::atomic<int64_t> m_total{-1};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace torvane
