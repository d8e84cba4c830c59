// The traffic log: while switched on, every byte the client writes and reads and every connect and
// disconnect is appended to "DebugFile.log" in the working directory, so a failed exchange can be
// read afterwards byte for byte.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "util/secrets.h"

namespace torvane {

inline constexpr const char* kTrafficLogFileName = "DebugFile.log";

// "Sent"/"Recv" time stamp: short date, a blank and HH:mm:ss; at exactly midnight the date alone.
std::string trafficLogTimeStamp(const std::tm& local);

class TrafficLog {
public:
    using LocalTime = std::function<std::tm()>;
    explicit TrafficLog(std::string fileName = kTrafficLogFileName, LocalTime localTime = {});
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    // Switching on opens (or creates) the file and keeps it open; throws the file's error texts.
    void setActive(bool on);
    bool active() const { return m_fd >= 0; }

    // Secrets of the run are masked in every entry from now on (nullptr: nothing is masked).
    void setRedactor(const Redactor* redactor) { m_redactor = redactor; }

    void connected();
    void disconnected();
    // A line of its own about the exchange, such as a redirection into the clear.
    void note(const std::string& text);
    void sent(std::string_view bytes);
    void received(std::string_view bytes);

private:
    void append(const std::string& entry);
    void appendStamped(const char* kind, std::string_view bytes);

    std::string m_fileName;
    LocalTime m_localTime;
    int m_fd = -1;
    const Redactor* m_redactor = nullptr;
};

}  // namespace torvane
