#include "http/http_reply.h"

#include "util/text.h"

namespace torvane {

int statusCodeOf(const std::string& statusLine)
{
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

int64_t chunkSizeOf(const std::string& line)
{
    const std::string_view text = std::string_view(line).substr(0, line.find(' '));
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

ReplyHead::ReplyHead(const std::string& statusLine) : m_blockBytes(statusLine.size())
{
    m_response.statusLine = statusLine;
    m_response.code = statusCodeOf(statusLine);
}

void ReplyHead::addLine(const std::string& line)
{
    m_blockBytes += line.size() + 2;
    if (m_blockBytes > kMaxHeaderBlockBytes)
        throw Error("Max line length exceeded.");
    HttpHeaders& headers = m_response.headers;
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !headers.empty()) {
        headers.back().second += " " + trimmedBlanks(line);
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        headers.emplace_back(line, std::string());
    else
        headers.emplace_back(line.substr(0, colon), trimmedBlanks(std::string_view(line).substr(colon + 1)));
}

HttpResponse ReplyHead::finish() &&
{
    HttpResponse& r = m_response;
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
    return std::move(r);
}

BodyFraming framingOf(const HttpResponse& r)
{
    if (r.contentLength >= 1)
        return {BodyFraming::Counted, r.contentLength};
    if (FindItem("chunked", r.transferEncoding) > 0)
        return {BodyFraming::Chunked, 0};
    if (r.contentLength < 0)
        return {BodyFraming::UntilClose, 0};
    return {};
}

bool keepAliveAllowed(const HttpResponse& r, bool http10)
{
    const std::string connection = trimmedBlanks(r.connection);
    const std::string proxy = trimmedBlanks(r.proxyConnection);
    if (http10)
        return equalsIgnoreCaseAscii(connection, "keep-alive") || equalsIgnoreCaseAscii(proxy, "keep-alive");
    return !equalsIgnoreCaseAscii(connection, "close") && !equalsIgnoreCaseAscii(proxy, "close");
}

Verdict verdictOf(const HttpResponse& r)
{
    const int kind = r.code / 100;
    // A success is the answer, whatever else it names.
    if (kind == 2)
        return Verdict::Success;
    if (!r.location.empty() || (kind == 3 && r.code != 304))
        return Verdict::Redirect;
    return Verdict::Failure;
}

}  // namespace torvane
