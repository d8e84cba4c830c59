#include "http/http_exchange.h"

#include "http/body_source.h"

namespace torvane {

namespace {

const std::string kNoBody;

}  // namespace

HttpExchange::HttpExchange(HttpMethod method, std::string url, const std::string& body, FormPage page)
    : m_method(method), m_url(std::move(url)), m_page(std::move(page)), m_body(&body)
{
}

HttpExchange::HttpExchange(HttpMethod method, std::string url, BodySource& source, FormPage page)
    : m_method(method), m_url(std::move(url)), m_page(std::move(page)), m_body(&kNoBody), m_source(&source)
{
}

int64_t HttpExchange::contentLength() const
{
    if (m_method == HttpMethod::Get)
        return -1;
    return m_source ? m_source->size() : int64_t(m_body->size());
}

void HttpExchange::enter(ExchangeState state)
{
    m_state = state;
    // From the first byte on, the server may have the request, whatever happens after.
    if (state == ExchangeState::Writing)
        m_written = true;
}

void HttpExchange::decided(Verdict verdict, int code)
{
    m_verdict = verdict;
    m_code = code;
}

void HttpExchange::follow(const std::string& location, int code, bool movedToTls)
{
    const bool seeOther = code == 303 && m_method != HttpMethod::Get;
    const bool formMoved = (code == 301 || code == 302) && m_method == HttpMethod::Post && !movedToTls;
    if (seeOther || formMoved) {
        m_taken = true;
        m_method = HttpMethod::Get;
        m_body = &kNoBody;
        m_source = nullptr;
    }
    m_url = location;
    ++m_pass;
    m_verdict = Verdict::Redirect;
    m_state = ExchangeState::Resolving;
}

RequestFate HttpExchange::fate() const
{
    if (!m_written)
        return RequestFate::NotSent;
    // An error status is a definite answer even when its body cannot be read.
    const bool refused = m_verdict == Verdict::Failure &&
                         (m_state == ExchangeState::ReadingBody || m_state == ExchangeState::Done);
    return refused && !m_taken ? RequestFate::Answered : RequestFate::InDoubt;
}

}  // namespace torvane
