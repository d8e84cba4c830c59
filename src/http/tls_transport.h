// The TLS transport: a connection whose bytes are encrypted unless it is in pass-through, where it
// carries plain bytes like the plain connection. It outlives being attached to and detached from
// the client, and so may keep an open connection between requests.
#pragma once

#include <functional>
#include <string>

#include "http/connection.h"

namespace torvane {

class TlsTransport : public Connection {
public:
    using StatusInfo = std::function<void(const std::string&)>;
    TlsTransport(Clock& clock, StatusInfo statusInfo, Dialer* dialer = nullptr);
    ~TlsTransport() override;

    // Switching pass-through off loads the TLS library (failing with "Could not load SSL
    // library.") and, on an open connection, shakes hands at once.
    void setPassThrough(bool on);
    bool passThrough() const { return m_passThrough; }
    bool encrypting() const { return m_encrypting && connected(); }

protected:
    void afterConnect(const std::string& host) override;

private:
    // Puts the encryption over the open stream; a failed handshake closes the connection.
    void startEncryption();

    StatusInfo m_statusInfo;
    bool m_passThrough = true;
    bool m_encrypting = false;
};

}  // namespace torvane
