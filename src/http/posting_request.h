// One request of a posting run and what came back, as values: the run says everything a request needs
// in the request itself, and reads everything it acts on from the reply or from the failure, so that
// nothing is left set on the client between two requests and nothing is read back from it afterwards.
#pragma once

#include "http/http_reply.h"
#include "http/http_request.h"
#include "http/request_fate.h"
#include "util/error.h"

#include <string>
#include <vector>

namespace torvane {

class BodySource;

struct PostingRequest {
    HttpMethod method = HttpMethod::Get;
    std::string url;
    std::vector<std::string> entries;  // of a POST of name=value entries
    std::string body;                  // of a PUT
    BodySource* source = nullptr;      // of a POST whose body is written while it is sent (multipart)
    std::string contentType;
    std::string cacheControl;
    bool tls = false;  // the TLS transport attached for the request (redirections to https take it anyway)
    // The page the form came from, named to the server in Origin and Referer; empty for none.
    std::string fromPage;
};

struct PostingReply {
    std::string statusLine;  // empty when no reply came
    int code = 0;
    HttpHeaders headers;
    std::string body;  // one character per byte
    // Where the request ended up after its redirections, as a place (host upper case, path without the
    // query) and as a URL; empty when not known.
    std::string place;
    std::string url;
    // Where the server pointed the answer when it took the request and redirected (a POST answered 301,
    // 302 or 303), spelled as place is; empty when it did not.
    std::string answerPlace;
    int redirections = 0;

    // The first header of that name, letter case aside; empty when there is none.
    std::string header(const std::string& name) const;
};

// A request that failed, with how far it got. Its message is the one the operator sees; an error status
// of the server comes with its status code and the reply's head and body.
class RequestFailed : public Error {
public:
    RequestFailed(const std::string& message, RequestFate fate, PostingReply reply = {})
        : Error(message), m_fate(fate), m_reply(std::move(reply)) {}
    RequestFate fate() const { return m_fate; }
    // The error status the server answered with; 0 when the failure was not one.
    int status() const { return m_reply.code; }
    // The status line of the server's answer when fate is Answered, else empty; the headers and body
    // of an error status.
    const PostingReply& reply() const { return m_reply; }

private:
    RequestFate m_fate;
    PostingReply m_reply;
};

}  // namespace torvane
