#include "http/connection.h"

#include <cerrno>
#include <cstring>

#include "http/body_buffer.h"
#include "http/sliced_wait.h"
#include "http/socket_error.h"
#include "http/socket_stream.h"
#include "util/clock.h"

namespace torvane {

namespace {

bool isTransient(int e)
{
    return e == EINTR || e == EAGAIN || e == EWOULDBLOCK;
}

[[noreturn]] void raiseSocketError(int posixErrno)
{
    throw Error(socketErrorMessage(socketErrorNumber(posixErrno)));
}

}  // namespace

Connection::Connection(Clock& clock, Dialer* dialer) : m_clock(clock), m_dialer(dialer)
{
    if (!m_dialer) {
        m_ownDialer = std::make_unique<SocketDialer>(clock);
        m_dialer = m_ownDialer.get();
    }
}

Connection::~Connection() = default;

void Connection::status(const std::string& text)
{
    if (m_hooks.status)
        m_hooks.status(text);
}

void Connection::connect(const std::string& host, int port, const ProxyHop* hop)
{
    closeStream();
    m_closedByServer = false;
    m_begin = m_end = m_searched = 0;

    DialHooks hooks{m_hooks.status, m_hooks.pump, m_everyAddress};
    DialedStream dialed = m_dialer->dial(hop ? hop->host : host, hop ? hop->port : port, m_connectTimeoutMs, hooks);
    m_stream = std::move(dialed.stream);
    m_peerHost = host;
    m_peerAddress = std::move(dialed.address);
    m_peerPort = port;
    m_proxyKey = hop ? hop->host + ":" + std::to_string(hop->port) : std::string();
    if (hop && hop->openTunnel)
        hop->openTunnel(*this);
    afterConnect(host);
}

void Connection::closeStream()
{
    if (!m_stream)
        return;
    m_stream->close();
    m_stream.reset();
}

void Connection::close()
{
    closeStream();
}

bool Connection::checkForClose(int ms)
{
    if (!connected())
        return true;
    if (m_stream->waitReadable(ms) <= 0)
        return false;
    ensureSpace(kReceiveBlock);
    const long n = m_stream->readSome(m_buf.data() + m_end, kReceiveBlock);
    if (n > 0) {
        if (m_hooks.received)
            m_hooks.received(std::string_view(m_buf.data() + m_end, size_t(n)));
        m_end += size_t(n);
        return false;
    }
    if (n < 0 && isTransient(int(-n)))
        return false;
    // Zero bytes, or a connection broken while idle: either way it cannot carry the next request.
    noticeServerClose();
    return true;
}

void Connection::waitForData(int limitMs)
{
    const int rc = waitInSlices(m_clock, limitMs, m_hooks.pump, [this](int slice) { return m_stream->waitReadable(slice); });
    if (rc == 0)
        throw Error("Read Timeout");
    if (rc < 0)
        raiseSocketError(-rc);
}

void Connection::noticeServerClose()
{
    closeStream();
    m_closedByServer = true;
    if (m_hooks.closedByServer)
        m_hooks.closedByServer();
}

void Connection::ensureSpace(size_t extra)
{
    if (m_buf.size() - m_end >= extra)
        return;
    if (m_begin > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_buf.size() - m_end < extra)
        m_buf.resize(std::max(m_buf.size() * 2, m_end + extra));
}

long Connection::receiveSome(char* dst, size_t max, bool bufferHoldsBytes)
{
    if (!m_stream)
        throw Error("Not Connected");
    // On a busy connection the data is usually there already; looking first saves a wait.
    long n = m_stream->readSome(dst, max);
    if (n == -EAGAIN || n == -EWOULDBLOCK) {
        waitForData(m_readTimeoutMs);
        n = m_stream->readSome(dst, max);
    }
    if (n > 0) {
        if (m_hooks.received)
            m_hooks.received(std::string_view(dst, size_t(n)));
        return n;
    }
    if (n == 0) {
        noticeServerClose();
        return 0;
    }
    const int e = int(-n);
    if (isTransient(e))
        return -1;
    const int number = socketErrorNumber(e);
    if (number == kSocketErrorShutdown || number == kSocketErrorAborted) {
        if (bufferHoldsBytes) {
            noticeServerClose();
            return 0;
        }
        closeStream();
    }
    throw Error(socketErrorMessage(number));
}

bool Connection::receiveOnce()
{
    ensureSpace(kReceiveBlock);
    const long n = receiveSome(m_buf.data() + m_end, kReceiveBlock, buffered() > 0);
    if (n > 0)
        m_end += size_t(n);
    return n != 0;
}

size_t Connection::receiveInto(char* dst, size_t max)
{
    for (;;) {
        if (m_closedByServer)
            return 0;
        const long n = receiveSome(dst, std::min(max, kBodyReceiveBlock), false);
        if (n >= 0)
            return size_t(n);
    }
}

void Connection::consume(size_t n)
{
    m_begin += n;
    m_searched = 0;
    if (m_begin == m_end)
        m_begin = m_end = 0;
}

std::string Connection::readLine()
{
    for (;;) {
        const char* start = m_buf.data() + m_begin;
        const size_t avail = buffered();
        const void* lf = avail > m_searched ? std::memchr(start + m_searched, '\n', avail - m_searched) : nullptr;
        if (lf) {
            const size_t length = size_t(static_cast<const char*>(lf) - start);
            if (length > kMaxLineLength)
                throw Error("Max line length exceeded.");
            std::string line(start, length);
            consume(length + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        m_searched = avail;
        if (avail > kMaxLineLength)
            throw Error("Max line length exceeded.");
        if (m_closedByServer)
            throw ClosedGracefully();
        if (!receiveOnce()) {
            // The close with bytes still waiting ends the line read; the bytes stay unread.
            if (buffered() > 0)
                return {};
            throw ClosedGracefully();
        }
    }
}

size_t Connection::appendBuffered(BodyBuffer& out, size_t max)
{
    const size_t n = std::min(max, buffered());
    out.append(m_buf.data() + m_begin, n);
    consume(n);
    return n;
}

void Connection::write(std::string_view bytes)
{
    write(bytes, bytes);
}

void Connection::write(std::string_view bytes, std::string_view logged)
{
    if (m_closedByServer)
        throw ClosedGracefully();
    if (!m_stream)
        throw Error("Not Connected");
    if (m_hooks.sent && (!logged.empty() || bytes.empty()))
        m_hooks.sent(logged);
    size_t done = 0;
    while (done < bytes.size()) {
        const long n = m_stream->writeSome(bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n == 0) {
            noticeServerClose();
            throw ClosedGracefully();
        }
        const int e = int(-n);
        if (e == EINTR)
            continue;
        // The send limit ran out: the peer stopped taking bytes.
        const int number = isTransient(e) ? kSocketErrorTimedOut : socketErrorNumber(e);
        if (number == kSocketErrorShutdown || number == kSocketErrorAborted || number == kSocketErrorReset)
            closeStream();
        throw Error(socketErrorMessage(number));
    }
}

}  // namespace torvane
