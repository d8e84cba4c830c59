// Talking to a proxy: the CONNECT request that opens a tunnel to an https server, reading the proxy's
// answer to it, and the message of a proxy that refuses the credentials.
#pragma once

#include <string>

#include "http/network_options.h"

namespace torvane {

class Connection;

// "Proxy Authentication Required", with " (user NAME refused)" when credentials were given.
std::string proxyRefusal(const ProxyServer& proxy);

// The bytes of the CONNECT request for host:port ("[::1]" literals keep their brackets).
std::string connectRequest(const std::string& host, int port, const ProxyServer& proxy,
                           const std::string& userAgent);

// Sends the CONNECT request on the freshly dialed connection and reads the proxy's answer head. A
// 2xx leaves the connection as a tunnel to the server; a 407 throws proxyRefusal, any other answer
// its status line.
void openTunnel(Connection& connection, const std::string& host, int port, const ProxyServer& proxy,
                const std::string& userAgent);

}  // namespace torvane
