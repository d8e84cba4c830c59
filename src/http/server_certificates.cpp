#include "http/server_certificates.h"

#include "http/http_client.h"
#include "http/proxy_tunnel.h"
#include "http/tls_transport.h"
#include "http/url.h"
#include "util/error.h"
#include "util/text.h"

namespace torvane {

ServerCertificates fetchServerCertificates(const std::string& url, const NetworkOptions& options,
                                           Clock& clock, TlsLibrary& library)
{
    const Location place = resolveUrl(url, Location{});
    if (!equalsIgnoreCaseAscii(place.scheme, "https"))
        throw Error("\"" + url + "\" is not an https URL");
    int32_t port = 0;
    if (!tryToInt32(place.port, port) || port <= 0 || port > 65535)
        throw Error(notValidIntegerMessage(place.port));

    TlsTransport tls(clock, library, {});
    tls.setPolicy({"System", options.clientCertificate, options.clientCertificatePassword, true});
    tls.setEveryAddress(options.everyAddress);
    tls.setConnectTimeoutMs(HttpLimits::kConnectMs);
    tls.setPassThrough(false);
    std::optional<ProxyHop> hop;
    if (const ProxyServer* proxy = proxyFor(options.proxy, place.scheme, place.host)) {
        hop = ProxyHop{proxy->host, proxy->port, [&place, port, proxy](Connection& c) {
                           openTunnel(c, place.host, port, *proxy, kClientUserAgent);
                       }};
    }
    tls.connect(place.host, port, hop ? &*hop : nullptr);
    ServerCertificates result{tls.peerChain(), tls.verifyFailure()};
    tls.close();
    return result;
}

}  // namespace torvane
