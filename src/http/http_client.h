// The HTTP client: POST of a name-value list, PUT of bytes and GET, each resolving its URL against
// the previous place, reusing or opening a connection, following redirections and storing cookies.
// One instance serves the whole application run; its header values and connection persist, while
// each request's own state lives in its exchange.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "http/http_reply.h"
#include "http/http_request.h"
#include "http/network_options.h"
#include "http/request_fate.h"
#include "http/url.h"

namespace torvane {

class BodyBuffer;
class BodySource;
class Clock;
class Connection;
class CookieStore;
class Dialer;
class HttpEvents;
class HttpExchange;
class TlsTransport;
class TrafficLog;

// Time limits of the client. Connecting and waiting for data get limits of their own so a silent
// server cannot freeze the window for ever; bodies of redirections and error statuses get short ones.
struct HttpLimits {
    static constexpr int kConnectMs = 30000;
    static constexpr int kIdleReadMs = 60000;
    static constexpr int kErrorBodyReadMs = 2000;
    static constexpr int kRedirectBodyReadMs = 4000;
    int connectMs = kConnectMs;
    int idleReadMs = kIdleReadMs;
    int errorBodyReadMs = kErrorBodyReadMs;
    int redirectBodyReadMs = kRedirectBodyReadMs;
};

inline constexpr const char* kClientUserAgent = "Mozilla/3.0 (compatible; Torvane)";

class HttpClient {
public:
    HttpClient(HttpEvents& events, Clock& clock, std::function<void()> pump);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setCookieStore(CookieStore* store) { m_cookies = store; }
    void setTrafficLog(TrafficLog* log) { m_log = log; }
    void setLimits(const HttpLimits& limits) { m_limits = limits; }
    const HttpLimits& limits() const { return m_limits; }
    // The proxy and the address families of the connections made from now on; an open connection
    // made with other options is closed first. All blank, the client connects as it always has.
    void setNetwork(const NetworkOptions& options);
    // Where the plain connections the client makes get their streams; none means real sockets.
    void setDialer(Dialer* dialer) { m_dialer = dialer; }

    void setContentType(const std::string& value) { m_contentType = value; }
    const std::string& contentType() const { return m_contentType; }
    void setCacheControl(const std::string& value) { m_cacheControl = value; }

    // The TLS transport or none. A plain connection the client made is closed silently by either;
    // attaching the TLS transport that is already attached changes nothing.
    void attachTransport(TlsTransport* tls);
    // The TLS transport a redirection to https attaches when none is (none: such a redirection fails).
    void setRedirectTransport(TlsTransport* tls) { m_redirectTls = tls; }

    // fromPage: the URL of the page the form came from, named in Origin and Referer; empty for none.
    std::string post(const std::string& url, const std::vector<std::string>& entries,
                     const std::string& fromPage = {});
    // A POST of a body written while it is sent, with the body's own content type.
    std::string post(const std::string& url, BodySource& body, const std::string& fromPage = {});
    std::string put(const std::string& url, const std::string& body, const std::string& fromPage = {});
    std::string get(const std::string& url);

    // How far the last request got when it threw.
    RequestFate lastRequestFate() const { return m_fate; }

    const HttpResponse& lastResponse() const;
    const std::string& lastStatusLine() const { return lastResponse().statusLine; }
    const Location& currentLocation() const { return m_location; }
    // The redirections the last request followed.
    int redirections() const { return m_redirections; }
    // Where the server sent the answer to the last request it took and redirected (a POST answered
    // 301, 302 or 303): the first such Location, resolved. Nothing when the request was not taken so.
    const std::optional<Location>& answerLocation() const { return m_answerLocation; }
    // Whether the client holds an open connection (the plain one it made or the attached TLS one).
    bool connectionOpen() const;

private:
    std::string operation(HttpExchange& exchange, bool http10);
    std::string run(HttpExchange& exchange, bool http10);
    // Resolving: the place of this pass, and whether the open connection can carry it.
    void choosePlace(HttpExchange& exchange, bool http10);
    // Takes the redirection of the last response: the next pass of the exchange, or none.
    bool followRedirect(HttpExchange& exchange);
    void writeRequest(const HttpExchange& exchange, bool http10);
    void readResponseHead();
    // Reads a body with a time limit of its own; the idle limit holds again afterwards.
    void readBodyWithin(int limitMs, BodyBuffer& out, bool keep);
    Connection* active() const;
    bool mayKeepConnection(bool http10) const;
    void disconnect();
    void connectNow(const std::string& host, int port);
    // An http request through a proxy: its absolute target and credentials, and its 407.
    bool proxiedHttp() const;
    [[noreturn]] void refusedByProxy(HttpExchange& exchange);

    HttpEvents& m_events;
    Clock& m_clock;
    std::function<void()> m_pump;
    CookieStore* m_cookies = nullptr;
    TrafficLog* m_log = nullptr;
    Dialer* m_dialer = nullptr;
    HttpLimits m_limits;

    std::string m_accept = "text/html, */*";
    std::string m_userAgent = kClientUserAgent;
    std::string m_contentType = "text/html";
    std::string m_cacheControl;
    std::string m_connection;

    NetworkOptions m_network;
    std::optional<ProxyServer> m_proxy;  // the proxy of the place of this pass, none: straight to it
    Location m_location;
    std::optional<Location> m_answerLocation;
    std::optional<HttpResponse> m_response;
    RequestFate m_fate = RequestFate::NotSent;
    int m_redirections = 0;

    TlsTransport* m_tls = nullptr;
    TlsTransport* m_redirectTls = nullptr;
    std::unique_ptr<Connection> m_plain;
};

}  // namespace torvane
