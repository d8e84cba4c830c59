#include "http/socket_stream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/sliced_wait.h"
#include "http/socket_error.h"
#include "util/error.h"
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

[[noreturn]] void raiseSocketError(int posixErrno)
{
    throw Error(socketErrorMessage(socketErrorNumber(posixErrno)));
}

long resultOf(long n)
{
    return n >= 0 ? n : -long(errno);
}

// The peer's address for host, reporting the lookup of a name.
in_addr resolve(const std::string& host, std::string& address, const DialHooks& hooks)
{
    in_addr peer{};
    if (parseIPv4(host, &peer)) {
        address = host;
        return peer;
    }
    if (hooks.status)
        hooks.status("Resolving hostname " + host + ".");
    if (equalsIgnoreCaseAscii(host, "LOCALHOST")) {
        address = "127.0.0.1";
        parseIPv4(address, &peer);
        return peer;
    }
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
    peer = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer, text, sizeof text);
    address = text;
    return peer;
}

}  // namespace

bool isIPv4AddressText(std::string_view text)
{
    return parseIPv4(text, nullptr);
}

SocketStream::~SocketStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

long SocketStream::readSome(char* dst, size_t max)
{
    return resultOf(::recv(m_fd, dst, max, MSG_DONTWAIT));
}

long SocketStream::writeSome(const char* src, size_t len)
{
    return resultOf(::send(m_fd, src, len, MSG_NOSIGNAL));
}

int SocketStream::waitReadable(int ms)
{
    pollfd p{m_fd, POLLIN, 0};
    const int rc = ::poll(&p, 1, ms);
    return rc > 0 ? 1 : rc == 0 ? 0 : -errno;
}

void SocketStream::close()
{
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_WR);
    ::close(m_fd);
    m_fd = -1;
}

DialedStream SocketDialer::dial(const std::string& host, int port, int limitMs, const DialHooks& hooks)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Error("Cannot allocate socket.");
    auto stream = std::make_unique<SocketStream>(fd);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw Error("Could not bind socket. Address and port are already in use.");

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(uint16_t(port));
    DialedStream dialed;
    peer.sin_addr = resolve(host, dialed.address, hooks);
    if (hooks.status)
        hooks.status("Connecting to " + dialed.address + ".");

    // Connect without blocking so the wait can be cut into slices and given a limit.
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS)
            raiseSocketError(errno);
        const int rc = waitInSlices(m_clock, limitMs, hooks.pump, [fd](int slice) {
            pollfd p{fd, POLLOUT, 0};
            const int n = ::poll(&p, 1, slice);
            return n > 0 ? 1 : n == 0 ? 0 : -errno;
        });
        if (rc == 0)
            throw Error(socketErrorMessage(kSocketErrorTimedOut));
        if (rc < 0)
            raiseSocketError(-rc);
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0)
            raiseSocketError(err);
    }
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Reads only happen once a wait says data is there; a send that the peer never drains must not
    // block for ever either.
    timeval sendLimit{60, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    dialed.stream = std::move(stream);
    return dialed;
}

}  // namespace torvane
