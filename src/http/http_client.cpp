#include "http/http_client.h"

#include <algorithm>

#include "http/body_buffer.h"
#include "http/body_source.h"
#include "http/body_reader.h"
#include "http/connection.h"
#include "http/cookie_store.h"
#include "http/form_encoding.h"
#include "http/http_events.h"
#include "http/http_exchange.h"
#include "http/proxy_tunnel.h"
#include "http/tls_transport.h"
#include "http/traffic_log.h"
#include "util/text.h"

namespace torvane {

namespace {

int portNumber(const std::string& text)
{
    int32_t port = 0;
    if (!tryToInt32(text, port) || port < 0 || port > 65535)
        throw Error(notValidIntegerMessage(text));
    return port;
}

HttpResponse readHeadOnce(Connection& c)
{
    ReplyHead head(c.readLine());
    for (;;) {
        std::string line;
        try {
            line = c.readLine();
        } catch (const ClosedGracefully&) {
            break;  // a close ends the block; what was read counts
        }
        if (line.empty())
            break;
        head.addLine(line);
    }
    return std::move(head).finish();
}

}  // namespace

HttpClient::HttpClient(HttpEvents& events, Clock& clock, std::function<void()> pump)
    : m_events(events), m_clock(clock), m_pump(std::move(pump))
{
}

HttpClient::~HttpClient() = default;

const HttpResponse& HttpClient::lastResponse() const
{
    static const HttpResponse none;
    return m_response ? *m_response : none;
}

Connection* HttpClient::active() const
{
    if (m_tls)
        return m_tls;
    return m_plain.get();
}

bool HttpClient::connectionOpen() const
{
    const Connection* c = active();
    return c && c->connected();
}

void HttpClient::attachTransport(TlsTransport* tls)
{
    if (tls && tls == m_tls)
        return;
    // A plain connection the client made is replaced by whatever is attached now, "none" included,
    // and goes at once, without the disconnect step.
    m_plain.reset();
    m_tls = tls;
}

bool HttpClient::mayKeepConnection(bool http10) const
{
    return m_response && connectionOpen() && keepAliveAllowed(*m_response, http10);
}

void HttpClient::disconnect()
{
    m_events.status("Disconnecting.");
    if (Connection* c = active()) {
        if (m_log)
            m_log->disconnected();
        c->close();
    }
    m_plain.reset();
    m_events.status("Disconnected.");
}

void HttpClient::setNetwork(const NetworkOptions& options)
{
    if (options == m_network)
        return;
    if (connectionOpen())
        disconnect();
    m_network = options;
}

bool HttpClient::proxiedHttp() const
{
    return m_proxy && !equalsIgnoreCaseAscii(m_location.scheme, "https");
}

void HttpClient::refusedByProxy(HttpExchange& exchange)
{
    // The proxy answered for the server, which never saw the request.
    exchange.enter(ExchangeState::ReadingBody);
    BodyBuffer scratch;
    try {
        readBodyWithin(m_limits.errorBodyReadMs, scratch, false);
    } catch (const Error&) {
    }
    exchange.refusedByProxy();
    exchange.enter(ExchangeState::Done);
    throw Error(proxyRefusal(*m_proxy));
}

void HttpClient::connectNow(const std::string& host, int port)
{
    Connection* c = active();
    if (!c) {
        m_plain = std::make_unique<Connection>(m_clock, m_dialer);
        c = m_plain.get();
    }
    ConnectionHooks hooks;
    hooks.status = [this, c](const std::string& text) {
        if (c == m_tls)
            m_events.tlsStatus(text);
        else
            m_events.status(text);
    };
    hooks.closedByServer = [this] {
        m_events.status("Disconnected.");
        if (m_log)
            m_log->disconnected();
    };
    hooks.sent = [this](std::string_view bytes) {
        if (m_log)
            m_log->sent(bytes);
    };
    hooks.received = [this](std::string_view bytes) {
        if (m_log)
            m_log->received(bytes);
    };
    hooks.pump = m_pump;
    c->setHooks(std::move(hooks));
    c->setConnectTimeoutMs(m_limits.connectMs);
    c->setReadTimeoutMs(m_limits.idleReadMs);
    c->setEveryAddress(m_network.everyAddress);
    std::optional<ProxyHop> hop;
    if (m_proxy) {
        hop = ProxyHop{m_proxy->host, m_proxy->port, {}};
        // An https request goes through a tunnel; the encryption then runs to the server itself.
        if (!proxiedHttp())
            hop->openTunnel = [this, host, port](Connection& tunnel) {
                openTunnel(tunnel, host, port, *m_proxy, m_userAgent);
            };
    }
    try {
        c->connect(host, port, hop ? &*hop : nullptr);
    } catch (...) {
        if (m_log)
            m_log->disconnected();
        c->close();
        throw;
    }
    if (m_log)
        m_log->connected();
    m_events.status("Connected.");
}

void HttpClient::writeRequest(const HttpExchange& exchange, bool http10)
{
    HttpRequest r;
    r.method = exchange.method();
    // A proxy is given the whole URL, so that it knows where the request goes.
    r.target = proxiedHttp() ? originOf(m_location) + m_location.requestTarget() : m_location.requestTarget();
    if (proxiedHttp() && !m_proxy->user.empty())
        r.proxyAuthorization = proxyCredentials(*m_proxy);
    r.http10 = http10;
    r.connection = m_connection;
    if (exchange.sendsContentType())
        r.contentType = m_contentType;
    r.contentLength = exchange.contentLength();
    r.cacheControl = m_cacheControl;
    r.host = m_location.host + (m_location.port != "80" ? ":" + m_location.port : std::string());
    r.accept = m_accept;
    r.userAgent = m_userAgent;
    r.origin = exchange.page().origin;
    r.referer = exchange.page().referer;
    if (m_cookies)
        r.cookie = m_cookies->cookieHeader(m_location.host, m_location.directory,
                                           equalsIgnoreCaseAscii(m_location.scheme, "https"));
    Connection* c = active();
    c->write(renderRequestHead(r));
    if (r.method == HttpMethod::Get)
        return;
    if (exchange.source()) {
        writeBodySource(*c, m_events, *exchange.source());
        return;
    }

    const std::string& body = exchange.body();
    m_events.workBegin(WorkDirection::Write, int64_t(body.size()));
    try {
        for (size_t done = 0; done < body.size();) {
            const size_t n = std::min(kSendBlock, body.size() - done);
            c->write(std::string_view(body).substr(done, n));
            done += n;
            m_events.work(WorkDirection::Write, int64_t(done));
        }
    } catch (...) {
        m_events.workEnd(WorkDirection::Write);
        throw;
    }
    m_events.workEnd(WorkDirection::Write);
}

void HttpClient::readResponseHead()
{
    Connection& c = *active();
    do {
        m_response = readHeadOnce(c);
        if (m_cookies)
            m_cookies->takeCookies(m_response->headers, m_location.host);
    } while (m_response->code == 100);
}

void HttpClient::readBodyWithin(int limitMs, BodyBuffer& out, bool keep)
{
    Connection& c = *active();
    c.setReadTimeoutMs(limitMs);
    try {
        readReplyBody(c, m_events, framingOf(*m_response), out, keep);
    } catch (...) {
        c.setReadTimeoutMs(m_limits.idleReadMs);
        throw;
    }
    c.setReadTimeoutMs(m_limits.idleReadMs);
}

std::string HttpClient::get(const std::string& url)
{
    HttpExchange exchange(HttpMethod::Get, url, {});
    return operation(exchange, false);
}

std::string HttpClient::put(const std::string& url, const std::string& body, const std::string& fromPage)
{
    HttpExchange exchange(HttpMethod::Put, url, body, formPageOf(fromPage));
    return operation(exchange, false);
}

std::string HttpClient::post(const std::string& url, const std::vector<std::string>& entries,
                             const std::string& fromPage)
{
    if (m_contentType.empty() || equalsIgnoreCaseAscii(m_contentType, "text/html"))
        m_contentType = "application/x-www-form-urlencoded";
    const std::string body = encodePostBody(entries);
    // Every POST goes as HTTP/1.0 over a new connection; afterwards requests are HTTP/1.1 again.
    if (connectionOpen())
        disconnect();
    HttpExchange exchange(HttpMethod::Post, url, body, formPageOf(fromPage));
    return operation(exchange, true);
}

std::string HttpClient::post(const std::string& url, BodySource& body, const std::string& fromPage)
{
    m_contentType = body.contentType();
    if (connectionOpen())
        disconnect();
    HttpExchange exchange(HttpMethod::Post, url, body, formPageOf(fromPage));
    return operation(exchange, true);
}

std::string HttpClient::operation(HttpExchange& exchange, bool http10)
{
    std::string result;
    m_answerLocation.reset();
    try {
        result = run(exchange, http10);
    } catch (...) {
        m_fate = exchange.fate();
        m_redirections = exchange.pass() - 1;
        if (!mayKeepConnection(http10))
            disconnect();
        throw;
    }
    m_fate = exchange.fate();
    m_redirections = exchange.pass() - 1;
    if (!mayKeepConnection(http10))
        disconnect();
    return result;
}

void HttpClient::choosePlace(HttpExchange& exchange, bool http10)
{
    const bool wasSecure = equalsIgnoreCaseAscii(m_location.scheme, "https");
    m_location = resolveUrl(exchange.url(), m_location);
    const bool secure = equalsIgnoreCaseAscii(m_location.scheme, "https");
    if (exchange.pass() > 1 && wasSecure && !secure) {
        // The server sends the rest of the request into the clear: whoever reads the log should know.
        if (m_log)
            m_log->note("Redirected from https to http");
        m_events.status("Redirected from https to http");
    }
    if (exchange.pass() > 1 && secure && !m_tls && m_redirectTls) {
        // A redirection to https goes on over TLS, as in a browser, even when the URL set was plain.
        if (connectionOpen())
            disconnect();
        m_plain.reset();
        m_tls = m_redirectTls;
    }
    const int port = portNumber(m_location.port);
    const ProxyServer* proxy = proxyFor(m_network.proxy, m_location.scheme, m_location.host);
    m_proxy = proxy ? std::optional<ProxyServer>(*proxy) : std::nullopt;
    const std::string proxyKey = proxy ? proxy->host + ":" + std::to_string(proxy->port) : std::string();
    // The open connection goes to another place, or another way: it cannot carry this pass.
    if (const Connection* c = active(); c && c->connected() &&
        (!equalsIgnoreCaseAscii(m_location.host, c->peerHost()) || port != c->peerPort() ||
         c->proxyKey() != proxyKey))
        disconnect();
    if (secure) {
        if (!m_tls)
            throw Error("IOHandler value is not valid");
        m_tls->setPassThrough(false);
        m_connection.clear();
    } else {
        if (m_tls)
            m_tls->setPassThrough(true);
        if (http10 && m_connection.empty())
            m_connection = "keep-alive";
    }
    if (!mayKeepConnection(http10))
        disconnect();
    if (Connection* c = active(); c && c->connected() && c->checkForClose(1))
        disconnect();
}

bool HttpClient::followRedirect(HttpExchange& exchange)
{
    if (!exchange.mayFollow())
        return false;
    const std::string& location = m_response->location;
    bool movedToTls = false;
    std::optional<Location> target;
    try {
        target = resolveUrl(location, m_location);
        movedToTls = movesToTls(m_location, *target);
    } catch (const Error&) {
        // A Location that names no place fails when its pass resolves it.
    }
    const bool takenBefore = exchange.taken();
    exchange.follow(location, m_response->code, movedToTls);
    if (exchange.taken() && !takenBefore)
        m_answerLocation = target;
    return true;
}

std::string HttpClient::run(HttpExchange& exchange, bool http10)
{
    for (;;) {
        exchange.enter(ExchangeState::Resolving);
        choosePlace(exchange, http10);
        exchange.enter(ExchangeState::Connecting);
        if (!connectionOpen())
            connectNow(m_location.host, portNumber(m_location.port));
        exchange.enter(ExchangeState::Writing);
        writeRequest(exchange, http10);
        exchange.enter(ExchangeState::ReadingHead);
        readResponseHead();

        exchange.enter(ExchangeState::Deciding);
        const HttpResponse& response = *m_response;
        const Verdict verdict = verdictOf(response);
        exchange.decided(verdict, response.code);
        Connection* c = active();
        switch (verdict) {
        case Verdict::Redirect:
            exchange.enter(ExchangeState::ReadingBody);
            if (c->connected()) {
                // The redirection's own body is not wanted, only read past.
                try {
                    BodyBuffer scratch;
                    readBodyWithin(m_limits.redirectBodyReadMs, scratch, false);
                } catch (const Error&) {
                }
            }
            if (!followRedirect(exchange)) {
                exchange.enter(ExchangeState::Done);
                return {};
            }
            continue;
        case Verdict::Success: {
            if (!c->connected())
                throw Error("Undefined situation");
            exchange.enter(ExchangeState::ReadingBody);
            BodyBuffer body;
            if (response.code != 204)
                readBodyWithin(m_limits.idleReadMs, body, true);
            exchange.enter(ExchangeState::Done);
            return body.take();
        }
        case Verdict::Failure: {
            if (response.code == 407 && proxiedHttp())
                refusedByProxy(exchange);
            exchange.enter(ExchangeState::ReadingBody);
            BodyBuffer errorBody;
            readBodyWithin(m_limits.errorBodyReadMs, errorBody, true);
            exchange.enter(ExchangeState::Done);
            throw ProtocolError(response.code, response.statusLine, errorBody.take());
        }
        }
    }
}

}  // namespace torvane
