// Reading a server's reply, as functions of what arrived: the status line, the header block, chunk
// size lines, how the body is framed, and the decisions the client takes on them (keep the
// connection or not, follow a redirection, take the body, fail).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "util/error.h"

namespace torvane {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpResponse {
    std::string statusLine;
    int code = -1;
    HttpHeaders headers;
    std::string location;
    std::string connection;
    std::string proxyConnection;
    int64_t contentLength = -1;
    std::string transferEncoding;
};

// An error status from the server: the message is the status line as received.
class ProtocolError : public Error {
public:
    ProtocolError(int code, const std::string& statusLine, std::string body)
        : Error(statusLine), m_code(code), m_body(std::move(body)) {}
    int code() const { return m_code; }
    const std::string& body() const { return m_body; }

private:
    int m_code;
    std::string m_body;
};

inline constexpr int kRedirectMaximum = 15;
// A header block larger than this is refused: lines are bounded, their number must be too.
inline constexpr size_t kMaxHeaderBlockBytes = 1 << 20;

// The second blank-separated word of the status line as a number; -1 when it is none.
int statusCodeOf(const std::string& statusLine);

// Hexadecimal chunk size up to the first blank; text that is not one (or does not fit) counts as 0.
int64_t chunkSizeOf(const std::string& line);

// Collects a reply head: the status line, then header lines up to the empty line that ends them.
class ReplyHead {
public:
    explicit ReplyHead(const std::string& statusLine);
    // Takes the next line of the block; a line beginning with a blank or tab continues the header
    // before it. Throws "Max line length exceeded." once the block grows past its limit.
    void addLine(const std::string& line);
    // The response, with the fields the client acts on taken from their first header.
    HttpResponse finish() &&;

private:
    HttpResponse m_response;
    size_t m_blockBytes;
};

struct BodyFraming {
    enum Kind { None, Counted, Chunked, UntilClose };
    Kind kind = None;
    int64_t length = 0;  // of a counted body
};

// A length of at least one byte wins; then chunks; then a missing (or negative) length reads until
// the close; a zero length has no body.
BodyFraming framingOf(const HttpResponse& response);

// Whether the connection may carry the next request after this response. An HTTP/1.0 request keeps
// it only when asked to, an HTTP/1.1 one unless told to close.
bool keepAliveAllowed(const HttpResponse& response, bool http10);

enum class Verdict {
    Redirect,  // a Location on anything but a 2xx, or a 3xx other than 304: the next pass goes elsewhere
    Success,   // 2xx, with or without a Location: the body is the answer
    Failure,   // anything else: the status line is the error
};

Verdict verdictOf(const HttpResponse& response);

}  // namespace torvane
