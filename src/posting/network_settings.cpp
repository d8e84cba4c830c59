#include "posting/network_settings.h"

#include "http/url.h"
#include "store/row_reader.h"
#include "util/base64.h"
#include "util/error.h"
#include "util/secrets.h"
#include "util/text.h"

#include <filesystem>

namespace torvane {

namespace {

const char* const kProxyForm = "http://[USER[:${NAME}]@]HOST:PORT or environment";
const char* const kEnvironmentProxyForm = "http://[USER[:PASSWORD]@]HOST[:PORT]";
constexpr int kCurlDefaultProxyPort = 1080;

std::string percentDecoded(const std::string& text)
{
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += char(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The parts of http://[USER[:PASSWORD]@]HOST[:PORT][/]; nothing for any other form. The password
// comes back as written; a missing port is 0.
std::optional<ProxyServer> splitProxyUrl(const std::string& text, bool schemeRequired)
{
    std::string rest = trimmedBlanks(text);
    if (const size_t sep = rest.find("://"); sep != std::string::npos) {
        if (!equalsIgnoreCaseAscii(rest.substr(0, sep), "http"))
            return std::nullopt;
        rest.erase(0, sep + 3);
    } else if (schemeRequired) {
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    ProxyServer proxy;
    if (const size_t at = rest.rfind('@'); at != std::string::npos) {
        const std::string userInfo = rest.substr(0, at);
        rest.erase(0, at + 1);
        const size_t colon = userInfo.find(':');
        proxy.user = percentDecoded(userInfo.substr(0, colon));
        if (colon != std::string::npos)
            proxy.password = userInfo.substr(colon + 1);
        if (proxy.user.empty())
            return std::nullopt;
    }
    const size_t hostEnd = rest.starts_with("[") ? rest.find(']') : rest.rfind(':');
    if (rest.starts_with("[") && hostEnd == std::string::npos)
        return std::nullopt;
    const size_t colon = rest.starts_with("[") ? hostEnd + 1 : hostEnd;
    proxy.host = rest.substr(0, colon);
    if (colon < rest.size()) {
        int32_t port = 0;
        if (rest[colon] != ':' || !tryToInt32(rest.substr(colon + 1), port) || port < 1 || port > 65535)
            return std::nullopt;
        proxy.port = port;
    }
    if (proxy.host.empty() || proxy.host.find_first_of("/?#@ ") != std::string::npos)
        return std::nullopt;
    return proxy;
}

std::optional<std::string> environmentValue(SecretSource& environment, const char* name)
{
    std::optional<std::string> value = environment.secret(name);
    if (value && trimmedBlanks(*value).empty())
        return std::nullopt;
    return value;
}

// The first of the variables that is set, as curl looks for them.
std::optional<std::string> firstSet(SecretSource& environment, std::initializer_list<const char*> names,
                                    std::string& which)
{
    for (const char* name : names) {
        if (auto value = environmentValue(environment, name)) {
            which = name;
            return value;
        }
    }
    return std::nullopt;
}

std::optional<ProxyServer> environmentProxy(SecretSource& environment, std::initializer_list<const char*> names)
{
    std::string which;
    const std::optional<std::string> value = firstSet(environment, names, which);
    if (!value)
        return std::nullopt;
    std::optional<ProxyServer> proxy = splitProxyUrl(*value, false);
    // The message names the variable, never its value: it may hold a password.
    if (!proxy)
        throw Error("Proxy: the value of " + which + " is not " + kEnvironmentProxyForm);
    if (proxy->port == 0)
        proxy->port = kCurlDefaultProxyPort;
    proxy->password = percentDecoded(proxy->password);
    return proxy;
}

std::vector<std::string> noProxyList(SecretSource& environment)
{
    std::string which;
    const std::optional<std::string> value = firstSet(environment, {"no_proxy", "NO_PROXY"}, which);
    std::vector<std::string> hosts;
    if (!value)
        return hosts;
    std::string entry;
    for (const char c : *value + ",") {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!entry.empty())
                hosts.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return hosts;
}

std::string resolvedSecret(const std::string& setting, const std::string& written, SecretSource& secrets)
{
    const std::string name = wholeSecretName(written);
    const std::optional<std::string> value = secrets.secret(name);
    if (!value)
        throw Error(setting + ": " + name + " is not set");
    return *value;
}

ProxyChoice readProxy(const std::string& value, SecretSource& secrets, SecretSource& environment)
{
    ProxyChoice choice;
    if (value.empty())
        return choice;
    if (equalsIgnoreCaseAscii(value, kProxyFromEnvironment)) {
        // curl takes http_proxy in lower case only: the upper-case one may be set by a web server
        // for a CGI program from a request's "Proxy:" header.
        choice.http = environmentProxy(environment, {"http_proxy"});
        choice.https = environmentProxy(environment, {"https_proxy", "HTTPS_PROXY"});
        choice.noProxy = noProxyList(environment);
        return choice;
    }
    ProxyServer proxy = *splitProxyUrl(value, true);
    if (!proxy.password.empty())
        proxy.password = resolvedSecret("Proxy", proxy.password, secrets);
    choice.http = proxy;
    choice.https = proxy;
    return choice;
}

void requireFile(const std::string& setting, const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw Error(setting + ": the file \"" + path + "\" does not exist");
}

}  // namespace

bool isNetworkSetting(const std::string& setting)
{
    for (const char* name : {"TLSVerify", "ClientCertificate", "ClientCertificatePassword", "Proxy", "UseIPv6"})
        if (setting == name)
            return true;
    return false;
}

void checkNetworkSetting(const std::string& setting, const std::string& value)
{
    if (value.empty())
        return;
    if (setting == "TLSVerify" && value.starts_with(kTlsVerifyPinPrefix) &&
        !isBase64Of(value.substr(std::char_traits<char>::length(kTlsVerifyPinPrefix)), 32))
        throw Error("TLSVerify \"" + value + "\" is not sha256// followed by the 44 base64 characters of a key pin");
    if (setting == "ClientCertificatePassword" && wholeSecretName(value).empty())
        throw Error("ClientCertificatePassword must be written ${NAME}: the password itself is never stored");
    if (setting == "Proxy" && !equalsIgnoreCaseAscii(value, kProxyFromEnvironment)) {
        const std::optional<ProxyServer> proxy = splitProxyUrl(value, true);
        if (!proxy || proxy->port == 0 || (!proxy->password.empty() && wholeSecretName(proxy->password).empty()))
            throw Error("Proxy \"" + value + "\" is not " + kProxyForm);
    }
}

NetworkOptions readNetworkOptions(const RowReader& settings, SecretSource& secrets, SecretSource& environment)
{
    NetworkOptions options;
    for (const char* setting : {"TLSVerify", "ClientCertificate", "ClientCertificatePassword", "Proxy"})
        checkNetworkSetting(setting, settings.text(setting));
    options.tlsVerify = settings.text("TLSVerify");
    if (equalsIgnoreCaseAscii(options.tlsVerify, kTlsVerifySystem))
        options.tlsVerify = kTlsVerifySystem;
    else if (!options.tlsVerify.empty() && !options.tlsVerify.starts_with(kTlsVerifyPinPrefix))
        requireFile("TLSVerify", options.tlsVerify);
    options.clientCertificate = settings.text("ClientCertificate");
    if (!options.clientCertificate.empty())
        requireFile("ClientCertificate", options.clientCertificate);
    if (const std::string password = settings.text("ClientCertificatePassword"); !password.empty())
        options.clientCertificatePassword = resolvedSecret("ClientCertificatePassword", password, secrets);
    options.proxy = readProxy(settings.text("Proxy"), secrets, environment);
    options.everyAddress = settings.logical("UseIPv6", false);
    return options;
}

std::vector<std::string> networkSecrets(const NetworkOptions& options)
{
    std::vector<std::string> secrets{options.clientCertificatePassword};
    for (const auto* proxy : {&options.proxy.http, &options.proxy.https}) {
        if (!*proxy || (*proxy)->password.empty())
            continue;
        secrets.push_back((*proxy)->password);
        // The encoded credentials alone, as they stand in the line after "Basic ".
        secrets.push_back(proxyCredentials(**proxy).substr(6));
    }
    std::erase(secrets, std::string());
    return secrets;
}

std::string tlsVerifyWarning(const RowReader& settings)
{
    if (!settings.isBlank("TLSVerify") || settings.isBlank("LoginURL"))
        return {};
    const auto https = [&settings](const char* setting) {
        return isHttpsUrl(settings.text(setting));
    };
    if (!https("URL") && !https("LoginURL"))
        return {};
    if (settings.text("LoginData").find("${") == std::string::npos)
        return {};
    return "TLSVerify is blank: the password goes to a server whose certificate is not checked";
}

std::vector<std::string> networkProblems(const RowReader& settings, SecretSource& environment)
{
    std::vector<std::string> problems;
    // Secrets are not asked for by a check: any value stands in for them.
    class AnySecret : public SecretSource {
    public:
        std::optional<std::string> secret(const std::string&) override { return std::string("x"); }
    } anySecret;
    try {
        readNetworkOptions(settings, anySecret, environment);
    } catch (const Error& e) {
        problems.push_back(e.what());
    }
    if (std::string warning = tlsVerifyWarning(settings); !warning.empty())
        problems.push_back(std::move(warning));
    std::string which;
    if (equalsIgnoreCaseAscii(settings.text("Proxy"), kProxyFromEnvironment) &&
        !firstSet(environment, {"http_proxy", "https_proxy", "HTTPS_PROXY"}, which))
        problems.push_back("Proxy is \"environment\" but none of http_proxy, https_proxy, HTTPS_PROXY is set: every "
                           "request goes straight to the server");
    return problems;
}

}  // namespace torvane
