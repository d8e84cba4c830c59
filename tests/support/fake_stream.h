// A scripted peer behind the HTTP client's byte-stream seam: each connection answers every whole
// request it receives with its next reply, cut into random small pieces if asked, and then closes,
// resets or falls silent. Waits move a fake clock instead of taking time, so protocol tests run
// without sockets, threads or real time limits.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "http/byte_stream.h"
#include "support/fake_clock.h"

namespace torvane::test {

struct FakePeer {
    enum class End { Close, Reset, Silent };

    std::vector<std::string> replies;
    End end = End::Close;
    // Each reply arrives in pieces of 1..maxPiece bytes (random, from seed); 0 delivers it whole.
    size_t maxPiece = 0;
    unsigned seed = 1;
    // A positive POSIX error number makes every write fail with it.
    int writeError = 0;
    // Non-empty: the dial itself fails with this text.
    std::string dialError;

    // What the client did.
    std::string written;
    std::vector<std::string> requests;
    bool closedByClient = false;
};

class FakeDialer : public Dialer {
public:
    explicit FakeDialer(FakeClock& clock) : m_clock(clock) {}

    // The peer the next dial without one reaches; a dial with no peer left is refused.
    FakePeer& add(FakePeer peer = {});
    FakePeer& peer(size_t i) { return m_peers.at(i); }
    size_t dials() const { return m_next; }
    // "host:port" of every dial, refused ones included.
    const std::vector<std::string>& places() const { return m_places; }
    // Every request written on any connection, in order.
    std::vector<std::string> requests() const;

    DialedStream dial(const std::string& host, int port, int limitMs, const DialHooks& hooks) override;

private:
    FakeClock& m_clock;
    std::deque<FakePeer> m_peers;
    std::vector<std::string> m_places;
    size_t m_next = 0;
};

// Length of the first whole request in bytes (head and Content-Length body), 0 while incomplete.
size_t wholeRequestLength(const std::string& bytes);

}  // namespace torvane::test
