#include "posting/record_count.h"

#include "util/error.h"
#include "util/line_reader.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace torvane {

namespace {
constexpr char kCtrlZ = 26;
}  // namespace

void LineCounter::feed(std::string_view bytes)
{
    if (m_ended || bytes.empty())
        return;
    if (const void* z = std::memchr(bytes.data(), kCtrlZ, bytes.size())) {
        bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(z) - bytes.data()));
        m_ended = true;
    }
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lf) {
            m_inLine = true;
            return;
        }
        ++m_breaks;
        m_inLine = false;
        p = lf + 1;
    }
}

int64_t countExportRecords(const std::string& path, int32_t skip, const std::atomic<bool>* stop)
{
    LineReader file;
    if (file.openFile(path) != 0)
        return -1;
    LineCounter counter;
    try {
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return -1;
            const std::string_view piece = file.nextPiece();
            if (piece.empty())
                break;
            counter.feed(piece);
        }
    } catch (const Error&) {
        return -1;  // the file cannot be read: no count, the run itself will say why
    }
    return std::max<int64_t>(0, counter.lines() - std::max<int64_t>(0, skip));
}

RecordCount::RecordCount(const std::string& path, int32_t skip)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && info.st_size <= kCountedAtOnce) {
        m_total.store(countExportRecords(path, skip), std::memory_order_release);
        return;
    }
    m_thread = std::thread([this, path, skip] {
        m_total.store(countExportRecords(path, skip, &m_stop), std::memory_order_release);
    });
}

RecordCount::~RecordCount()
{
    m_stop.store(true);
    wait();
}

void RecordCount::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

}  // namespace torvane
