// What a posting run needs of the HTTP side: one request in, one reply out, and the switches that
// last a whole run (the traffic log, its masking, the network options). It lives beside HttpStack,
// which implements it, so the posting run above can use it without the HTTP side looking up; tests
// use fakes that answer with scripted replies.
#pragma once

#include "http/network_options.h"
#include "http/posting_request.h"
#include "util/secrets.h"

#include <memory>
#include <string>
#include <vector>

namespace torvane {

class PostingClient {
public:
    virtual ~PostingClient() = default;
    // Sends the request and returns the server's reply; throws RequestFailed, which says how far the
    // request got.
    virtual PostingReply send(const PostingRequest& request) = 0;
    virtual void setTrafficLog(bool on) = 0;
    // The secrets the traffic log masks (nullptr: none).
    virtual void setRedactor(const Redactor*) {}
    // Certificate checks, client certificate, proxy and address families for the requests to come.
    virtual void setNetwork(const NetworkOptions&) {}
    // The names of the cookies the client holds, in the order they were first set.
    virtual std::vector<std::string> cookieNames() const { return {}; }
    // A further connection for a run with several records in flight, to be used on another thread: it
    // shares this client's cookies and network options and reports no progress of its own. Null when
    // the client has no way to make one (the run then sends one record at a time).
    virtual std::unique_ptr<PostingClient> openConnection() { return nullptr; }
};

}  // namespace torvane
