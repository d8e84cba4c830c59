#include "posting/server_trust.h"

#include "http/server_certificates.h"

namespace torvane {

ServerTrust examineServer(const std::string& url, const NetworkOptions& options, Clock& clock, TlsLibrary& library)
{
    const ServerCertificates found = fetchServerCertificates(url, options, clock, library);
    ServerTrust trust;
    for (size_t i = 0; i < found.chain.size(); ++i) {
        const PeerCertificate& c = found.chain[i];
        trust.lines.push_back("Certificate " + std::to_string(i + 1) + ": " + c.subject);
        trust.lines.push_back("  issued by " + c.issuer);
        trust.lines.push_back("  valid from " + c.notBefore + " to " + c.notAfter);
        trust.lines.push_back("  key pin " + c.pin);
    }
    if (!found.chain.empty())
        trust.pin = found.chain.front().pin;
    trust.passesSystem = found.systemFailure.empty();
    trust.lines.push_back(trust.passesSystem ? "TLSVerify System: passes"
                                             : "TLSVerify System: fails (" + found.systemFailure + ")");
    return trust;
}

}  // namespace torvane
