#include "posting/export_file.h"

#include "util/error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace torvane {

namespace {
constexpr size_t kBufferSize = 1 << 20;
constexpr char kCtrlZ = 26;
}  // namespace

ExportFileReader::ExportFileReader(const std::string& path) : m_path(path)
{
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        throw Error("Cannot open file \"" + path + "\". " + std::strerror(errno));
    m_buffer.resize(kBufferSize);
}

ExportFileReader::~ExportFileReader()
{
    close();
}

void ExportFileReader::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_eof = true;
    m_begin = m_end = 0;
}

bool ExportFileReader::fill()
{
    if (m_eof || !m_file)
        return false;
    m_begin = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (m_end == 0) {
        if (std::ferror(m_file))
            throw Error("Read error on file \"" + m_path + "\". " + std::strerror(errno));
        m_eof = true;
        return false;
    }
    // A Ctrl-Z ends the file: nothing after it is read.
    if (const void* z = std::memchr(m_buffer.data(), kCtrlZ, m_end)) {
        m_end = static_cast<size_t>(static_cast<const char*>(z) - m_buffer.data());
        m_eof = true;
        return m_end > 0;
    }
    return true;
}

bool ExportFileReader::atEnd()
{
    return m_begin == m_end && !fill();
}

template <typename Sink> bool ExportFileReader::consumeLine(Sink&& sink)
{
    m_raw.clear();
    if (atEnd())
        return false;
    for (;;) {
        const char* start = m_buffer.data() + m_begin;
        const size_t available = m_end - m_begin;
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', available));
        if (lf) {
            sink(start, static_cast<size_t>(lf - start));
            if (m_keepRaw)
                m_raw.append(start, static_cast<size_t>(lf - start) + 1);
            m_begin += static_cast<size_t>(lf - start) + 1;
            return true;
        }
        sink(start, available);
        if (m_keepRaw)
            m_raw.append(start, available);
        m_begin = m_end;
        if (!fill())
            return true;  // a last line without a line break
    }
}

bool ExportFileReader::readLine(std::string& line)
{
    line.clear();
    const bool got = consumeLine([&line](const char* p, size_t n) { line.append(p, n); });
    // Every carriage return goes: the one before the line feed ends the line, any other is dropped.
    if (got && line.find('\r') != std::string::npos)
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    return got;
}

bool ExportFileReader::readLine(std::string& line, size_t limit, bool& cut)
{
    line.clear();
    cut = false;
    const bool got = consumeLine([&](const char* p, size_t n) {
        const size_t room = limit > line.size() ? limit - line.size() : 0;
        // Carriage returns are dropped from every line anyway; leaving them out cuts nothing.
        if (n > room && !std::all_of(p + room, p + n, [](char c) { return c == '\r'; }))
            cut = true;
        line.append(p, std::min(n, room));
    });
    if (got && line.find('\r') != std::string::npos)
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    return got;
}

bool ExportFileReader::skipLine()
{
    return consumeLine([](const char*, size_t) {});
}

int32_t skipLeadingLines(ExportFileReader& file, int32_t count, const std::function<void(std::string_view raw)>& skipped)
{
    int32_t done = 0;
    while (done < count && file.skipLine()) {
        ++done;
        if (skipped)
            skipped(file.raw());
    }
    return done;
}

}  // namespace torvane
