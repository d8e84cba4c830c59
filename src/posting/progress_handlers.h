// The main window's handlers of the HTTP client's progress events: status panel 1 always, and with
// diagnostics on the information and diagnostics panes.
#pragma once

#include <functional>
#include <string>

#include "http/http_events.h"

namespace torvane {

class Host;

class ProgressHandlers : public HttpEvents {
public:
    // diagnosticsOn is read at every event; statusLine gives the client's last response status line.
    ProgressHandlers(Host& host, const bool& diagnosticsOn, std::function<std::string()> statusLine = {});
    // Handlers made before the engine whose diagnostics flag they read: the flag is off until follow().
    explicit ProgressHandlers(Host& host) : ProgressHandlers(host, kNoDiagnostics) {}
    void follow(const bool& diagnosticsOn, std::function<std::string()> statusLine)
    {
        m_diagnosticsOn = &diagnosticsOn;
        m_statusLine = std::move(statusLine);
    }

    void HTTP1Status(const std::string& text);
    void HTTP1WorkBegin(int64_t count);
    void HTTP1Work(int64_t count);
    void HTTP1WorkEnd();
    void SSLTransport1Status(const std::string& text);
    void SSLTransport1StatusInfo(const std::string& text);

    void status(const std::string& text) override { HTTP1Status(text); }
    void workBegin(WorkDirection, int64_t count) override { HTTP1WorkBegin(count); }
    void work(WorkDirection, int64_t count) override { HTTP1Work(count); }
    void workEnd(WorkDirection) override { HTTP1WorkEnd(); }
    void tlsStatus(const std::string& text) override { SSLTransport1Status(text); }
    void tlsStatusInfo(const std::string& text) override { SSLTransport1StatusInfo(text); }

private:
    Host& m_host;
    static constexpr bool kNoDiagnostics = false;
    const bool* m_diagnosticsOn;
    std::function<std::string()> m_statusLine;
};

}  // namespace torvane
