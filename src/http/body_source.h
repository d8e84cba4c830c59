// A request body that is produced while it is sent, piece by piece, instead of being held whole: a
// multipart body with a file in it goes out without the file ever being in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torvane {

class Connection;
class HttpEvents;

class BodySource {
public:
    struct Piece {
        std::string_view bytes;   // empty at the end of the body
        std::string_view logged;  // what the traffic log shows of these bytes (empty: nothing)
    };

    virtual ~BodySource() = default;
    // The value of the Content-Type header that goes with the body.
    virtual std::string contentType() const = 0;
    // The number of bytes next() gives from a rewind to the end.
    virtual int64_t size() const = 0;
    // Back to the first byte: every pass of a request writes the whole body. Throws Error when a part
    // can no longer be read.
    virtual void rewind() = 0;
    // The next piece; valid until the next call.
    virtual Piece next() = 0;
};

// Writes the whole body to the connection from its first byte, with the client's write progress events.
void writeBodySource(Connection& connection, HttpEvents& events, BodySource& body);

}  // namespace torvane
