#include "http/proxy_tunnel.h"

#include "http/connection.h"
#include "util/error.h"

namespace torvane {

namespace {

// The status code of a reply's status line, -1 when it has none.
int statusCode(const std::string& statusLine)
{
    const size_t blank = statusLine.find(' ');
    if (blank == std::string::npos || statusLine.size() < blank + 4)
        return -1;
    int code = 0;
    for (size_t i = blank + 1; i < blank + 4; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9')
            return -1;
        code = code * 10 + (statusLine[i] - '0');
    }
    return code;
}

}  // namespace

std::string proxyRefusal(const ProxyServer& proxy)
{
    std::string message = "Proxy Authentication Required";
    if (!proxy.user.empty())
        message += " (user " + proxy.user + " refused)";
    return message;
}

std::string connectRequest(const std::string& host, int port, const ProxyServer& proxy,
                           const std::string& userAgent)
{
    const std::string authority = host + ":" + std::to_string(port);
    std::string request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!proxy.user.empty())
        request += "Proxy-Authorization: " + proxyCredentials(proxy) + "\r\n";
    request += "User-Agent: " + userAgent + "\r\n\r\n";
    return request;
}

void openTunnel(Connection& connection, const std::string& host, int port, const ProxyServer& proxy,
                const std::string& userAgent)
{
    connection.write(connectRequest(host, port, proxy, userAgent));
    const std::string statusLine = connection.readLine();
    // The head is read to its end; a refusal's body is never wanted, the connection goes with it.
    for (std::string line = statusLine; !line.empty();)
        line = connection.readLine();
    const int code = statusCode(statusLine);
    if (code >= 200 && code < 300)
        return;
    if (code == 407)
        throw Error(proxyRefusal(proxy));
    throw Error(statusLine.empty() ? std::string("Proxy closed the connection") : statusLine);
}

}  // namespace torvane
