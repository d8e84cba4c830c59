// The TLS transport: a connection whose bytes are encrypted unless it is in pass-through, where it
// carries plain bytes like the plain connection. It outlives being attached to and detached from
// the client, and so may keep an open connection between requests.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "http/connection.h"

namespace torvane {

class TlsConnection;

class TlsTransport : public Connection {
public:
    using StatusInfo = std::function<void(const std::string&)>;
    TlsTransport(Clock& clock, StatusInfo statusInfo);
    ~TlsTransport() override;

    // Switching pass-through off loads the TLS library (failing with "Could not load SSL
    // library.") and, on an open connection, shakes hands at once.
    void setPassThrough(bool on);
    bool passThrough() const { return m_passThrough; }
    bool encrypting() const;

protected:
    long rawReceive(char* buf, size_t len) override;
    long rawSend(const char* buf, size_t len) override;
    void afterConnect(const std::string& host) override;
    void beforeClose() override;
    bool receivesWithoutWaiting() const override { return !encrypting(); }

private:
    StatusInfo m_statusInfo;
    bool m_passThrough = true;
    std::string m_host;
    std::unique_ptr<TlsConnection> m_tls;
};

}  // namespace torvane
