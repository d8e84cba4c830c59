#include "http/http_client.h"

#include <algorithm>

#include "http/body_buffer.h"
#include "http/connection.h"
#include "http/cookie_store.h"
#include "http/form_encoding.h"
#include "http/http_events.h"
#include "http/tls_transport.h"
#include "http/traffic_log.h"
#include "util/text.h"

namespace torvane {

namespace {

constexpr size_t kFoldWidth = 1024;

int portNumber(const std::string& text)
{
    int32_t port = 0;
    if (!tryToInt32(text, port) || port < 0 || port > 65535)
        throw Error(notValidIntegerMessage(text));
    return port;
}

int statusCodeOf(const std::string& statusLine)
{
    // The second blank-separated word.
    size_t i = statusLine.find(' ');
    if (i == std::string::npos)
        return -1;
    while (i < statusLine.size() && statusLine[i] == ' ')
        ++i;
    const size_t end = statusLine.find(' ', i);
    int32_t code = 0;
    if (!tryToInt32(std::string_view(statusLine).substr(i, end == std::string::npos ? std::string::npos : end - i), code))
        return -1;
    return code;
}

// Hexadecimal chunk size; text that is not one (or does not fit) counts as 0.
int64_t chunkSizeOf(const std::string& line)
{
    const std::string text = line.substr(0, line.find(' '));
    if (text.empty() || text.size() > 15)
        return 0;
    int64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

void addHeader(std::string& head, const char* name, const std::string& value)
{
    if (value.empty())
        return;
    head += foldHeaderLine(std::string(name) + ": " + value);
    head += "\r\n";
}

}  // namespace

std::string foldHeaderLine(const std::string& line)
{
    if (line.size() <= kFoldWidth)
        return line;
    std::string out;
    size_t lineStart = 0;   // start of the current output line within `line`
    size_t lastBreak = std::string::npos;  // position just after the last allowed break
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ' ' || c == '\t' || c == ','))
            lastBreak = i + 1;
        const size_t width = i + 1 - lineStart + (lineStart > 0 ? 1 : 0);
        if (width > kFoldWidth && lastBreak != std::string::npos && lastBreak > lineStart &&
            lastBreak < line.size()) {
            out += line.substr(lineStart, lastBreak - lineStart);
            out += "\r\n ";
            lineStart = lastBreak;
            lastBreak = std::string::npos;
        }
    }
    out += line.substr(lineStart);
    return out;
}

HttpClient::HttpClient(HttpEvents& events, Clock& clock, std::function<void()> pump)
    : m_events(events), m_clock(clock), m_pump(std::move(pump))
{
}

HttpClient::~HttpClient() = default;

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

bool HttpClient::keepAliveAllowed() const
{
    if (!m_hasResponse || !connectionOpen())
        return false;
    const std::string connection = trimmedBlanks(m_response.connection);
    const std::string proxy = trimmedBlanks(m_response.proxyConnection);
    if (m_http10)
        return equalsIgnoreCaseAscii(connection, "keep-alive") || equalsIgnoreCaseAscii(proxy, "keep-alive");
    return !equalsIgnoreCaseAscii(connection, "close") && !equalsIgnoreCaseAscii(proxy, "close");
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

void HttpClient::connectNow()
{
    Connection* c = active();
    if (!c) {
        m_plain = std::make_unique<Connection>(m_clock);
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
    try {
        c->connect(m_targetHost, m_targetPort);
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

void HttpClient::writeRequest(Method method, const std::string& body)
{
    Connection* c = active();
    const char* name = method == Method::Get ? "GET" : method == Method::Post ? "POST" : "PUT";
    std::string head = std::string(name) + " " + m_location.requestTarget() + " HTTP/" +
                       (m_http10 ? "1.0" : "1.1") + "\r\n";
    addHeader(head, "Connection", m_connection);
    addHeader(head, "Content-Type", m_contentType);
    if (m_contentLength >= 0)
        addHeader(head, "Content-Length", std::to_string(m_contentLength));
    addHeader(head, "Cache-control", m_cacheControl);
    addHeader(head, "Host", m_host);
    addHeader(head, "Accept", m_accept);
    addHeader(head, "User-Agent", m_userAgent);
    if (m_cookies) {
        const bool https = equalsIgnoreCaseAscii(m_location.scheme, "https");
        addHeader(head, "Cookie", m_cookies->cookieHeader(m_location.host, m_location.directory, https));
    }
    head += "\r\n";
    // From the first byte on, the server may have the request, whatever happens after.
    m_fate = RequestFate::InDoubt;
    c->write(head);
    if (method == Method::Get)
        return;

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

void HttpClient::readHeadOnce()
{
    Connection* c = active();
    const std::string statusLine = c->readLine();
    HttpResponse r;
    r.statusLine = statusLine;
    r.code = statusCodeOf(statusLine);
    size_t blockBytes = statusLine.size();
    for (;;) {
        std::string line;
        try {
            line = c->readLine();
        } catch (const ClosedGracefully&) {
            break;  // a close ends the block; what was read counts
        }
        if (line.empty())
            break;
        blockBytes += line.size() + 2;
        if (blockBytes > kMaxHeaderBlockBytes)
            throw Error("Max line length exceeded.");
        if ((line[0] == ' ' || line[0] == '\t') && !r.headers.empty()) {
            r.headers.back().second += " " + trimmedBlanks(line);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            r.headers.emplace_back(line, std::string());
        else
            r.headers.emplace_back(line.substr(0, colon), trimmedBlanks(std::string_view(line).substr(colon + 1)));
    }
    bool haveLength = false;
    for (const auto& [name, value] : r.headers) {
        for (auto [wanted, slot] : {std::pair{"Location", &r.location}, std::pair{"Connection", &r.connection},
                                    std::pair{"Proxy-Connection", &r.proxyConnection},
                                    std::pair{"Transfer-Encoding", &r.transferEncoding}}) {
            if (slot->empty() && equalsIgnoreCaseAscii(name, wanted))
                *slot = value;
        }
        if (!haveLength && equalsIgnoreCaseAscii(name, "Content-Length")) {
            haveLength = true;
            int64_t length = -1;
            r.contentLength = tryToInt64(value, length) && length >= 0 ? length : -1;
        }
    }
    m_response = std::move(r);
    m_hasResponse = true;
    if (m_cookies)
        m_cookies->takeCookies(m_response.headers, m_location.host);
}

void HttpClient::readResponseHead()
{
    readHeadOnce();
    while (m_response.code == 100)
        readHeadOnce();
}

void HttpClient::readCounted(BodyBuffer& out, int64_t count, bool closeEndsQuietly, bool keep)
{
    // Bytes are taken as they arrive, so a huge announced length costs only what really comes.
    Connection* c = active();
    int64_t total = 0;
    for (int64_t remaining = count; remaining > 0;) {
        const size_t want = size_t(std::min<int64_t>(remaining, int64_t(kReceiveBlock)));
        size_t n;
        if (c->buffered() > 0) {
            n = c->appendBuffered(out, want);
        } else {
            n = c->receiveInto(out.prepare(want), want);
            out.commit(n);
        }
        if (n == 0) {
            // A body cut short by the close is what the server sent; a chunk cut short is an error.
            if (!closeEndsQuietly)
                throw ClosedGracefully();
            return;
        }
        total += int64_t(n);
        remaining -= int64_t(n);
        if (!keep)
            out.clear();
        m_events.work(WorkDirection::Read, total);
    }
}

void HttpClient::readBody(BodyBuffer& out, bool keep)
{
    Connection* c = active();
    const int64_t length = m_response.contentLength;
    auto transfer = [this](int64_t expected, const std::function<void()>& body) {
        m_events.workBegin(WorkDirection::Read, expected);
        try {
            body();
        } catch (...) {
            m_events.workEnd(WorkDirection::Read);
            throw;
        }
        m_events.workEnd(WorkDirection::Read);
    };
    if (length >= 1) {
        transfer(length, [&] { readCounted(out, length, true, keep); });
    } else if (FindItem("chunked", m_response.transferEncoding) > 0) {
        m_events.status("Chunk Started");
        for (;;) {
            const int64_t size = chunkSizeOf(c->readLine());
            if (size == 0)
                break;
            transfer(size, [&] { readCounted(out, size, false, keep); });
            c->readLine();
        }
        c->readLine();
    } else if (length < 0) {
        transfer(0, [&] {
            int64_t total = 0;
            for (;;) {
                size_t n;
                if (c->buffered() > 0) {
                    n = c->appendBuffered(out, c->buffered());
                } else {
                    n = c->receiveInto(out.prepare(kReceiveBlock), kReceiveBlock);
                    out.commit(n);
                }
                if (n == 0)
                    break;
                total += int64_t(n);
                if (!keep)
                    out.clear();
                m_events.work(WorkDirection::Read, total);
            }
        });
    }
}

std::string HttpClient::get(const std::string& url)
{
    return operation(Method::Get, url, {});
}

std::string HttpClient::put(const std::string& url, const std::string& body)
{
    return operation(Method::Put, url, body);
}

std::string HttpClient::post(const std::string& url, const std::vector<std::string>& entries)
{
    if (m_contentType.empty() || equalsIgnoreCaseAscii(m_contentType, "text/html"))
        m_contentType = "application/x-www-form-urlencoded";
    const std::string body = encodePostBody(entries);
    // Every POST goes as HTTP/1.0 over a new connection; afterwards requests are HTTP/1.1 again.
    struct Version {
        bool& flag;
        ~Version() { flag = false; }
    } version{m_http10};
    m_http10 = true;
    if (connectionOpen())
        disconnect();
    return operation(Method::Post, url, body);
}

std::string HttpClient::operation(Method method, const std::string& url, const std::string& body)
{
    std::string result;
    try {
        result = onePassLoop(method, url, body);
    } catch (...) {
        if (!keepAliveAllowed())
            disconnect();
        throw;
    }
    if (!keepAliveAllowed())
        disconnect();
    return result;
}

std::string HttpClient::onePassLoop(Method method, const std::string& url, const std::string& body)
{
    m_redirectCounter = 0;
    m_fate = RequestFate::NotSent;
    bool taken = false;  // a success naming another page took the record on an earlier pass
    std::string nextUrl = url;
    static const std::string noBody;
    const std::string* passBody = &body;
    for (;;) {
        ++m_redirectCounter;
        m_location = resolveUrl(nextUrl, m_location);
        m_contentLength = method == Method::Get ? -1 : int64_t(passBody->size());
        m_host = m_location.host + (m_location.port != "80" ? ":" + m_location.port : std::string());

        const int port = portNumber(m_location.port);
        if (!equalsIgnoreCaseAscii(m_location.host, m_targetHost) || port != m_targetPort) {
            if (connectionOpen())
                disconnect();
            m_targetHost = m_location.host;
            m_targetPort = port;
        }
        const bool https = equalsIgnoreCaseAscii(m_location.scheme, "https");
        if (https) {
            if (!m_tls)
                throw Error("IOHandler value is not valid");
            m_tls->setPassThrough(false);
            m_connection.clear();
        } else {
            if (m_tls)
                m_tls->setPassThrough(true);
            if (m_http10 && m_connection.empty())
                m_connection = "keep-alive";
        }

        if (!keepAliveAllowed())
            disconnect();
        if (Connection* c = active(); c && c->connected() && c->checkForClose(1))
            disconnect();
        if (!connectionOpen())
            connectNow();

        writeRequest(method, *passBody);
        readResponseHead();

        Connection* c = active();
        const int code = m_response.code;
        const int kind = code / 100;
        if (!m_response.location.empty() || (kind == 3 && code != 304)) {
            const bool follow = m_redirectCounter < kRedirectMaximum;
            if (c->connected()) {
                // The redirection's own body is not wanted, only read past.
                c->setReadTimeoutMs(m_limits.redirectBodyReadMs);
                try {
                    BodyBuffer scratch;
                    readBody(scratch, false);
                } catch (const Error&) {
                }
                c->setReadTimeoutMs(m_limits.idleReadMs);
            }
            if (!follow)
                return {};
            nextUrl = m_response.location;
            // A success that names another page has already taken the record: that page is fetched,
            // never sent the record again.
            if (kind == 2 && method != Method::Get) {
                taken = true;
                method = Method::Get;
                passBody = &noBody;
            }
            continue;
        }
        if (kind == 2) {
            if (!c->connected())
                throw Error("Undefined situation");
            BodyBuffer result;
            if (code != 204)
                readBody(result, true);
            return result.take();
        }
        // An error status is a definite answer even when its body cannot be read.
        if (!taken)
            m_fate = RequestFate::Answered;
        BodyBuffer errorBody;
        c->setReadTimeoutMs(m_limits.errorBodyReadMs);
        try {
            readBody(errorBody, true);
        } catch (...) {
            c->setReadTimeoutMs(m_limits.idleReadMs);
            throw;
        }
        c->setReadTimeoutMs(m_limits.idleReadMs);
        throw ProtocolError(code, m_response.statusLine, errorBody.take());
    }
}

}  // namespace torvane
