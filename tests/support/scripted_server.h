// A loopback HTTP server for tests: it answers each request it receives with the next scripted
// reply and records the exact bytes of every request. Replies can be cut short, end with a close
// or a reset, or never come.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace torvane::test {

class ScriptedServer {
public:
    struct Reply {
        std::string bytes;
        // Close the connection after the reply; otherwise wait for the next request on it.
        bool closeAfter = true;
        // Reset the connection (RST) instead of closing it normally.
        bool reset = false;
        // Send nothing and keep the connection open until the client goes away.
        bool silent = false;
    };

    enum class Loopback { IPv4, IPv6Only };
    // Listens on the given port of 127.0.0.1, or of ::1 alone (0: any free one).
    explicit ScriptedServer(int port = 0, Loopback loopback = Loopback::IPv4);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;

    void queue(Reply reply);
    void queue(const std::string& bytes, bool closeAfter = true);
    // Answers the requests that find no scripted reply waiting: a server with behaviour of its own.
    using Responder = std::function<Reply(const std::string& request)>;
    void respondWith(Responder responder);

    // The bytes of each request received so far (head and Content-Length body).
    std::vector<std::string> requests() const;
    // Waits until n requests have arrived (at most a few seconds).
    std::vector<std::string> waitForRequests(size_t n) const;
    int connections() const { return m_connections.load(); }

    // A port on 127.0.0.1 where nothing listens (bound once and released).
    static int unusedPort();

private:
    void acceptLoop();
    void serve(int fd);

    Loopback m_loopback;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Reply> m_replies;
    Responder m_responder;
    std::vector<std::string> m_requests;
    std::vector<int> m_open;
    std::thread m_acceptor;
    std::vector<std::thread> m_workers;
};

}  // namespace torvane::test
