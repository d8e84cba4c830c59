#include "support/scripted_server.h"

#include "support/fake_stream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace torvane::test {

namespace {

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

ScriptedServer::ScriptedServer(int port, Loopback loopback) : m_loopback(loopback)
{
    const bool v6 = loopback == Loopback::IPv6Only;
    m_listen = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    ::setsockopt(m_listen, IPPROTO_IPV6, IPV6_V6ONLY, &reuse, sizeof reuse);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    sockaddr_in6 addr6{};
    addr6.sin6_family = AF_INET6;
    addr6.sin6_addr = in6addr_loopback;
    addr6.sin6_port = htons(static_cast<uint16_t>(port));
    auto* bound = v6 ? reinterpret_cast<sockaddr*>(&addr6) : reinterpret_cast<sockaddr*>(&addr);
    socklen_t len = v6 ? sizeof addr6 : sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, bound, len) != 0 || ::listen(m_listen, 16) != 0)
        throw std::runtime_error("scripted server: cannot listen");
    ::getsockname(m_listen, bound, &len);
    m_port = ntohs(v6 ? addr6.sin6_port : addr.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    m_changed.notify_all();
    m_acceptor.join();
    for (auto& t : m_workers)
        t.join();
    ::close(m_listen);
}

std::string ScriptedServer::url(const std::string& path) const
{
    const char* host = m_loopback == Loopback::IPv6Only ? "[::1]" : "127.0.0.1";
    return "http://" + std::string(host) + ":" + std::to_string(m_port) + path;
}

void ScriptedServer::queue(Reply reply)
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back(std::move(reply));
}

void ScriptedServer::queue(const std::string& bytes, bool closeAfter)
{
    Reply r;
    r.bytes = bytes;
    r.closeAfter = closeAfter;
    queue(std::move(r));
}

void ScriptedServer::respondWith(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

std::vector<std::string> ScriptedServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> ScriptedServer::waitForRequests(size_t n) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_requests.size() >= n; });
    return m_requests;
}

int ScriptedServer::unusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

void ScriptedServer::acceptLoop()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++m_connections;
        // A client that stops reading must not keep the server from shutting down.
        timeval limit{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        m_workers.emplace_back([this, fd] { serve(fd); });
    }
}

void ScriptedServer::serve(int fd)
{
    std::string buf;
    bool open = true;
    while (open && !m_stop) {
        // Collect one whole request.
        size_t length = 0;
        bool peerClosed = false;
        while ((length = wholeRequestLength(buf)) == 0 && !m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char chunk[65536];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                peerClosed = true;
                break;
            }
            buf.append(chunk, size_t(n));
        }
        if (peerClosed || m_stop)
            break;
        Reply reply;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(buf.substr(0, length));
            if (!m_replies.empty()) {
                reply = std::move(m_replies.front());
                m_replies.pop_front();
            } else if (m_responder) {
                reply = m_responder(m_requests.back());
            }
        }
        m_changed.notify_all();
        buf.erase(0, length);

        if (reply.silent) {
            // Hold the connection until the client gives up or the server stops.
            while (!m_stop) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0) {
                    char c;
                    if (::recv(fd, &c, 1, 0) <= 0)
                        break;
                }
            }
            break;
        }
        const bool sent = sendAll(fd, reply.bytes.data(), reply.bytes.size());
        if (reply.reset) {
            linger l{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            break;
        }
        if (!sent || reply.closeAfter)
            break;
    }
    ::close(fd);
}

}  // namespace torvane::test
