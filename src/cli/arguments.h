// Reading the command line: the global part (-C DIR, --help, --version, the command's name) and each
// command's own options and positional arguments.
#pragma once

#include "util/error.h"

#include <map>
#include <string>
#include <vector>

namespace torvane {

// Bad use of the command line (unknown command or option, wrong number of arguments); the message says
// what was wrong and the exit status differs from that of a failed command.
class UsageError : public Error {
public:
    using Error::Error;
};

struct Invocation {
    std::string directory;  // -C DIR, empty for the working directory
    std::string command;    // empty with --help, --version or nothing given
    std::vector<std::string> args;
    bool help = false;
    bool version = false;
};

// argv without the program name.
Invocation parseInvocation(const std::vector<std::string>& argv);

struct CommandArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // options with a value, by their long name
    std::vector<std::string> flags;             // options without a value that were given
    bool help = false;

    bool has(const std::string& flag) const;
    // Whether the flag was given before the positional arguments or after them (as in "tracking list
    // --json"); one given after them is taken out of positional.
    bool take(const std::string& flag);
};

// Options come before the positional arguments ("--pause 3" or "--pause=3"); "--" ends them, and so
// does the first positional argument, so a VALUE such as -1 needs no quoting. --help and -h are known
// to every command.
CommandArgs parseCommandArgs(const std::string& command, const std::vector<std::string>& args,
                             const std::vector<std::string>& flagOptions = {},
                             const std::vector<std::string>& valueOptions = {});

// Throws UsageError unless exactly `count` positional arguments were given.
void requirePositional(const std::string& command, const CommandArgs& args, size_t count);

// A whole decimal number in range, for options and identifying arguments; the message names `what`.
int32_t parseInteger(const std::string& text, const std::string& what, int32_t min, int32_t max);

}  // namespace torvane
