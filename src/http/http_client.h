// The HTTP client: POST of a name-value list, PUT of bytes and GET, each resolving its URL against
// the previous place, reusing or opening a connection, following redirections and storing cookies.
// One instance serves the whole application run; its header values and connection persist.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "http/request_fate.h"
#include "http/url.h"
#include "util/error.h"

namespace torvane {

class BodyBuffer;
class Clock;
class Connection;
class CookieStore;
class HttpEvents;
class TlsTransport;
class TrafficLog;

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

inline constexpr int kRedirectMaximum = 15;
// A header block larger than this is refused: lines are bounded, their number must be too.
inline constexpr size_t kMaxHeaderBlockBytes = 1 << 20;

struct HttpResponse {
    std::string statusLine;
    int code = -1;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string location;
    std::string connection;
    std::string proxyConnection;
    int64_t contentLength = -1;
    std::string transferEncoding;
};

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

    void setContentType(const std::string& value) { m_contentType = value; }
    const std::string& contentType() const { return m_contentType; }
    void setCacheControl(const std::string& value) { m_cacheControl = value; }
    const std::string& connectionHeader() const { return m_connection; }

    // The TLS transport or none. A plain connection the client made is closed silently by either;
    // attaching the TLS transport that is already attached changes nothing.
    void attachTransport(TlsTransport* tls);
    TlsTransport* attachedTransport() const { return m_tls; }

    std::string post(const std::string& url, const std::vector<std::string>& entries);
    std::string put(const std::string& url, const std::string& body);
    std::string get(const std::string& url);

    // How far the last request got when it threw.
    RequestFate lastRequestFate() const { return m_fate; }

    const HttpResponse& lastResponse() const { return m_response; }
    const std::string& lastStatusLine() const { return m_response.statusLine; }
    const Location& currentLocation() const { return m_location; }
    // Whether the client holds an open connection (the plain one it made or the attached TLS one).
    bool connectionOpen() const;

private:
    enum class Method { Get, Post, Put };
    std::string operation(Method method, const std::string& url, const std::string& body);
    std::string onePassLoop(Method method, const std::string& url, const std::string& body);
    Connection* active() const;
    bool keepAliveAllowed() const;
    void disconnect();
    void connectNow();
    void writeRequest(Method method, const std::string& body);
    void readResponseHead();
    void readHeadOnce();
    // keep false: the body is only read past (a redirection's), not kept.
    void readBody(BodyBuffer& out, bool keep);
    void readCounted(BodyBuffer& out, int64_t count, bool closeEndsQuietly, bool keep);

    HttpEvents& m_events;
    Clock& m_clock;
    std::function<void()> m_pump;
    CookieStore* m_cookies = nullptr;
    TrafficLog* m_log = nullptr;
    HttpLimits m_limits;

    std::string m_accept = "text/html, */*";
    std::string m_userAgent = "Mozilla/3.0 (compatible; Torvane)";
    std::string m_contentType = "text/html";
    std::string m_cacheControl;
    int64_t m_contentLength = -1;
    std::string m_connection;
    std::string m_host;

    bool m_http10 = false;
    Location m_location;
    std::string m_targetHost;
    int m_targetPort = 80;
    int m_redirectCounter = 0;
    HttpResponse m_response;
    bool m_hasResponse = false;
    RequestFate m_fate = RequestFate::NotSent;

    TlsTransport* m_tls = nullptr;
    std::unique_ptr<Connection> m_plain;
};

// Folds a header line longer than 1024 characters into continuation lines that begin with a blank,
// breaking only after a blank, a tab or a comma outside double quotes.
std::string foldHeaderLine(const std::string& line);

}  // namespace torvane
