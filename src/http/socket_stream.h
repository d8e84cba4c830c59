// The operating system's side of the byte stream: a TCP socket, and the dialer that looks a name up
// and connects one without blocking the window.
#pragma once

#include <memory>
#include <string_view>

#include "http/byte_stream.h"

namespace torvane {

class Clock;

bool isIPv4AddressText(std::string_view text);

class SocketStream : public ByteStream {
public:
    explicit SocketStream(int fd) : m_fd(fd) {}
    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    long readSome(char* dst, size_t max) override;
    long writeSome(const char* src, size_t len) override;
    int waitReadable(int ms) override;
    void close() override;

    // For a layer that runs its own protocol on the socket (the encryption).
    int handle() const { return m_fd; }

private:
    int m_fd;
};

class SocketDialer : public Dialer {
public:
    explicit SocketDialer(Clock& clock) : m_clock(clock) {}
    // A bracketed IPv6 literal is connected to as it is; a name goes to its first IPv4 address, or
    // with hooks.everyAddress to each of its addresses in turn until one connects.
    DialedStream dial(const std::string& host, int port, int limitMs, const DialHooks& hooks) override;

private:
    Clock& m_clock;
};

}  // namespace torvane
