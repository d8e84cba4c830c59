// How the client reaches servers beyond the plain, direct, IPv4 connection: the certificate check,
// the client certificate, the proxy and the address families, as values with every secret resolved.
// All empty, the client connects as it always has.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace torvane {

struct ProxyServer {
    std::string host;  // as written; an IPv6 literal keeps its brackets
    int port = 0;
    std::string user;  // empty: no proxy authentication
    std::string password;
    bool operator==(const ProxyServer&) const = default;
};

struct ProxyChoice {
    std::optional<ProxyServer> http;   // carries http requests (absolute URL as target)
    std::optional<ProxyServer> https;  // opens tunnels for https requests
    std::vector<std::string> noProxy;  // hosts and domains reached directly; "*" for all
    bool operator==(const ProxyChoice&) const = default;
};

struct NetworkOptions {
    // Empty: any certificate; "System"; a PEM file of authorities; "sha256//" and a key pin.
    std::string tlsVerify;
    std::string clientCertificate;  // a PEM file with certificate and key, or a PKCS#12 file
    std::string clientCertificatePassword;
    ProxyChoice proxy;
    // Names resolve to IPv6 and IPv4 addresses, each tried in turn; otherwise to the first IPv4 one.
    bool everyAddress = false;
    bool operator==(const NetworkOptions&) const = default;
};

// The proxy for a request to host by scheme ("http" or "https"), none when it goes directly.
const ProxyServer* proxyFor(const ProxyChoice& choice, const std::string& scheme, const std::string& host);

// The value of a Proxy-Authorization line for the server's user and password: "Basic " + base64.
std::string proxyCredentials(const ProxyServer& proxy);

}  // namespace torvane
