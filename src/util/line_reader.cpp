#include "util/line_reader.h"

#include "util/error.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace torvane {

namespace {
constexpr char kCtrlZ = 26;
}  // namespace

LineReader::~LineReader()
{
    close();
}

int LineReader::openFile(const std::string& path, bool refuseDirectory)
{
    close();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno;
    struct stat st {};
    const bool known = fstat(fileno(f), &st) == 0;
    if (known && refuseDirectory && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return EISDIR;
    }
    m_file = f;
    m_seekable = known && S_ISREG(st.st_mode);
    m_open = true;
    m_eof = false;
    return 0;
}

void LineReader::openText(std::string bytes)
{
    close();
    m_buffer = std::move(bytes);
    // A Ctrl-Z ends the text: nothing after it is read.
    if (const void* z = std::memchr(m_buffer.data(), kCtrlZ, m_buffer.size()))
        m_buffer.resize(static_cast<size_t>(static_cast<const char*>(z) - m_buffer.data()));
    m_end = m_buffer.size();
    m_open = true;
}

void LineReader::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_open = false;
    m_seekable = false;
    m_eof = true;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferStart = 0;
    m_begin = m_end = 0;
}

void LineReader::fail(int err) const
{
    throw Error(m_wording ? m_wording(err) : std::string(std::strerror(err)));
}

void LineReader::seek(uint64_t offset)
{
    if (!canSeek())
        fail(EACCES);
    if (!m_file) {
        m_begin = static_cast<size_t>(std::min<uint64_t>(offset, m_end));
        return;
    }
    if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0)
        fail(errno);
    m_bufferStart = offset;
    m_begin = m_end = 0;
    m_eof = false;
}

bool LineReader::fill()
{
    if (m_eof || !m_file)
        return false;
    m_bufferStart += m_end;
    m_begin = m_end = 0;
    m_buffer.resize(kBlockSize);
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (m_end == 0) {
        if (std::ferror(m_file))
            fail(errno);
        m_eof = true;
        return false;
    }
    if (const void* z = std::memchr(m_buffer.data(), kCtrlZ, m_end)) {
        m_end = static_cast<size_t>(static_cast<const char*>(z) - m_buffer.data());
        m_eof = true;
        return m_end > 0;
    }
    return true;
}

bool LineReader::atEnd()
{
    return m_begin == m_end && !fill();
}

std::string_view LineReader::nextPiece()
{
    if (atEnd())
        return {};
    const std::string_view piece(m_buffer.data() + m_begin, m_end - m_begin);
    m_begin = m_end;
    return piece;
}

template <typename Sink> bool LineReader::consumeLine(Sink&& sink)
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

namespace {
// Every carriage return goes: the one before the line feed ends the line, any other is dropped.
void dropCarriageReturns(std::string& line)
{
    if (line.find('\r') != std::string::npos)
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
}
}  // namespace

bool LineReader::readLine(std::string& line)
{
    line.clear();
    const bool got = consumeLine([&line](const char* p, size_t n) { line.append(p, n); });
    dropCarriageReturns(line);
    return got;
}

bool LineReader::readLine(std::string& line, size_t limit, bool& cut)
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
    dropCarriageReturns(line);
    return got;
}

bool LineReader::skipLine()
{
    return consumeLine([](const char*, size_t) {});
}

}  // namespace torvane
