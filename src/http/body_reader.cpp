#include "http/body_reader.h"

#include <algorithm>

#include "http/body_buffer.h"
#include "http/connection.h"
#include "http/http_events.h"

namespace torvane {

namespace {

// One transfer between its begin and end events; the end is sent whatever happens inside.
template <typename Body> void transfer(HttpEvents& events, int64_t expected, Body body)
{
    events.workBegin(WorkDirection::Read, expected);
    try {
        body();
    } catch (...) {
        events.workEnd(WorkDirection::Read);
        throw;
    }
    events.workEnd(WorkDirection::Read);
}

// The next piece of at most want bytes, buffered ones first: the count, 0 when the server closed.
size_t takePiece(Connection& c, BodyBuffer& out, size_t want)
{
    if (c.buffered() > 0)
        return c.appendBuffered(out, want);
    const size_t n = c.receiveInto(out.prepare(want), want);
    out.commit(n);
    return n;
}

// count bytes or fewer when closeEndsQuietly: a body cut short by the close is what the server
// sent; a chunk cut short is an error. Bytes are taken as they arrive, so a huge announced length
// costs only what really comes.
void readCounted(Connection& c, HttpEvents& events, BodyBuffer& out, int64_t count, bool closeEndsQuietly, bool keep)
{
    int64_t total = 0;
    for (int64_t remaining = count; remaining > 0;) {
        const size_t n = takePiece(c, out, size_t(std::min<int64_t>(remaining, int64_t(kBodyReceiveBlock))));
        if (n == 0) {
            if (!closeEndsQuietly)
                throw ClosedGracefully();
            return;
        }
        total += int64_t(n);
        remaining -= int64_t(n);
        if (!keep)
            out.clear();
        events.work(WorkDirection::Read, total);
    }
}

void readUntilClose(Connection& c, HttpEvents& events, BodyBuffer& out, bool keep)
{
    int64_t total = 0;
    for (;;) {
        const size_t n = takePiece(c, out, c.buffered() > 0 ? c.buffered() : kBodyReceiveBlock);
        if (n == 0)
            return;
        total += int64_t(n);
        if (!keep)
            out.clear();
        events.work(WorkDirection::Read, total);
    }
}

}  // namespace

void readReplyBody(Connection& c, HttpEvents& events, const BodyFraming& framing, BodyBuffer& out, bool keep)
{
    switch (framing.kind) {
    case BodyFraming::None:
        return;
    case BodyFraming::Counted:
        if (keep)
            out.expect(uint64_t(framing.length));
        transfer(events, framing.length, [&] { readCounted(c, events, out, framing.length, true, keep); });
        return;
    case BodyFraming::Chunked:
        events.status("Chunk Started");
        for (;;) {
            const int64_t size = chunkSizeOf(c.readLine());
            if (size == 0)
                break;
            transfer(events, size, [&] { readCounted(c, events, out, size, false, keep); });
            c.readLine();
        }
        c.readLine();
        return;
    case BodyFraming::UntilClose:
        transfer(events, 0, [&] { readUntilClose(c, events, out, keep); });
        return;
    }
}

}  // namespace torvane
