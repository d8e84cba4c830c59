#include "http/http_session.h"

#include "util/text.h"

#include "http/http_events.h"

namespace torvane {

HttpSession::HttpSession(HttpEvents& events, Clock& clock, std::function<void()> pump, HttpSessionOptions options)
    : m_ownTlsLibrary(options.tlsLibrary ? nullptr : std::make_unique<TlsLibrary>()),
      m_log(options.trafficLogFile, options.localTime),
      m_cookies(options.now),
      m_tls(clock, options.tlsLibrary ? *options.tlsLibrary : *m_ownTlsLibrary,
            [&events](const std::string& text) { events.tlsStatusInfo(text); }),
      m_client(events, clock, std::move(pump))
{
    m_client.setCookieStore(&m_cookies);
    m_client.setTrafficLog(&m_log);
    m_client.setLimits(options.limits);
    // The client starts with the TLS transport attached; the posting run chooses before each request.
    m_client.attachTransport(&m_tls);
    m_client.setRedirectTransport(&m_tls);
}

HttpSession::~HttpSession() = default;

void HttpSession::setCacheControl(const std::string& value)
{
    m_client.setCacheControl(value);
}

void HttpSession::setContentType(const std::string& value)
{
    m_client.setContentType(value);
}

void HttpSession::attachTlsTransport(bool attach)
{
    m_client.attachTransport(attach ? &m_tls : nullptr);
}

void HttpSession::setNetwork(const NetworkOptions& options)
{
    m_client.setNetwork(options);
    m_tls.setPolicy({options.tlsVerify, options.clientCertificate, options.clientCertificatePassword});
}

void HttpSession::setTrafficLog(bool on)
{
    m_log.setActive(on);
}

std::string HttpSession::put(const std::string& url, const std::string& body, const std::string& fromPage)
{
    return m_client.put(url, body, fromPage);
}

std::string HttpSession::post(const std::string& url, const std::vector<std::string>& entries,
                              const std::string& fromPage)
{
    return m_client.post(url, entries, fromPage);
}

std::string HttpSession::postBody(const std::string& url, BodySource& body, const std::string& fromPage)
{
    return m_client.post(url, body, fromPage);
}

std::string HttpSession::get(const std::string& url)
{
    return m_client.get(url);
}

std::string HttpSession::lastStatusLine() const
{
    return m_client.lastStatusLine();
}

}  // namespace torvane

namespace torvane {

std::string HttpSession::lastResponseHeader(const std::string& name) const
{
    for (const auto& [header, value] : m_client.lastResponse().headers)
        if (equalsIgnoreCaseAscii(header, name))
            return value;
    return {};
}

}  // namespace torvane

namespace torvane {

namespace {

std::string placeName(const Location& place)
{
    return upperAscii(place.host) + place.directory + place.document;
}

}  // namespace

std::string HttpSession::lastPlace() const
{
    return placeName(m_client.currentLocation());
}

std::string HttpSession::answerPlace() const
{
    const std::optional<Location>& answer = m_client.answerLocation();
    return answer ? placeName(*answer) : std::string();
}

std::vector<std::string> HttpSession::cookieNames() const
{
    std::vector<std::string> names;
    for (const auto& domain : m_cookies.domains())
        for (const Cookie& cookie : domain.cookies)
            names.push_back(cookie.name);
    return names;
}

}  // namespace torvane
