// The progress events of the HTTP client and its TLS transport, delivered to whoever shows them
// (the main window's handlers, a command-line printer, test recorders).
#pragma once

#include <cstdint>
#include <string>

namespace torvane {

enum class WorkDirection { Read, Write };

class HttpEvents {
public:
    virtual ~HttpEvents() = default;
    // Status texts of the client and of the plain connection it created ("Connected.", ...).
    virtual void status(const std::string& text) = 0;
    virtual void workBegin(WorkDirection direction, int64_t count) = 0;
    virtual void work(WorkDirection direction, int64_t count) = 0;
    virtual void workEnd(WorkDirection direction) = 0;
    // "Resolving hostname %s." and "Connecting to %s." of the TLS transport.
    virtual void tlsStatus(const std::string& text) = 0;
    // Handshake information of the TLS transport.
    virtual void tlsStatusInfo(const std::string& text) = 0;
};

// Events nobody watches: a connection on a thread where nothing may be shown, a benchmark.
class QuietEvents : public HttpEvents {
public:
    void status(const std::string&) override {}
    void workBegin(WorkDirection, int64_t) override {}
    void work(WorkDirection, int64_t) override {}
    void workEnd(WorkDirection) override {}
    void tlsStatus(const std::string&) override {}
    void tlsStatusInfo(const std::string&) override {}
};

}  // namespace torvane
