// The TLS transport: a connection whose bytes are encrypted unless it is in pass-through, where it
// carries plain bytes like the plain connection. It outlives being attached to and detached from
// the client, and so may keep an open connection between requests.
#pragma once

#include <functional>
#include <string>

#include "http/connection.h"
#include "http/tls_library.h"

#include <vector>

namespace torvane {

class TlsTransport : public Connection {
public:
    using StatusInfo = std::function<void(const std::string&)>;
    // The library is used from the first handshake on and must outlive the transport.
    TlsTransport(Clock& clock, TlsLibrary& library, StatusInfo statusInfo, Dialer* dialer = nullptr);
    ~TlsTransport() override;

    // Switching pass-through off loads the TLS library (failing with "Could not load SSL
    // library.") and, on an open connection, shakes hands at once.
    void setPassThrough(bool on);
    bool passThrough() const { return m_passThrough; }
    bool encrypting() const { return m_encrypting && connected(); }
    // What the next handshakes check and show; the default checks nothing.
    void setPolicy(TlsPolicy policy) { m_policy = std::move(policy); }
    // After a handshake with a policy that only reports: the server's chain and the check's verdict.
    const std::vector<PeerCertificate>& peerChain() const { return m_peerChain; }
    const std::string& verifyFailure() const { return m_verifyFailure; }

protected:
    void afterConnect(const std::string& host) override;

private:
    // Puts the encryption over the open stream; a failed handshake closes the connection.
    void startEncryption();

    TlsLibrary& m_library;
    StatusInfo m_statusInfo;
    TlsPolicy m_policy;
    std::vector<PeerCertificate> m_peerChain;
    std::string m_verifyFailure;
    bool m_passThrough = true;
    bool m_encrypting = false;
};

}  // namespace torvane
