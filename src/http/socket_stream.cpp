#include "http/socket_stream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http/sliced_wait.h"
#include "util/clock.h"
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

// One address to connect to, with its text for the status line.
struct PeerAddress {
    sockaddr_storage addr{};
    socklen_t length = 0;
    std::string text;
};

PeerAddress ipv4Peer(in_addr address, const std::string& text)
{
    PeerAddress peer;
    auto* in = reinterpret_cast<sockaddr_in*>(&peer.addr);
    in->sin_family = AF_INET;
    in->sin_addr = address;
    peer.length = sizeof(sockaddr_in);
    peer.text = text;
    return peer;
}

PeerAddress peerOf(const addrinfo& info)
{
    PeerAddress peer;
    std::memcpy(&peer.addr, info.ai_addr, info.ai_addrlen);
    peer.length = socklen_t(info.ai_addrlen);
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = info.ai_family == AF_INET6
                          ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(info.ai_addr)->sin6_addr)
                          : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(info.ai_addr)->sin_addr);
    ::inet_ntop(info.ai_family, raw, text, sizeof text);
    peer.text = text;
    return peer;
}

// The bracketed IPv6 literal of a URL ("[::1]"), as an address; nothing for any other host.
std::optional<PeerAddress> ipv6Literal(const std::string& host)
{
    if (host.size() < 3 || host.front() != '[' || host.back() != ']')
        return std::nullopt;
    PeerAddress peer;
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&peer.addr);
    peer.text = host.substr(1, host.size() - 2);
    if (::inet_pton(AF_INET6, peer.text.c_str(), &in6->sin6_addr) != 1)
        return std::nullopt;
    in6->sin6_family = AF_INET6;
    peer.length = sizeof(sockaddr_in6);
    return peer;
}

// The platform's lookup of a name: the first IPv4 address, or with everyAddress every address of
// either family in the order given.
std::vector<PeerAddress> lookUp(const std::string& host, bool everyAddress)
{
    addrinfo hints{};
    hints.ai_family = everyAddress ? AF_UNSPEC : AF_INET;
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
    std::vector<PeerAddress> peers;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6)
            continue;
        PeerAddress peer = peerOf(*a);
        bool seen = false;
        for (const PeerAddress& p : peers)
            seen = seen || p.text == peer.text;
        if (!seen)
            peers.push_back(std::move(peer));
        if (!everyAddress)
            break;
    }
    ::freeaddrinfo(found);
    return peers;
}

// The addresses for host, reporting the lookup of a name.
std::vector<PeerAddress> resolve(const std::string& host, bool everyAddress, const DialHooks& hooks)
{
    in_addr v4{};
    if (parseIPv4(host, &v4))
        return {ipv4Peer(v4, host)};
    if (std::optional<PeerAddress> v6 = ipv6Literal(host))
        return {*v6};
    if (hooks.status)
        hooks.status("Resolving hostname " + host + ".");
    if (equalsIgnoreCaseAscii(host, "LOCALHOST")) {
        parseIPv4("127.0.0.1", &v4);
        if (!everyAddress)
            return {ipv4Peer(v4, "127.0.0.1")};
        // Both loopbacks, as the system's hosts file names them for localhost.
        return {*ipv6Literal("[::1]"), ipv4Peer(v4, "127.0.0.1")};
    }
    return lookUp(host, everyAddress);
}

std::unique_ptr<SocketStream> connectTo(Clock& clock, const PeerAddress& peer, int port, int limitMs,
                                        const DialHooks& hooks)
{
    const int family = peer.addr.ss_family;
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Error("Cannot allocate socket.");
    auto stream = std::make_unique<SocketStream>(fd);

    sockaddr_storage local{};
    local.ss_family = sa_family_t(family);
    const socklen_t localLength = family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), localLength) != 0)
        throw Error("Could not bind socket. Address and port are already in use.");

    sockaddr_storage to = peer.addr;
    if (family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&to)->sin6_port = htons(uint16_t(port));
    else
        reinterpret_cast<sockaddr_in*>(&to)->sin_port = htons(uint16_t(port));
    if (hooks.status)
        hooks.status("Connecting to " + peer.text + ".");

    // Connect without blocking so the wait can be cut into slices and given a limit.
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), peer.length) != 0) {
        if (errno != EINPROGRESS)
            raiseSocketError(errno);
        const int rc = waitInSlices(clock, limitMs, hooks.pump, [fd](int slice) {
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
    return stream;
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
    const std::vector<PeerAddress> peers = resolve(host, hooks.everyAddress, hooks);
    const int64_t deadline = m_clock.nowMs() + limitMs;
    // Each address in turn, within the one limit; the last failure is the one reported.
    for (size_t i = 0;; ++i) {
        const int left = limitMs == 0 ? 0 : int(std::max<int64_t>(1, deadline - m_clock.nowMs()));
        try {
            DialedStream dialed;
            dialed.stream = connectTo(m_clock, peers[i], port, left, hooks);
            dialed.address = peers[i].text;
            return dialed;
        } catch (const Error&) {
            if (i + 1 == peers.size() || (limitMs != 0 && m_clock.nowMs() >= deadline))
                throw;
        }
    }
}

}  // namespace torvane
