// Everything the main window owns of the HTTP side, persisting across requests and posting runs:
// the client, the TLS transport, the traffic log and the cookie store, behind the posting run's
// PostingClient interface.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http/cookie_store.h"
#include "http/http_client.h"
#include "http/tls_transport.h"
#include "http/traffic_log.h"
#include "http/posting_client.h"

namespace torvane {

class Clock;
class HttpEvents;

struct HttpStackOptions {
    std::string trafficLogFile = kTrafficLogFileName;
    TrafficLog::LocalTime localTime;  // empty: the system's local time
    CookieStore::Now now;             // empty: the system's time
    HttpLimits limits;
    // What encrypts; null: the session loads OpenSSL for itself. Must outlive the session.
    TlsLibrary* tlsLibrary = nullptr;
    // The cookie store of another stack to use instead of one of its own; must outlive the stack.
    CookieStore* sharedCookies = nullptr;
};

class HttpStack : public PostingClient {
public:
    // pump lets pending window messages be handled while a request waits on the network.
    HttpStack(HttpEvents& events, Clock& clock, std::function<void()> pump, HttpStackOptions options = {});
    ~HttpStack() override;

    PostingReply send(const PostingRequest& request) override;
    void setTrafficLog(bool on) override;
    void setRedactor(const Redactor* redactor) override { m_log.setRedactor(redactor); }
    void setNetwork(const NetworkOptions& options) override;
    std::vector<std::string> cookieNames() const override;
    std::unique_ptr<PostingClient> openConnection() override;

    // Attach the TLS transport (true) or none (false) for the client's next requests.
    void attachTlsTransport(bool attach);
    HttpClient& client() { return m_client; }
    CookieStore& cookies() { return m_sharedCookies ? *m_sharedCookies : m_cookies; }
    const CookieStore& cookies() const { return m_sharedCookies ? *m_sharedCookies : m_cookies; }

private:
    std::unique_ptr<TlsLibrary> m_ownTlsLibrary;  // made first: the transport holds it
    std::string dispatch(const PostingRequest& request);
    // The reply the client holds after the request, with body.
    PostingReply replyWith(std::string body) const;

    HttpStackOptions m_options;  // what a further connection is made with
    NetworkOptions m_network;
    TrafficLog m_log;
    CookieStore m_cookies;
    CookieStore* m_sharedCookies;
    TlsTransport m_tls;
    HttpClient m_client;
};

}  // namespace torvane
