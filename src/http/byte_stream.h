// The seam between the HTTP client and the operating system: a connected stream of bytes (a plain
// socket, or the encryption layered on one) and the dialer that opens one. Tests put a scripted
// peer behind both, so the protocol runs without sockets, threads or real time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace torvane {

// Results of the stream's calls: a positive byte count, 0 when the peer has closed, or a negated
// POSIX error number (-EAGAIN: nothing has arrived yet, -EINTR: interrupted, try again).
class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Whatever has arrived, up to max bytes, without waiting for more.
    virtual long readSome(char* dst, size_t max) = 0;
    // Sends up to len bytes; may block up to the stream's own send limit.
    virtual long writeSome(const char* src, size_t len) = 0;
    // Waits at most ms (0: a look only) until a read would not block: 1 ready, 0 the time ran out.
    virtual int waitReadable(int ms) = 0;
    // Ends the connection on this side; the stream is not used afterwards.
    virtual void close() = 0;
};

struct DialHooks {
    // "Resolving hostname %s." and "Connecting to %s."
    std::function<void(const std::string&)> status;
    // Lets pending window messages be handled between wait slices.
    std::function<void()> pump;
    // Names resolve to IPv6 and IPv4 addresses, each tried in turn; otherwise to the first IPv4 one.
    bool everyAddress = false;
};

struct DialedStream {
    std::unique_ptr<ByteStream> stream;
    std::string address;  // the peer's address as text
};

// Opens streams: name lookup and connect, within a time limit (0: none). Fails with the socket's
// error texts.
class Dialer {
public:
    virtual ~Dialer() = default;
    virtual DialedStream dial(const std::string& host, int port, int limitMs, const DialHooks& hooks) = 0;
};

}  // namespace torvane
