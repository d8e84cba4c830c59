#include "cli/arguments.h"

#include "util/text.h"

#include <algorithm>

namespace torvane {

Invocation parseInvocation(const std::vector<std::string>& argv)
{
    Invocation inv;
    size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "-C") {
            if (i + 1 >= argv.size())
                throw UsageError("-C needs a directory");
            inv.directory = argv[++i];
            if (inv.directory.empty())
                throw UsageError("-C needs a directory");
        } else if (a.size() > 2 && a.rfind("-C", 0) == 0) {
            inv.directory = a.substr(2);
        } else if (a == "--help" || a == "-h") {
            inv.help = true;
        } else if (a == "--version") {
            inv.version = true;
        } else if (!a.empty() && a[0] == '-') {
            throw UsageError("unknown option '" + a + "'");
        } else {
            break;
        }
    }
    if (i < argv.size()) {
        inv.command = argv[i];
        inv.args.assign(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
    }
    return inv;
}

bool CommandArgs::has(const std::string& flag) const
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

bool CommandArgs::take(const std::string& flag)
{
    bool found = has(flag);
    for (auto it = positional.begin(); it != positional.end();) {
        if (*it == flag) {
            it = positional.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

CommandArgs parseCommandArgs(const std::string& command, const std::vector<std::string>& args,
                             const std::vector<std::string>& flagOptions,
                             const std::vector<std::string>& valueOptions)
{
    auto known = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    CommandArgs out;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a.size() < 2 || a[0] != '-')
            break;
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        if (known(valueOptions, name)) {
            if (eq != std::string::npos) {
                out.values[name] = a.substr(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    throw UsageError(command + ": " + name + " needs a value");
                out.values[name] = args[++i];
            }
        } else if (eq == std::string::npos && known(flagOptions, name)) {
            if (!out.has(name))
                out.flags.push_back(name);
        } else {
            throw UsageError(command + ": unknown option '" + a + "'");
        }
    }
    out.positional.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return out;
}

void requirePositional(const std::string& command, const CommandArgs& args, size_t count)
{
    if (args.positional.size() < count)
        throw UsageError(command + ": too few arguments (see " + command + " --help)");
    if (args.positional.size() > count)
        throw UsageError(command + ": too many arguments (see " + command + " --help)");
}

int32_t parseInteger(const std::string& text, const std::string& what, int32_t min, int32_t max)
{
    int32_t value = 0;
    if (!tryToInt32(text, value) || value < min || value > max)
        throw UsageError(what + " must be a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return value;
}

}  // namespace torvane
