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

struct HttpSessionOptions {
    std::string trafficLogFile = kTrafficLogFileName;
    TrafficLog::LocalTime localTime;  // empty: the system's local time
    CookieStore::Now now;             // empty: the system's time
    HttpLimits limits;
    // What encrypts; null: the session loads OpenSSL for itself. Must outlive the session.
    TlsLibrary* tlsLibrary = nullptr;
};

class HttpSession : public PostingClient {
public:
    // pump lets pending window messages be handled while a request waits on the network.
    HttpSession(HttpEvents& events, Clock& clock, std::function<void()> pump,
                HttpSessionOptions options = {});
    ~HttpSession() override;

    void setCacheControl(const std::string& value) override;
    void setContentType(const std::string& value) override;
    void attachTlsTransport(bool attach) override;
    void setTrafficLog(bool on) override;
    std::string put(const std::string& url, const std::string& body, const std::string& fromPage) override;
    std::string post(const std::string& url, const std::vector<std::string>& entries,
                     const std::string& fromPage) override;
    std::string postBody(const std::string& url, BodySource& body, const std::string& fromPage) override;
    std::string get(const std::string& url) override;
    RequestFate lastRequestFate() const override { return m_client.lastRequestFate(); }

    // The last response's status line, empty before the first response.
    std::string lastStatusLine() const override;
    std::string lastResponseHeader(const std::string& name) const override;
    std::string lastPlace() const override;
    std::string lastUrl() const override { return urlOf(m_client.currentLocation()); }
    std::string answerPlace() const override;
    void setRedactor(const Redactor* redactor) override { m_log.setRedactor(redactor); }
    void setNetwork(const NetworkOptions& options) override;
    std::vector<std::string> cookieNames() const override;

    HttpClient& client() { return m_client; }
    CookieStore& cookies() { return m_cookies; }

private:
    std::unique_ptr<TlsLibrary> m_ownTlsLibrary;  // made first: the transport holds it
    TrafficLog m_log;
    CookieStore m_cookies;
    TlsTransport m_tls;
    HttpClient m_client;
};

}  // namespace torvane
