// Trust on first use: the certificate chain an https server shows, described for the operator, with
// its key's pin and whether the system's authorities vouch for it. The trust command and the settings
// dialog's button both show it and may store the pin as TLSVerify.
#pragma once

#include "http/network_options.h"
#include "http/tls_library.h"
#include "util/clock.h"

#include <string>
#include <vector>

namespace torvane {

struct ServerTrust {
    std::vector<std::string> lines;  // the chain, the server's own certificate first, then the verdict
    std::string pin;                 // "sha256//" and the base64 of the server key's SHA-256
    bool passesSystem = false;
};

// Connects to the https URL's server as a run would (proxy, addresses, client certificate), with no
// check of its own, waiting by clock and encrypting with library. Throws Error when it cannot connect
// or the URL is not https.
ServerTrust examineServer(const std::string& url, const NetworkOptions& options, Clock& clock, TlsLibrary& library);

}  // namespace torvane
