#include "http/http_stack.h"

#include "http/http_events.h"
#include "util/clock.h"
#include "util/text.h"

namespace torvane {

std::string PostingReply::header(const std::string& name) const
{
    for (const auto& [header, value] : headers)
        if (equalsIgnoreCaseAscii(header, name))
            return value;
    return {};
}

HttpStack::HttpStack(HttpEvents& events, Clock& clock, std::function<void()> pump, HttpStackOptions options)
    : m_ownTlsLibrary(options.tlsLibrary ? nullptr : std::make_unique<TlsLibrary>()),
      m_options(options),
      m_log(options.trafficLogFile, options.localTime),
      m_cookies(options.now),
      m_sharedCookies(options.sharedCookies),
      m_tls(clock, options.tlsLibrary ? *options.tlsLibrary : *m_ownTlsLibrary,
            [&events](const std::string& text) { events.tlsStatusInfo(text); }),
      m_client(events, clock, std::move(pump))
{
    m_client.setCookieStore(&cookies());
    m_client.setTrafficLog(&m_log);
    m_client.setLimits(options.limits);
    // The client starts with the TLS transport attached; each request says whether it wants it.
    m_client.attachTransport(&m_tls);
    m_client.setRedirectTransport(&m_tls);
}

HttpStack::~HttpStack() = default;

void HttpStack::attachTlsTransport(bool attach)
{
    m_client.attachTransport(attach ? &m_tls : nullptr);
}

void HttpStack::setNetwork(const NetworkOptions& options)
{
    m_network = options;
    m_client.setNetwork(options);
    m_tls.setPolicy({options.tlsVerify, options.clientCertificate, options.clientCertificatePassword});
}

void HttpStack::setTrafficLog(bool on)
{
    m_log.setActive(on);
}

std::string HttpStack::dispatch(const PostingRequest& request)
{
    switch (request.method) {
    case HttpMethod::Put:
        return m_client.put(request.url, request.body, request.fromPage);
    case HttpMethod::Post:
        return request.source ? m_client.post(request.url, *request.source, request.fromPage)
                              : m_client.post(request.url, request.entries, request.fromPage);
    case HttpMethod::Get:
        break;
    }
    return m_client.get(request.url);
}

PostingReply HttpStack::send(const PostingRequest& request)
{
    m_client.setCacheControl(request.cacheControl);
    m_client.setContentType(request.contentType);
    attachTlsTransport(request.tls);
    try {
        return replyWith(dispatch(request));
    } catch (const ProtocolError& e) {
        PostingReply answer = replyWith(e.body());
        answer.code = e.code();
        throw RequestFailed(e.what(), m_client.lastRequestFate(), std::move(answer));
    } catch (const std::exception& e) {
        PostingReply none;
        if (m_client.lastRequestFate() == RequestFate::Answered)
            none.statusLine = m_client.lastStatusLine();
        throw RequestFailed(e.what(), m_client.lastRequestFate(), std::move(none));
    }
}

PostingReply HttpStack::replyWith(std::string body) const
{
    const HttpResponse& response = m_client.lastResponse();
    PostingReply reply;
    reply.statusLine = response.statusLine;
    reply.code = response.code;
    reply.headers = response.headers;
    reply.body = std::move(body);
    reply.place = placeName(m_client.currentLocation());
    reply.url = urlOf(m_client.currentLocation());
    if (const std::optional<Location>& answer = m_client.answerLocation())
        reply.answerPlace = placeName(*answer);
    reply.redirections = m_client.redirections();
    return reply;
}

std::vector<std::string> HttpStack::cookieNames() const
{
    std::vector<std::string> names;
    for (const auto& domain : cookies().domains())
        for (const Cookie& cookie : domain.cookies)
            names.push_back(cookie.name);
    return names;
}

namespace {

// A stack of its own with the events it reports to; the clock is the real one, as the network's is.
class FurtherConnection : public PostingClient {
public:
    FurtherConnection(HttpStackOptions options, const NetworkOptions& network)
        : m_stack(m_events, SystemClock::instance(), {}, std::move(options))
    {
        m_stack.setNetwork(network);
    }
    PostingReply send(const PostingRequest& request) override { return m_stack.send(request); }
    void setTrafficLog(bool) override {}

private:
    QuietEvents m_events;
    HttpStack m_stack;
};

}  // namespace

std::unique_ptr<PostingClient> HttpStack::openConnection()
{
    HttpStackOptions options = m_options;
    options.sharedCookies = &cookies();
    options.tlsLibrary = m_options.tlsLibrary ? m_options.tlsLibrary : m_ownTlsLibrary.get();
    // Its requests are not written to the traffic log: several writers would mix their lines.
    return std::make_unique<FurtherConnection>(std::move(options), m_network);
}

}  // namespace torvane
