// What a posting run needs of the HTTP client: the request header values, the transport choice, the
// traffic log switch and the three requests. It lives beside HttpSession, which implements it, so the
// posting run above can use it without the HTTP side looking up; tests use fakes.
#pragma once

#include "http/body_source.h"
#include "http/network_options.h"
#include "http/request_fate.h"
#include "util/error.h"
#include "util/secrets.h"

#include <string>
#include <vector>

namespace torvane {

class PostingClient {
public:
    virtual ~PostingClient() = default;
    virtual void setCacheControl(const std::string& value) = 0;
    virtual void setContentType(const std::string& value) = 0;
    // Attach the TLS transport (true) or none (false) before a request.
    virtual void attachTlsTransport(bool attach) = 0;
    virtual void setTrafficLog(bool on) = 0;
    // Each returns the reply body (one character per byte) or throws torvane::Error. fromPage is the URL
    // of the page the form came from, named to the server in Origin and Referer; empty for none.
    virtual std::string put(const std::string& url, const std::string& body, const std::string& fromPage) = 0;
    virtual std::string post(const std::string& url, const std::vector<std::string>& entries,
                             const std::string& fromPage) = 0;
    virtual std::string get(const std::string& url) = 0;
    // A POST of a body written while it is sent (a multipart body); a client without it refuses.
    virtual std::string postBody(const std::string& url, BodySource&, const std::string& fromPage)
    {
        (void)url;
        (void)fromPage;
        throw Error("This client cannot send a multipart body");
    }
    // After one of the three requests threw: how far it got. A client that cannot tell says in doubt.
    virtual RequestFate lastRequestFate() const { return RequestFate::InDoubt; }
    // The status line of the last reply, empty before the first.
    virtual std::string lastStatusLine() const { return {}; }
    // A header of the last reply (the first of that name, letter case aside), empty when it had none.
    virtual std::string lastResponseHeader(const std::string&) const { return {}; }
    // Where the last request ended up after its redirections: the host (upper case) and the path
    // without the query; empty when the client cannot tell.
    virtual std::string lastPlace() const { return {}; }
    // The URL the last request ended up at after its redirections; empty when the client cannot tell.
    virtual std::string lastUrl() const { return {}; }
    // Where the server pointed the answer to the last request when it took it and redirected (a POST
    // answered 301, 302 or 303), as lastPlace() spells a place; empty when it did not or cannot tell.
    virtual std::string answerPlace() const { return {}; }
    // The secrets the traffic log masks (nullptr: none).
    virtual void setRedactor(const Redactor*) {}
    // Certificate checks, client certificate, proxy and address families for the requests to come.
    virtual void setNetwork(const NetworkOptions&) {}
    // The names of the cookies the client holds, in the order they were first set.
    virtual std::vector<std::string> cookieNames() const { return {}; }
};

// Passes every call on to the current target. The engine is made before the HTTP client (whose event
// handlers read the engine's diagnostics flag), so it holds one of these and the target is set after.
class ForwardingClient : public PostingClient {
public:
    PostingClient* target = nullptr;

    void setCacheControl(const std::string& value) override { target->setCacheControl(value); }
    void setContentType(const std::string& value) override { target->setContentType(value); }
    void attachTlsTransport(bool attach) override { target->attachTlsTransport(attach); }
    void setTrafficLog(bool on) override { target->setTrafficLog(on); }
    std::string put(const std::string& url, const std::string& body, const std::string& fromPage) override
    {
        return target->put(url, body, fromPage);
    }
    std::string post(const std::string& url, const std::vector<std::string>& entries,
                     const std::string& fromPage) override
    {
        return target->post(url, entries, fromPage);
    }
    std::string postBody(const std::string& url, BodySource& body, const std::string& fromPage) override
    {
        return target->postBody(url, body, fromPage);
    }
    std::string get(const std::string& url) override { return target->get(url); }
    RequestFate lastRequestFate() const override { return target->lastRequestFate(); }
    std::string lastStatusLine() const override { return target->lastStatusLine(); }
    std::string lastResponseHeader(const std::string& name) const override { return target->lastResponseHeader(name); }
    std::string lastPlace() const override { return target->lastPlace(); }
    std::string lastUrl() const override { return target->lastUrl(); }
    std::string answerPlace() const override { return target->answerPlace(); }
    void setRedactor(const Redactor* redactor) override { target->setRedactor(redactor); }
    void setNetwork(const NetworkOptions& options) override { target->setNetwork(options); }
    std::vector<std::string> cookieNames() const override { return target->cookieNames(); }
};

}  // namespace torvane
