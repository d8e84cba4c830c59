#include "cli/on_finish.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace torvane {

std::vector<std::string> finishVariables(const FinishedRun& r)
{
    const RunSummary& c = r.counts;
    return {"TORVANE_RUN=" + std::to_string(r.run),
            "TORVANE_OUTCOME=" + r.outcome,
            "TORVANE_EXIT=" + std::to_string(r.exitStatus),
            "TORVANE_EXPORT=" + r.exportFile,
            "TORVANE_RESULTS=" + r.results,
            "TORVANE_REJECTS=" + r.rejects,
            "TORVANE_REPORT=" + r.report,
            "TORVANE_READ=" + std::to_string(c.recordsRead),
            "TORVANE_ACCEPTED=" + std::to_string(c.accepted),
            "TORVANE_NOT_CONFIRMED=" + std::to_string(c.notConfirmed),
            "TORVANE_REFUSED=" + std::to_string(c.refused),
            "TORVANE_ALREADY_SENT=" + std::to_string(c.alreadySent),
            "TORVANE_IN_DOUBT=" + std::to_string(c.inDoubt)};
}

void runOnFinish(const std::string& command, const FinishedRun& run, std::ostream& err)
{
    // The run's variables replace any of the same name the companion was started with.
    std::vector<std::string> env = finishVariables(run);
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TORVANE_", 8) != 0)
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string shell = "/bin/sh", dashC = "-c", text = command;
    char* argv[] = {shell.data(), dashC.data(), text.data(), nullptr};
    // What the command writes follows what the run wrote, not before it.
    std::cout.flush();
    err.flush();
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data());
    if (rc != 0) {
        err << "torvane-cli: --on-finish: cannot start /bin/sh: " << std::strerror(rc) << '\n';
        return;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        err << "torvane-cli: --on-finish command ended with status " << WEXITSTATUS(status) << '\n';
    else if (WIFSIGNALED(status))
        err << "torvane-cli: --on-finish command ended by signal " << WTERMSIG(status) << '\n';
}

}  // namespace torvane
