#include "http/tls_transport.h"

#include "http/tls_library.h"

namespace torvane {

TlsTransport::TlsTransport(Clock& clock, StatusInfo statusInfo)
    : Connection(clock), m_statusInfo(std::move(statusInfo))
{
}

TlsTransport::~TlsTransport()
{
    close();
}

bool TlsTransport::encrypting() const
{
    return m_tls && m_tls->handshakeDone();
}

void TlsTransport::setPassThrough(bool on)
{
    if (on == m_passThrough)
        return;
    if (!on) {
        loadTlsLibrary();
        m_passThrough = false;
        if (connected()) {
            if (!m_tls)
                m_tls = std::make_unique<TlsConnection>(m_statusInfo);
            m_tls->handshake(socketHandle(), m_host);
        }
        return;
    }
    m_passThrough = true;
}

void TlsTransport::afterConnect(const std::string& host)
{
    m_host = host;
    // Every connection gets its context; in pass-through a missing library is no obstacle.
    try {
        m_tls = std::make_unique<TlsConnection>(m_statusInfo);
    } catch (const Error&) {
        if (!m_passThrough)
            throw;
        m_tls.reset();
    }
    if (!m_passThrough)
        m_tls->handshake(socketHandle(), host);
}

void TlsTransport::beforeClose()
{
    if (m_tls && m_tls->handshakeDone())
        m_tls->shutdown();
    m_tls.reset();
}

long TlsTransport::rawReceive(char* buf, size_t len)
{
    if (encrypting())
        return m_tls->read(buf, len);
    return Connection::rawReceive(buf, len);
}

long TlsTransport::rawSend(const char* buf, size_t len)
{
    if (encrypting())
        return m_tls->write(buf, len);
    return Connection::rawSend(buf, len);
}

}  // namespace torvane
