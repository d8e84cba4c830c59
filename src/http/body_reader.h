// Reading a reply body off the connection the way its head frames it (counted, chunked or up to
// the close), with the progress events of every piece.
#pragma once

#include "http/http_reply.h"

namespace torvane {

class BodyBuffer;
class Connection;
class HttpEvents;

// keep false: the body is only read past (a redirection's), not kept.
void readReplyBody(Connection& connection, HttpEvents& events, const BodyFraming& framing, BodyBuffer& out,
                   bool keep);

}  // namespace torvane
