// torvane-cli: the command-line companion, for unattended postings and for preparing a configuration
// without the windows. It works on the same torvane.db as the application.

#include "cli/arguments.h"
#include "cli/commands.h"

#include "util/error.h"
#include "util/dates.h"
#include "util/product_info.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>
#include <unistd.h>

namespace {
// Errors are reported on one line, whatever breaks the message holds.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}
}  // namespace

int main(int argc, char** argv)
{
    using namespace torvane;
    // A reader that goes away (send | head) must not kill a run halfway between sending a record and
    // tracking it; the lines it no longer reads are simply lost.
    std::signal(SIGPIPE, SIG_IGN);
    // Dates are shown as the application shows them: in the user's short date format.
    setShortDateFormat(localeShortDateFormat());
    try {
        const Invocation inv = parseInvocation(std::vector<std::string>(argv + 1, argv + argc));
        if (inv.version) {
            std::cout << kVersionText << '\n';
            return kExitOk;
        }
        if (inv.help || inv.command.empty()) {
            if (inv.command.empty() && !inv.help) {
                std::cerr << overviewHelp();
                return kExitUsage;
            }
            if (inv.command.empty()) {
                std::cout << overviewHelp();
                return kExitOk;
            }
        }
        if (inv.command == "help") {
            const Command* c = inv.args.empty() ? nullptr : findCommand(inv.args[0]);
            std::cout << (c ? c->help : overviewHelp());
            return kExitOk;
        }
        const Command* command = findCommand(inv.command);
        if (!command)
            throw UsageError("unknown command '" + inv.command + "' (see torvane-cli --help)");
        if (inv.help) {
            std::cout << command->help;
            return kExitOk;
        }
        if (!inv.directory.empty() && ::chdir(inv.directory.c_str()) != 0)
            throw Error("cannot change to directory '" + inv.directory + "': " + std::strerror(errno));
        return command->run(inv.args, std::cout, std::cerr);
    } catch (const UsageError& e) {
        std::cerr << "torvane-cli: " << oneLine(e.what()) << '\n';
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "torvane-cli: " << oneLine(e.what()) << '\n';
        return kExitFailed;
    }
}
