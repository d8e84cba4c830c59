// The company-network settings (TLSVerify, ClientCertificate, ClientCertificatePassword, Proxy,
// UseIPv6): which values they take, what a run makes of them with every secret resolved, and the
// warnings the data check and the settings dialog give about them. Blank, each leaves the client
// as it always was.
#pragma once

#include "http/network_options.h"

#include <string>
#include <vector>

namespace torvane {

class RowReader;
class SecretSource;

inline constexpr const char* kProxyFromEnvironment = "environment";
inline constexpr const char* kTlsVerifySystem = "System";
inline constexpr const char* kTlsVerifyPinPrefix = "sha256//";

bool isNetworkSetting(const std::string& setting);
// Refuses a value the setting cannot take, with the message a run would end with; blank is always
// fine, and other settings are not looked at. Files named are not looked for here.
void checkNetworkSetting(const std::string& setting, const std::string& value);

// What a run connects with. Throws Error naming the setting for a value it cannot use, a file that
// is not there, or a ${NAME} the secrets lack. environment: where the proxy variables are read.
NetworkOptions readNetworkOptions(const RowReader& settings, SecretSource& secrets, SecretSource& environment);

// The texts every output masks: the passwords and the encoded proxy credentials.
std::vector<std::string> networkSecrets(const NetworkOptions& options);

// The warning shown next to TLSVerify, empty when there is nothing to warn of.
std::string tlsVerifyWarning(const RowReader& settings);
// The data check's lines: values a run could not use, then the warnings.
std::vector<std::string> networkProblems(const RowReader& settings, SecretSource& environment);

}  // namespace torvane
