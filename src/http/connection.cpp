#include "http/connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/body_buffer.h"
#include "http/socket_error.h"
#include "util/clock.h"
#include "util/text.h"

namespace torvane {

namespace {

// Four dot-separated decimal numbers of 0 to 255; fills the address in network order.
bool parseIPv4(std::string_view text, in_addr* out)
{
    uint32_t value = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t digits = 0;
        unsigned part = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10 + unsigned(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || part > 255)
            return false;
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.')
                return false;
            ++i;
        }
    }
    if (i != text.size())
        return false;
    if (out)
        out->s_addr = htonl(value);
    return true;
}

bool isTransient(int e)
{
    return e == EINTR || e == EAGAIN || e == EWOULDBLOCK;
}

}  // namespace

bool isIPv4AddressText(std::string_view text)
{
    return parseIPv4(text, nullptr);
}

Connection::Connection(Clock& clock) : m_clock(clock) {}

Connection::~Connection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Connection::status(const std::string& text)
{
    if (m_hooks.status)
        m_hooks.status(text);
}

void Connection::pump()
{
    if (m_hooks.pump)
        m_hooks.pump();
}

void Connection::raiseSocketError(int posixErrno)
{
    throw Error(socketErrorMessage(socketErrorNumber(posixErrno)));
}

void Connection::connect(const std::string& host, int port)
{
    if (m_fd >= 0)
        closeSocket();
    m_closedByServer = false;
    m_begin = m_end = m_searched = 0;

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Error("Cannot allocate socket.");
    struct FdGuard {
        int fd;
        ~FdGuard() { if (fd >= 0) ::close(fd); }
    } guard{fd};

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw Error("Could not bind socket. Address and port are already in use.");

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(uint16_t(port));
    std::string address;
    if (parseIPv4(host, &peer.sin_addr)) {
        address = host;
    } else {
        status("Resolving hostname " + host + ".");
        if (equalsIgnoreCaseAscii(host, "LOCALHOST")) {
            address = "127.0.0.1";
            parseIPv4(address, &peer.sin_addr);
        } else {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const int rc = host.empty() || host.find('\0') != std::string::npos
                               ? EAI_NONAME
                               : ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
            if (rc != 0 || !found) {
                if (found)
                    ::freeaddrinfo(found);
                if (rc == EAI_SYSTEM)
                    raiseSocketError(errno);
                throw Error(socketErrorMessage(rc == EAI_AGAIN ? 11002 : kSocketErrorHostNotFound));
            }
            peer.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
            ::freeaddrinfo(found);
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            address = text;
        }
    }
    status("Connecting to " + address + ".");

    // Connect without blocking so the wait can be cut into slices and given a limit.
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS)
            raiseSocketError(errno);
        const int64_t start = m_clock.nowMs();
        for (;;) {
            int slice = kWaitSliceMs;
            if (m_connectTimeoutMs > 0) {
                const int64_t left = m_connectTimeoutMs - (m_clock.nowMs() - start);
                if (left <= 0)
                    throw Error(socketErrorMessage(kSocketErrorTimedOut));
                slice = int(std::min<int64_t>(slice, left));
            }
            pollfd p{fd, POLLOUT, 0};
            const int rc = ::poll(&p, 1, slice);
            if (rc > 0)
                break;
            if (rc < 0 && errno != EINTR)
                raiseSocketError(errno);
            if (rc == 0)
                pump();
        }
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0)
            raiseSocketError(err);
    }
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Reads only happen once poll says data is there; a send that the peer never drains must not
    // block for ever either.
    timeval sendLimit{60, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);

    guard.fd = -1;
    m_fd = fd;
    m_peerAddress = address;
    m_peerPort = port;
    afterConnect(host);
}

void Connection::closeSocket()
{
    if (m_fd < 0)
        return;
    beforeClose();
    ::shutdown(m_fd, SHUT_WR);
    ::close(m_fd);
    m_fd = -1;
}

void Connection::close()
{
    closeSocket();
}

long Connection::rawReceive(char* buf, size_t len)
{
    return ::recv(m_fd, buf, len, 0);
}

long Connection::rawSend(const char* buf, size_t len)
{
    return ::send(m_fd, buf, len, MSG_NOSIGNAL);
}

bool Connection::readable(int ms)
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, ms);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

bool Connection::checkForClose(int ms)
{
    if (!connected())
        return true;
    if (!readable(ms))
        return false;
    ensureSpace(kReceiveBlock);
    const long n = rawReceive(m_buf.data() + m_end, kReceiveBlock);
    if (n > 0) {
        if (m_hooks.received)
            m_hooks.received(std::string_view(m_buf.data() + m_end, size_t(n)));
        m_end += size_t(n);
        return false;
    }
    if (n < 0 && isTransient(errno))
        return false;
    // Zero bytes, or a connection broken while idle: either way it cannot carry the next request.
    noticeServerClose();
    return true;
}

void Connection::waitForData(int limitMs)
{
    const int64_t start = limitMs > 0 ? m_clock.nowMs() : 0;
    for (;;) {
        int slice = kWaitSliceMs;
        if (limitMs > 0) {
            const int64_t left = limitMs - (m_clock.nowMs() - start);
            if (left <= 0)
                throw Error("Read Timeout");
            slice = int(std::min<int64_t>(slice, left));
        }
        pollfd p{m_fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, slice);
        if (rc > 0)
            return;
        if (rc < 0 && errno != EINTR)
            raiseSocketError(errno);
        if (rc == 0)
            pump();
    }
}

void Connection::noticeServerClose()
{
    closeSocket();
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
    if (m_fd < 0)
        throw Error("Not Connected");
    long n = -1;
    // On a busy connection the data is usually there already; looking first saves a wait.
    if (receivesWithoutWaiting())
        n = ::recv(m_fd, dst, max, MSG_DONTWAIT);
    if (n < 0 && (!receivesWithoutWaiting() || errno == EAGAIN || errno == EWOULDBLOCK)) {
        waitForData(m_readTimeoutMs);
        n = rawReceive(dst, max);
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
    const int e = errno;
    if (isTransient(e))
        return -1;
    const int number = socketErrorNumber(e);
    if (number == kSocketErrorShutdown || number == kSocketErrorAborted) {
        if (bufferHoldsBytes) {
            noticeServerClose();
            return 0;
        }
        closeSocket();
    }
    throw Error(socketErrorMessage(number));
}

bool Connection::receiveOnce()
{
    if (m_fd < 0)
        throw Error("Not Connected");
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
        const long n = receiveSome(dst, std::min(max, kReceiveBlock), false);
        if (n >= 0)
            return size_t(n);
    }
}

std::string Connection::take(size_t n)
{
    std::string out(m_buf.data() + m_begin, n);
    m_begin += n;
    m_searched = 0;
    if (m_begin == m_end)
        m_begin = m_end = 0;
    return out;
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
            take(length + 1);
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

bool Connection::waitFor(size_t count)
{
    while (buffered() < count) {
        if (m_closedByServer || m_fd < 0)
            return false;
        if (!receiveOnce())
            return false;
    }
    return true;
}

size_t Connection::appendBuffered(BodyBuffer& out, size_t max)
{
    const size_t n = std::min(max, buffered());
    out.append(m_buf.data() + m_begin, n);
    m_begin += n;
    m_searched = 0;
    if (m_begin == m_end)
        m_begin = m_end = 0;
    return n;
}

std::string Connection::readBlock(size_t count)
{
    if (!waitFor(count)) {
        if (!m_closedByServer && m_fd < 0)
            throw Error("Not Connected");
        throw ClosedGracefully();
    }
    return take(count);
}

std::string Connection::readUntilClose()
{
    std::string out = take(buffered());
    while (m_fd >= 0 && !m_closedByServer) {
        if (!receiveOnce())
            break;
        out.append(m_buf.data() + m_begin, buffered());
        m_begin = m_end = m_searched = 0;
    }
    out.append(take(buffered()));
    return out;
}

void Connection::write(std::string_view bytes)
{
    if (m_closedByServer)
        throw ClosedGracefully();
    if (m_fd < 0)
        throw Error("Not Connected");
    if (m_hooks.sent)
        m_hooks.sent(bytes);
    size_t done = 0;
    while (done < bytes.size()) {
        const long n = rawSend(bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n == 0) {
            noticeServerClose();
            throw ClosedGracefully();
        }
        const int e = errno;
        if (e == EINTR)
            continue;
        // The send limit ran out: the peer stopped taking bytes.
        const int number = isTransient(e) ? kSocketErrorTimedOut : socketErrorNumber(e);
        if (number == kSocketErrorShutdown || number == kSocketErrorAborted || number == kSocketErrorReset)
            closeSocket();
        throw Error(socketErrorMessage(number));
    }
}

}  // namespace torvane
