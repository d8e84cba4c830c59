// The companion's commands: each reads its own arguments, works on torvane.db in the working directory
// and returns the process's exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace torvane {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;   // an error ended the command
inline constexpr int kExitAborted = 2;  // send: a missing setting or export file, no record read
// send: the export file was read to its end, but a record was refused, not confirmed or is in doubt.
inline constexpr int kExitDoneWithProblems = 3;
inline constexpr int kExitUsage = 64;   // the command line itself was wrong
inline constexpr int kExitStoreInUse = 75;  // send: another posting run holds the store
inline constexpr int kExitSignalBase = 128;  // send: stopped by a signal, 128 + its number (130, 143)

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis;  // the arguments, for the overview
    const char* summary;   // one line, for the overview
    const char* help;      // the full text of COMMAND --help
    int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

const std::vector<Command>& allCommands();
const Command* findCommand(const std::string& name);
// The text of torvane-cli --help.
std::string overviewHelp();

int runSend(const Args& args, std::ostream& out, std::ostream& err);
int runImportHtml(const Args& args, std::ostream& out, std::ostream& err);
int runShow(const Args& args, std::ostream& out, std::ostream& err);
int runSet(const Args& args, std::ostream& out, std::ostream& err);
int runSetField(const Args& args, std::ostream& out, std::ostream& err);
int runSetOption(const Args& args, std::ostream& out, std::ostream& err);
int runAddField(const Args& args, std::ostream& out, std::ostream& err);
int runDeleteField(const Args& args, std::ostream& out, std::ostream& err);
int runAddOption(const Args& args, std::ostream& out, std::ostream& err);
int runDeleteOption(const Args& args, std::ostream& out, std::ostream& err);
int runTracking(const Args& args, std::ostream& out, std::ostream& err);
int runRuns(const Args& args, std::ostream& out, std::ostream& err);
int runCheck(const Args& args, std::ostream& out, std::ostream& err);
int runLogin(const Args& args, std::ostream& out, std::ostream& err);
int runWatch(const Args& args, std::ostream& out, std::ostream& err);
int runReport(const Args& args, std::ostream& out, std::ostream& err);
int runTrust(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace torvane
