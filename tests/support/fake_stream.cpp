#include "support/fake_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "http/socket_error.h"
#include "util/error.h"

namespace torvane::test {

namespace {

class FakeStream : public ByteStream {
public:
    FakeStream(FakePeer& peer, FakeClock& clock) : m_peer(peer), m_clock(clock), m_random(peer.seed) {}

    long readSome(char* dst, size_t max) override
    {
        if (m_closed)
            return -EBADF;
        if (m_offset < m_pending.size()) {
            const size_t n = std::min({max, m_pieceLeft, m_pending.size() - m_offset});
            std::memcpy(dst, m_pending.data() + m_offset, n);
            m_offset += n;
            m_pieceLeft -= n;
            if (m_pieceLeft == 0)
                m_pieceLeft = nextPiece();
            return long(n);
        }
        if (!atEnd())
            return -EAGAIN;
        switch (m_peer.end) {
        case FakePeer::End::Close: return 0;
        case FakePeer::End::Reset: return -ECONNRESET;
        case FakePeer::End::Silent: return -EAGAIN;
        }
        return -EAGAIN;
    }

    long writeSome(const char* src, size_t len) override
    {
        if (m_closed)
            return -EBADF;
        if (m_peer.writeError > 0)
            return -m_peer.writeError;
        m_peer.written.append(src, len);
        m_unanswered.append(src, len);
        while (const size_t n = wholeRequestLength(m_unanswered)) {
            m_peer.requests.push_back(m_unanswered.substr(0, n));
            m_unanswered.erase(0, n);
            release();
        }
        return long(len);
    }

    int waitReadable(int ms) override
    {
        if (m_offset < m_pending.size() || (atEnd() && m_peer.end != FakePeer::End::Silent))
            return 1;
        m_clock.now += ms;
        return 0;
    }

    void close() override
    {
        m_closed = true;
        m_peer.closedByClient = true;
    }

private:
    // Every reply answers one request; the end comes once all replies are out.
    bool atEnd() const { return m_released >= m_peer.replies.size(); }

    void release()
    {
        if (m_released >= m_peer.replies.size())
            return;
        m_pending.erase(0, m_offset);
        m_offset = 0;
        m_pending += m_peer.replies[m_released++];
        if (m_pieceLeft == 0)
            m_pieceLeft = nextPiece();
    }

    size_t nextPiece()
    {
        if (m_peer.maxPiece == 0)
            return size_t(-1);
        return std::uniform_int_distribution<size_t>(1, m_peer.maxPiece)(m_random);
    }

    FakePeer& m_peer;
    FakeClock& m_clock;
    std::mt19937 m_random;
    std::string m_unanswered;
    std::string m_pending;
    size_t m_offset = 0;
    size_t m_pieceLeft = 0;
    size_t m_released = 0;
    bool m_closed = false;
};

}  // namespace

size_t wholeRequestLength(const std::string& bytes)
{
    const size_t headEnd = bytes.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return 0;
    std::string head = bytes.substr(0, headEnd + 2);
    for (auto& c : head)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    size_t length = 0;
    const size_t at = head.find("\r\ncontent-length:");
    if (at != std::string::npos)
        length = std::strtoul(head.c_str() + at + 17, nullptr, 10);
    const size_t total = headEnd + 4 + length;
    return bytes.size() >= total ? total : 0;
}

FakePeer& FakeDialer::add(FakePeer peer)
{
    m_peers.push_back(std::move(peer));
    return m_peers.back();
}

std::vector<std::string> FakeDialer::requests() const
{
    std::vector<std::string> all;
    for (const FakePeer& p : m_peers)
        all.insert(all.end(), p.requests.begin(), p.requests.end());
    return all;
}

DialedStream FakeDialer::dial(const std::string& host, int port, int, const DialHooks& hooks)
{
    m_places.push_back(host + ":" + std::to_string(port));
    if (hooks.status)
        hooks.status("Connecting to " + host + ".");
    if (m_next >= m_peers.size())
        throw Error(socketErrorMessage(kSocketErrorRefused));
    FakePeer& peer = m_peers[m_next++];
    if (!peer.dialError.empty())
        throw Error(peer.dialError);
    return {std::make_unique<FakeStream>(peer, m_clock), host};
}

}  // namespace torvane::test
