// login: the login step and the form page fetch of a posting run, alone, to see what a session gives.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_host.h"

#include "http/url.h"
#include "posting/network_settings.h"
#include "posting/posting_station.h"
#include "posting/session_login.h"
#include "store/data_module.h"
#include "util/error.h"
#include "util/text.h"

#include <algorithm>
#include <ostream>

namespace torvane {

namespace {

// The form page's hidden inputs, each with the hidden field it fills, if any.
void printHiddenInputs(std::ostream& out, const std::string& formUrl, const std::vector<PageInput>& inputs,
                       const std::vector<std::string>& hiddenFields)
{
    out << "Hidden inputs of " << formUrl << ":\n";
    int shown = 0;
    for (const PageInput& input : inputs) {
        if (FindItem("HIDDEN", input.type) == 0)
            continue;
        ++shown;
        const bool fills =
            std::find(hiddenFields.begin(), hiddenFields.end(), input.name) != hiddenFields.end();
        out << "  " << input.name << "=" << input.value
            << (fills ? "  fills the hidden field " + input.name : std::string("  fills no field")) << '\n';
    }
    if (shown == 0)
        out << "  none\n";
}

}  // namespace

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
    printHiddenInputs(out, settings.formUrl, session.formInputs(), hiddenFieldNames(data.database()));
    if (!settings.refreshes())
        out << "RefreshHidden is off: runs send the saved values\n";
    return kExitOk;
}

}  // namespace torvane
