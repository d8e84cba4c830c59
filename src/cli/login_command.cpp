// login: the login step and the form page fetch of a posting run, alone, to see what a session gives.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"

#include "posting/network_settings.h"
#include "posting/posting_station.h"
#include "posting/session_login.h"
#include "store/data_module.h"
#include "util/error.h"
#include "util/text.h"

#include <ostream>

namespace torvane {

int runLogin(const Args& argv, std::ostream& out, std::ostream& err)
{
    const CommandArgs args = parseCommandArgs("login", argv);
    if (args.help) {
        out << findCommand("login")->help;
        return kExitOk;
    }
    requirePositional("login", args, 0);

    TDataModule1 data;
    const SessionSettings settings = SessionSettings::fromSettings(data.SettingsTable);
    if (!settings.logsIn() && settings.formUrl.empty())
        throw Error("login: neither LoginURL nor FormURL is set");

    ConsoleHost console(out, err, false);
    PostingStation station(data, console, console);
    SessionLogin& session = station.engine.session();
    const std::string content = data.SettingsTable.text("Content", "application/x-www-form-urlencoded");
    session.prepare(settings, EnvironmentSecrets::instance(), {content, content});
    HttpStack& client = station.stack;
    const NetworkOptions network =
        readNetworkOptions(data.SettingsTable, EnvironmentSecrets::instance(), EnvironmentSecrets::instance());
    for (const std::string& secret : networkSecrets(network))
        processSecrets().add(secret);
    client.setNetwork(network);

    if (settings.logsIn()) {
        const std::string note = session.logIn();
        if (!note.empty())
            err << note << '\n';
        out << "Logged in: " << session.loginReply().statusLine << '\n';
    }
    std::string cookies;
    for (const std::string& name : client.cookieNames())
        cookies += (cookies.empty() ? "" : ", ") + name;
    out << "Cookies: " << (cookies.empty() ? "none" : cookies) << '\n';
    if (settings.formUrl.empty())
        return kExitOk;

    session.fetchFormPage();
    const std::vector<std::string> hidden = hiddenFieldNames(data.database());
    out << "Hidden inputs of " << settings.formUrl << ":\n";
    int shown = 0;
    for (const PageInput& input : session.formInputs()) {
        if (FindItem("HIDDEN", input.type) == 0)
            continue;
        ++shown;
        bool fills = false;
        for (const std::string& name : hidden)
            fills = fills || name == input.name;
        out << "  " << input.name << "=" << input.value
            << (fills ? "  fills the hidden field " + input.name : std::string("  fills no field")) << '\n';
    }
    if (shown == 0)
        out << "  none\n";
    if (!settings.refreshes())
        out << "RefreshHidden is off: runs send the saved values\n";
    return kExitOk;
}

}  // namespace torvane
