// The certificates an https server shows, fetched without trusting or refusing them: what the trust
// command and the settings dialog show before a key is pinned.
#pragma once

#include <string>
#include <vector>

#include "http/network_options.h"
#include "http/tls_library.h"

namespace torvane {

class Clock;

struct ServerCertificates {
    std::vector<PeerCertificate> chain;  // the server's own certificate first
    std::string systemFailure;           // why the system's authorities do not vouch for it; empty: they do
};

// Connects to the https URL's server as a request would (proxy, addresses, client certificate) and
// shakes hands; sends nothing else. Throws Error when the URL is not https or the server cannot be
// reached.
ServerCertificates fetchServerCertificates(const std::string& url, const NetworkOptions& options,
                                           Clock& clock, TlsLibrary& library);

}  // namespace torvane
