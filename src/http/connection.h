// One IPv4 stream connection of the HTTP client: name resolution, connect, an input buffer with
// incremental line search, counted and until-close reads, and writes. The TLS transport derives
// from it and replaces the raw socket reads and writes by their encrypted counterparts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/error.h"

namespace torvane {

class BodyBuffer;
class Clock;

// The server closed the connection while more was awaited ("Connection Closed Gracefully.").
class ClosedGracefully : public Error {
public:
    ClosedGracefully() : Error("Connection Closed Gracefully.") {}
};

inline constexpr size_t kReceiveBlock = 32768;
inline constexpr size_t kSendBlock = 32768;
inline constexpr size_t kMaxLineLength = 16384;
// How long one wait on the socket lasts before the pump gets a turn, so the window repaints.
inline constexpr int kWaitSliceMs = 50;
inline constexpr int kDefaultConnectTimeoutMs = 30000;

bool isIPv4AddressText(std::string_view text);

struct ConnectionHooks {
    // "Resolving hostname %s." and "Connecting to %s."
    std::function<void(const std::string&)> status;
    // A receive found the server's close; the connection is already closed on this side.
    std::function<void()> closedByServer;
    // The traffic log's view: one call per write and one per socket receive.
    std::function<void(std::string_view)> sent;
    std::function<void(std::string_view)> received;
    // Lets pending window messages be handled between wait slices.
    std::function<void()> pump;
};

class Connection {
public:
    explicit Connection(Clock& clock);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setHooks(ConnectionHooks hooks) { m_hooks = std::move(hooks); }
    // Limit for one wait for data; 0 waits for ever. Fails with "Read Timeout".
    void setReadTimeoutMs(int ms) { m_readTimeoutMs = ms; }
    int readTimeoutMs() const { return m_readTimeoutMs; }
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms; }

    void connect(const std::string& host, int port);
    // Shuts down the sending direction and closes; nothing happens when not open.
    void close();
    // The socket exists and the server's close has not been noticed.
    bool connected() const { return m_fd >= 0 && !m_closedByServer; }
    bool closedByServer() const { return m_closedByServer; }

    // Waits at most ms (0: no wait beyond one look) for data; true when a read would not block.
    bool readable(int ms);
    // Looks whether the server has closed an idle connection; a closed or broken one is closed here.
    bool checkForClose(int ms);

    std::string readLine();
    std::string readBlock(size_t count);
    std::string readUntilClose();
    size_t buffered() const { return m_end - m_begin; }
    // Receives until the buffer holds count bytes; false when the server closes first.
    bool waitFor(size_t count);
    // Moves up to max buffered bytes to the end of out; returns how many.
    size_t appendBuffered(BodyBuffer& out, size_t max);
    // One receive straight into dst, bypassing the input buffer (which must be empty): the byte
    // count, or 0 when the server has closed.
    size_t receiveInto(char* dst, size_t max);

    void write(std::string_view bytes);

    const std::string& peerAddress() const { return m_peerAddress; }
    int peerPort() const { return m_peerPort; }

protected:
    // One socket receive or send: >0 bytes, 0 closed, <0 error with errno set.
    virtual long rawReceive(char* buf, size_t len);
    virtual long rawSend(const char* buf, size_t len);
    // Runs after the TCP connect succeeded (the TLS transport makes its context and handshake here).
    virtual void afterConnect(const std::string& host) { (void)host; }
    // Runs before the socket closes (the TLS transport shuts its session down here).
    virtual void beforeClose() {}
    // Whether a receive may be tried before waiting for readability (not when a session layer
    // sits on the socket and could block inside).
    virtual bool receivesWithoutWaiting() const { return true; }
    int socketHandle() const { return m_fd; }
    void status(const std::string& text);
    void pump();

private:
    void closeSocket();
    // Receives once into the buffer; false when the server closed (hooks already run).
    bool receiveOnce();
    // One receive into dst: >0 bytes, 0 closed (hooks already run), -1 nothing yet.
    long receiveSome(char* dst, size_t max, bool bufferHoldsBytes);
    void waitForData(int limitMs);
    [[noreturn]] void raiseSocketError(int posixErrno);
    void noticeServerClose();
    void ensureSpace(size_t extra);
    std::string take(size_t n);

    Clock& m_clock;
    ConnectionHooks m_hooks;
    int m_fd = -1;
    bool m_closedByServer = false;
    int m_readTimeoutMs = 0;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    std::string m_peerAddress;
    int m_peerPort = 0;

    // Input buffer: bytes [m_begin, m_end) are received and not yet taken.
    std::vector<char> m_buf;
    size_t m_begin = 0;
    size_t m_end = 0;
    // Where the last look for a line feed stopped, relative to m_begin.
    size_t m_searched = 0;
};

}  // namespace torvane
