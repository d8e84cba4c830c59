// The settings dialog's "Network" page: the certificate check, the client certificate, the proxy and
// IPv6, bound to their settings, with the button that trusts the URL's server key and the warning
// about a password sent over an unchecked connection.
#pragma once

#include <functional>

class QWidget;

namespace torvane {

struct DataSource;
class WindowEncodings;

// trustServer runs when the trust button is clicked (it asks and may set TLSVerify).
QWidget* buildNetworkPage(DataSource& settings, const WindowEncodings& enc,
                          std::function<void()> trustServer);

}  // namespace torvane
