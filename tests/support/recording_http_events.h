// Records the HTTP client's progress events as readable lines ("status Connected.", "workBegin R 27").
#pragma once

#include <string>
#include <vector>

#include "http/http_events.h"

namespace torvane::test {

class RecordingHttpEvents : public HttpEvents {
public:
    std::vector<std::string> lines;

    void status(const std::string& text) override { lines.push_back("status " + text); }
    void workBegin(WorkDirection d, int64_t count) override
    {
        lines.push_back("workBegin " + dir(d) + " " + std::to_string(count));
    }
    void work(WorkDirection d, int64_t count) override { lines.push_back("work " + dir(d) + " " + std::to_string(count)); }
    void workEnd(WorkDirection d) override { lines.push_back("workEnd " + dir(d)); }
    void tlsStatus(const std::string& text) override { lines.push_back("tlsStatus " + text); }
    void tlsStatusInfo(const std::string& text) override { lines.push_back("tlsStatusInfo " + text); }

    // The lines without "work ..." progress counts, whose number depends on how bytes arrive.
    std::vector<std::string> withoutProgress() const
    {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind("work ", 0) != 0)
                out.push_back(l);
        return out;
    }

private:
    static std::string dir(WorkDirection d) { return d == WorkDirection::Read ? "R" : "W"; }
};

}  // namespace torvane::test
