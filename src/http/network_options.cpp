#include "http/network_options.h"

#include "util/base64.h"
#include "util/text.h"

namespace torvane {

namespace {

std::string withoutBrackets(const std::string& host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

// As curl reads no_proxy: an entry names a host and every host in its domain; a leading dot changes
// nothing, and letter case does not matter.
bool reachedDirectly(const std::vector<std::string>& noProxy, const std::string& host)
{
    const std::string name = upperAscii(withoutBrackets(host));
    for (const std::string& raw : noProxy) {
        if (raw.empty())
            continue;
        if (raw == "*")
            return true;
        std::string entry = upperAscii(withoutBrackets(raw.front() == '.' ? raw.substr(1) : raw));
        if (entry.empty())
            continue;
        if (name == entry || (name.size() > entry.size() && name.ends_with(entry) &&
                              name[name.size() - entry.size() - 1] == '.'))
            return true;
    }
    return false;
}

}  // namespace

const ProxyServer* proxyFor(const ProxyChoice& choice, const std::string& scheme, const std::string& host)
{
    const std::optional<ProxyServer>& proxy = equalsIgnoreCaseAscii(scheme, "https") ? choice.https : choice.http;
    if (!proxy || reachedDirectly(choice.noProxy, host))
        return nullptr;
    return &*proxy;
}

std::string proxyCredentials(const ProxyServer& proxy)
{
    return "Basic " + base64Encode(proxy.user + ":" + proxy.password);
}

}  // namespace torvane
