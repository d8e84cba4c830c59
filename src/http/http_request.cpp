#include "http/http_request.h"

namespace torvane {

namespace {

constexpr size_t kFoldWidth = 1024;

void addHeader(std::string& head, const char* name, const std::string& value)
{
    if (value.empty())
        return;
    head += foldHeaderLine(std::string(name) + ": " + value);
    head += "\r\n";
}

}  // namespace

const char* methodName(HttpMethod method)
{
    switch (method) {
    case HttpMethod::Get: return "GET";
    case HttpMethod::Post: return "POST";
    case HttpMethod::Put: return "PUT";
    }
    return "GET";
}

std::string renderRequestHead(const HttpRequest& r)
{
    std::string head = std::string(methodName(r.method)) + " " + r.target + " HTTP/" + (r.http10 ? "1.0" : "1.1") +
                       "\r\n";
    addHeader(head, "Connection", r.connection);
    addHeader(head, "Content-Type", r.contentType);
    if (r.contentLength >= 0)
        addHeader(head, "Content-Length", std::to_string(r.contentLength));
    addHeader(head, "Cache-control", r.cacheControl);
    addHeader(head, "Host", r.host);
    addHeader(head, "Proxy-Authorization", r.proxyAuthorization);
    addHeader(head, "Accept", r.accept);
    addHeader(head, "User-Agent", r.userAgent);
    addHeader(head, "Origin", r.origin);
    addHeader(head, "Referer", r.referer);
    addHeader(head, "Cookie", r.cookie);
    head += "\r\n";
    return head;
}

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

}  // namespace torvane
