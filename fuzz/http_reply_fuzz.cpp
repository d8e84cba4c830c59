// Replies of a server, read by the HTTP client over the scripted byte stream: the status line, the
// header block, lengths, chunks, redirections and bodies, arriving in pieces whose size the first byte
// chooses. Whatever the reply, a request ends with a body or an error, and never returns more body
// than the reply held.
#include "fuzz_check.h"

#include "http/cookie_store.h"
#include "http/http_client.h"
#include "support/fake_stream.h"
#include "support/recording_http_events.h"
#include "util/error.h"

#include <string>


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    using namespace torvane;
    test::FakeClock clock;
    test::FakeDialer dialer(clock);
    // The reply, and again for each redirection it may cause (a redirection to itself ends at the limit).
    const std::string reply(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (int i = 0; i < 3; ++i) {
        test::FakePeer peer;
        peer.replies = {reply};
        peer.maxPiece = data[0] % 8;
        peer.seed = data[0];
        dialer.add(std::move(peer));
    }
    test::RecordingHttpEvents events;
    CookieStore cookies;
    HttpClient client(events, clock, [] {});
    client.setDialer(&dialer);
    client.setCookieStore(&cookies);
    try {
        const std::string body = client.get("http://127.0.0.1/form");
        fuzz::check(body.size() <= reply.size(), "a body longer than the reply");
    } catch (const Error&) {
        // A reply that is no good ends the request with an error: that is the point.
    }
    return 0;
}
