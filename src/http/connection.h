// One connection of the HTTP client over a byte stream: connect through a dialer, an input buffer
// with incremental line search, waits for data in slices with a time limit, and writes. The TLS
// transport derives from it and layers the encryption over the dialed stream.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/byte_stream.h"
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
// A body's bytes go straight to where they are collected, so they may come in larger reads.
inline constexpr size_t kBodyReceiveBlock = size_t(256) << 10;
inline constexpr size_t kSendBlock = 32768;
inline constexpr size_t kMaxLineLength = 16384;
inline constexpr int kDefaultConnectTimeoutMs = 30000;

struct ConnectionHooks {
    // "Resolving hostname %s." and "Connecting to %s."
    std::function<void(const std::string&)> status;
    // A receive found the server's close; the connection is already closed on this side.
    std::function<void()> closedByServer;
    // The traffic log's view: one call per write and one per receive.
    std::function<void(std::string_view)> sent;
    std::function<void(std::string_view)> received;
    // Lets pending window messages be handled between wait slices.
    std::function<void()> pump;
};

class Connection;

// A connection that goes through a proxy: the proxy is dialed instead of the server, and for a tunnel
// the exchange that opens it runs on the plain stream before anything else.
struct ProxyHop {
    std::string host;
    int port = 0;
    std::function<void(Connection&)> openTunnel;  // empty: the proxy is spoken to in HTTP itself
};

class Connection {
public:
    // dialer: where streams come from; none means real sockets.
    explicit Connection(Clock& clock, Dialer* dialer = nullptr);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setHooks(ConnectionHooks hooks) { m_hooks = std::move(hooks); }
    // Limit for one wait for data; 0 waits for ever. Fails with "Read Timeout".
    void setReadTimeoutMs(int ms) { m_readTimeoutMs = ms; }
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms; }
    // Names resolve to IPv6 and IPv4 addresses, each tried in turn; otherwise to the first IPv4 one.
    void setEveryAddress(bool on) { m_everyAddress = on; }

    // Connects to host:port, or through the proxy of hop (none: straight to the server).
    void connect(const std::string& host, int port, const ProxyHop* hop = nullptr);
    // Ends the connection on this side; nothing happens when not open.
    void close();
    // The stream exists and the server's close has not been noticed.
    bool connected() const { return m_stream && !m_closedByServer; }
    bool closedByServer() const { return m_closedByServer; }

    // Looks whether the server has closed an idle connection; a closed or broken one is closed here.
    bool checkForClose(int ms);

    std::string readLine();
    size_t buffered() const { return m_end - m_begin; }
    // Moves up to max buffered bytes to the end of out; returns how many.
    size_t appendBuffered(BodyBuffer& out, size_t max);
    // One receive straight into dst, bypassing the input buffer (which must be empty): the byte
    // count, or 0 when the server has closed.
    size_t receiveInto(char* dst, size_t max);

    void write(std::string_view bytes);
    // The same, with the traffic log shown logged instead of the bytes (nothing when it is empty).
    void write(std::string_view bytes, std::string_view logged);

    // The host name and port given to connect, and the address the name led to (the proxy's when
    // connected through one).
    const std::string& peerHost() const { return m_peerHost; }
    // "host:port" of the proxy the connection goes through, empty when it goes straight.
    const std::string& proxyKey() const { return m_proxyKey; }
    int peerPort() const { return m_peerPort; }
    const std::string& peerAddress() const { return m_peerAddress; }

protected:
    // Runs after the stream is dialed (the TLS transport shakes hands here).
    virtual void afterConnect(const std::string& host) { (void)host; }
    // The open stream, for a layer that replaces it by one running over it.
    std::unique_ptr<ByteStream> takeStream() { return std::move(m_stream); }
    void setStream(std::unique_ptr<ByteStream> stream) { m_stream = std::move(stream); }
    void status(const std::string& text);

private:
    void closeStream();
    // Receives once into the buffer; false when the server closed (hooks already run).
    bool receiveOnce();
    // One receive into dst: >0 bytes, 0 closed (hooks already run), -1 nothing yet.
    long receiveSome(char* dst, size_t max, bool bufferHoldsBytes);
    void waitForData(int limitMs);
    void noticeServerClose();
    void ensureSpace(size_t extra);
    void consume(size_t n);

    Clock& m_clock;
    Dialer* m_dialer;
    std::unique_ptr<Dialer> m_ownDialer;
    ConnectionHooks m_hooks;
    std::unique_ptr<ByteStream> m_stream;
    bool m_closedByServer = false;
    int m_readTimeoutMs = 0;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    bool m_everyAddress = false;
    std::string m_peerHost;
    std::string m_proxyKey;
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
