#include "http/tls_transport.h"

#include <cerrno>

#include "http/socket_stream.h"
#include "http/tls_library.h"

namespace torvane {

namespace {

// The encrypted stream: the TLS connection runs on the socket, and every byte goes through it.
class TlsStream : public ByteStream {
public:
    TlsStream(std::unique_ptr<SocketStream> socket, TlsLibrary& library, TlsConnection::StatusInfo statusInfo,
              const std::string& host, const TlsPolicy& policy)
        : m_socket(std::move(socket)), m_tls(library, std::move(statusInfo), policy)
    {
        m_tls.handshake(m_socket->handle(), host);
    }
    const TlsConnection& tls() const { return m_tls; }
    ~TlsStream() override { TlsStream::close(); }

    // A read only once the socket has something: the TLS layer on a blocking socket would wait.
    long readSome(char* dst, size_t max) override
    {
        if (m_socket->waitReadable(0) <= 0)
            return -EAGAIN;
        return result(m_tls.read(dst, max));
    }
    long writeSome(const char* src, size_t len) override { return result(m_tls.write(src, len)); }
    int waitReadable(int ms) override { return m_socket->waitReadable(ms); }
    void close() override
    {
        if (m_tls.handshakeDone())
            m_tls.shutdown();
        m_socket->close();
    }

private:
    static long result(long n) { return n >= 0 ? n : -long(errno); }

    std::unique_ptr<SocketStream> m_socket;
    TlsConnection m_tls;
};

}  // namespace

TlsTransport::TlsTransport(Clock& clock, TlsLibrary& library, StatusInfo statusInfo, Dialer* dialer)
    : Connection(clock, dialer), m_library(library), m_statusInfo(std::move(statusInfo))
{
}

TlsTransport::~TlsTransport()
{
    close();
}

void TlsTransport::setPassThrough(bool on)
{
    if (on == m_passThrough)
        return;
    if (!on) {
        m_library.load();
        m_passThrough = false;
        if (connected() && !m_encrypting)
            startEncryption();
        return;
    }
    m_passThrough = true;
}

void TlsTransport::afterConnect(const std::string& host)
{
    (void)host;
    m_encrypting = false;
    if (!m_passThrough)
        startEncryption();
}

void TlsTransport::startEncryption()
{
    std::unique_ptr<ByteStream> plain = takeStream();
    auto* socket = dynamic_cast<SocketStream*>(plain.get());
    if (!socket)
        throw Error("Error connecting with SSL.");  // only a socket can carry the encryption
    plain.release();
    // The name in the certificate and in SNI is the server's, never the proxy's; an IPv6 literal
    // is written there without its brackets.
    std::string name = peerHost();
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    m_peerChain.clear();
    m_verifyFailure.clear();
    // On failure the socket goes with the half-made stream: it cannot carry plain bytes any more.
    auto stream = std::make_unique<TlsStream>(std::unique_ptr<SocketStream>(socket), m_library, m_statusInfo,
                                              name, m_policy);
    if (m_policy.reportOnly) {
        m_peerChain = stream->tls().peerChain();
        m_verifyFailure = stream->tls().verifyFailure();
    }
    setStream(std::move(stream));
    m_encrypting = true;
}

}  // namespace torvane
