// trust: the certificate chain of an https server, and its key pinned as TLSVerify on request.

#include "cli/arguments.h"
#include "cli/commands.h"

#include "posting/network_settings.h"
#include "posting/server_trust.h"
#include "store/data_module.h"
#include "util/secrets.h"

#include <ostream>

namespace torvane {

int runTrust(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("trust", argv, {"--pin"});
    if (args.help) {
        out << findCommand("trust")->help;
        return kExitOk;
    }
    requirePositional("trust", args, 1);

    TDataModule1 data;
    data.SettingsTable.first();
    NetworkOptions options =
        readNetworkOptions(data.SettingsTable, EnvironmentSecrets::instance(), EnvironmentSecrets::instance());
    for (const std::string& secret : networkSecrets(options))
        processSecrets().add(secret);
    SystemClock clock;
    TlsLibrary library;
    const ServerTrust trust = examineServer(args.positional[0], options, clock, library);
    for (const std::string& line : trust.lines)
        out << line << '\n';
    if (args.has("--pin")) {
        TableView& settings = data.SettingsTable;
        settings.setText("TLSVerify", trust.pin);
        settings.post();
        out << "TLSVerify is now " << trust.pin << '\n';
    }
    return kExitOk;
}

}  // namespace torvane
