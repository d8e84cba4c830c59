// A request of the HTTP client as a value, and the bytes it goes on the wire as. The client fills
// the value from its settings and the place it goes to; rendering it changes nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace torvane {

enum class HttpMethod { Get, Post, Put };

struct HttpRequest {
    HttpMethod method = HttpMethod::Get;
    std::string target;  // path and query, as on the request line
    bool http10 = false;
    // Header values; an empty one is left out, as is a negative content length.
    std::string connection;
    std::string contentType;
    int64_t contentLength = -1;
    std::string cacheControl;
    std::string host;
    std::string accept;
    std::string userAgent;
    std::string proxyAuthorization;  // only for a request that goes to a proxy
    // The page the form came from, as a browser names it with a form it sends; empty for none.
    std::string origin;
    std::string referer;
    std::string cookie;
};

const char* methodName(HttpMethod method);

// The request line and header block, up to and including the empty line that ends it.
std::string renderRequestHead(const HttpRequest& request);

// Folds a header line longer than 1024 characters into continuation lines that begin with a blank,
// breaking only after a blank, a tab or a comma outside double quotes.
std::string foldHeaderLine(const std::string& line);

}  // namespace torvane
