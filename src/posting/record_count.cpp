#include "posting/record_count.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace torvane {

namespace {
constexpr char kCtrlZ = 26;
constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
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
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return -1;
    std::vector<char> buffer(kChunk);
    LineCounter counter;
    while (!counter.ended()) {
        if (stop && stop->load(std::memory_order_relaxed))
            return -1;
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got == 0) {
            if (std::ferror(file.get()))
                return -1;
            break;
        }
        counter.feed(std::string_view(buffer.data(), got));
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
