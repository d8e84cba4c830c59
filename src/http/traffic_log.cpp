#include "http/traffic_log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "util/dates.h"
#include "util/error.h"

namespace torvane {

namespace {

std::tm systemLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string two(int v)
{
    return std::string(1, char('0' + v / 10)) + char('0' + v % 10);
}

std::string fullPath(const std::string& name)
{
    std::error_code ec;
    const auto abs = std::filesystem::absolute(name, ec);
    return ec ? name : abs.lexically_normal().string();
}

}  // namespace

std::string trafficLogTimeStamp(const std::tm& t)
{
    std::string stamp = formatShortDate({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday});
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0)
        stamp += " " + two(t.tm_hour) + ":" + two(t.tm_min) + ":" + two(t.tm_sec);
    return stamp;
}

TrafficLog::TrafficLog(std::string fileName, LocalTime localTime)
    : m_fileName(std::move(fileName)), m_localTime(localTime ? std::move(localTime) : systemLocalTime)
{
}

TrafficLog::~TrafficLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TrafficLog::setActive(bool on)
{
    if (on == active())
        return;
    if (!on) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    // An existing log is appended to, never emptied; a new one is created.
    int fd = ::open(m_fileName.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(m_fileName.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            throw Error("Cannot create file \"" + fullPath(m_fileName) + "\". " + std::strerror(errno));
    } else if (fd < 0) {
        throw Error("Cannot open file \"" + fullPath(m_fileName) + "\". " + std::strerror(errno));
    }
    // Other programs may read the log while it is on, but nobody else should write into it.
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_fd = fd;
}

void TrafficLog::append(const std::string& entry)
{
    size_t done = 0;
    while (done < entry.size()) {
        const ssize_t n = ::write(m_fd, entry.data() + done, entry.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error("Stream write error");
        done += size_t(n);
    }
}

void TrafficLog::appendStamped(const char* kind, std::string_view bytes)
{
    std::string entry = kind;
    entry += trafficLogTimeStamp(m_localTime());
    entry += ": ";
    if (m_redactor && !m_redactor->empty())
        entry += m_redactor->apply(std::string(bytes));
    else
        entry.append(bytes);
    entry += "\r\n";
    append(entry);
}

void TrafficLog::connected()
{
    if (active())
        append("Stat Connected.\r\n");
}

void TrafficLog::disconnected()
{
    if (active())
        append("Stat Disconnected.\r\n");
}

void TrafficLog::note(const std::string& text)
{
    if (active())
        append("Stat " + text + "\r\n");
}

void TrafficLog::sent(std::string_view bytes)
{
    if (active())
        appendStamped("Sent ", bytes);
}

void TrafficLog::received(std::string_view bytes)
{
    if (active())
        appendStamped("Recv ", bytes);
}

}  // namespace torvane
