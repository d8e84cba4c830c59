// One request from its first pass to its answer, as a value the client drives: the method and
// body of the pass under way, how many passes were made, and the named state it is in, so that a
// failure tells how far the request got.
#pragma once

#include <string>

#include "http/http_reply.h"
#include "http/http_request.h"
#include "http/request_fate.h"
#include "http/url.h"

namespace torvane {

class BodySource;

enum class ExchangeState {
    Resolving,    // the URL against the previous place, and the connection it needs
    Connecting,   // name lookup, connect, TLS handshake
    Writing,      // the request head and body
    ReadingHead,  // status line and header block
    Deciding,     // follow, answer or fail
    ReadingBody,
    Done,
};

class HttpExchange {
public:
    HttpExchange(HttpMethod method, std::string url, const std::string& body, FormPage page = {});
    // A body written in pieces while it is sent.
    HttpExchange(HttpMethod method, std::string url, BodySource& source, FormPage page = {});

    ExchangeState state() const { return m_state; }
    void enter(ExchangeState state);

    HttpMethod method() const { return m_method; }
    const std::string& body() const { return *m_body; }
    BodySource* source() const { return m_source; }
    // The URL the pass under way goes to, and its number (the first pass is 1).
    const std::string& url() const { return m_url; }
    int pass() const { return m_pass; }
    // The length header of this pass: a GET has none.
    int64_t contentLength() const;
    // The page a POST or PUT pass names as where it came from; a GET names none.
    const FormPage& page() const { return m_method == HttpMethod::Get ? kNoPage : m_page; }
    // A GET that follows a form's redirection carries no content type: it sends no content.
    bool sendsContentType() const { return !m_taken; }
    // Whether the server took the request and redirected to its answer.
    bool taken() const { return m_taken; }

    // The verdict on the reply head of this pass.
    void decided(Verdict verdict, int code);
    // Whether another pass is allowed after a redirection of this one.
    bool mayFollow() const { return m_pass < kRedirectMaximum; }
    // Starts the next pass at location after a redirection with that code, as browsers do: a POST
    // answered 301 or 302, and anything but a GET answered 303, was taken by the server, and its
    // answer is fetched with a GET; a 307 or 308 repeats the method and the body. movedToTls: the
    // redirection only sends the same URL to https, before the server looked at the request, so it
    // is repeated there.
    void follow(const std::string& location, int code, bool movedToTls);

    // A proxy refused the first pass: the server never saw the request.
    void refusedByProxy()
    {
        if (m_pass == 1)
            m_written = false;
    }

    // How far the request got, were it to end now with a failure.
    RequestFate fate() const;

private:
    static inline const FormPage kNoPage{};

    HttpMethod m_method;
    std::string m_url;
    FormPage m_page;
    const std::string* m_body;
    BodySource* m_source = nullptr;
    ExchangeState m_state = ExchangeState::Resolving;
    int m_pass = 1;
    bool m_written = false;  // some pass wrote a byte: the server may have the request
    bool m_taken = false;    // an earlier pass was taken by the server, which redirected to its answer
    Verdict m_verdict = Verdict::Redirect;
    int m_code = -1;
};

}  // namespace torvane
