// Child processes for tests: a program found on the machine, started with its output captured in
// files, and waited for or stopped with a bounded wait.
#pragma once

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace torvane::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The executable name in the first of firstDirs, then of PATH, that has it; empty when none does.
inline std::string findProgram(const std::string& name, std::vector<std::string> firstDirs = {})
{
    if (const char* path = std::getenv("PATH")) {
        std::stringstream s(path);
        for (std::string d; std::getline(s, d, ':');)
            firstDirs.push_back(d);
    }
    for (const auto& d : firstDirs)
        if (!d.empty() && ::access((d + "/" + name).c_str(), X_OK) == 0)
            return d + "/" + name;
    return {};
}

// A child process started with its standard input empty and its output captured in files; wait()
// collects its status and output. A child that has not ended two minutes after wait() began is killed
// and reported with status -1. With readerGone, standard output is a pipe whose reading end is already
// closed, like `torvane-cli send | head` after head has ended. env holds "NAME=value" entries that the
// child gets besides (or instead of) the test's own.
class ChildProgram {
public:
    ChildProgram(const std::string& program, const std::vector<std::string>& args, bool readerGone = false,
                 const std::vector<std::string>& env = {})
        : m_program(program), m_readerGone(readerGone)
    {
        const std::string outPath = m_capture.file("out");
        const std::string errPath = m_capture.file("err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        int pipeFds[2] = {-1, -1};
        if (readerGone && ::pipe(pipeFds) == 0) {
            ::close(pipeFds[0]);
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0600);
        }
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> argvStrings{program};
        argvStrings.insert(argvStrings.end(), args.begin(), args.end());
        std::vector<std::string> envStrings = withEntries(env);
        const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, pointers(argvStrings).data(),
                                   pointers(envStrings).data());
        posix_spawn_file_actions_destroy(&actions);
        if (pipeFds[1] >= 0)
            ::close(pipeFds[1]);
        if (rc != 0) {
            m_pid = -1;
            ADD_FAILURE() << "cannot start " << program;
        }
    }
    ~ChildProgram()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    void kill(int signal = SIGKILL) const
    {
        if (m_pid > 0)
            ::kill(m_pid, signal);
    }

    // True while the child has not ended (it is not reaped here, so wait() still collects it).
    bool running() const
    {
        if (m_pid <= 0)
            return false;
        siginfo_t info{};
        return ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    }

    // What the child has written to its standard output and standard error so far.
    std::string outputSoFar() const { return m_capture.read("out") + m_capture.read("err"); }

    // Waits until the child has written a line holding text to its standard output (captured in a
    // file, which the kernel reports as it is written to); false after limitMs without one.
    bool waitForOutput(const std::string& text, int limitMs = 60 * 1000) const
    {
        const std::string path = m_capture.file("out");
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watch < 0 || ::inotify_add_watch(watch, path.c_str(), IN_MODIFY) < 0) {
            if (watch >= 0)
                ::close(watch);
            ADD_FAILURE() << "cannot watch " << path;
            return false;
        }
        bool seen = false;
        for (;;) {
            // Looked at after the watch is set, so nothing written in between goes unnoticed.
            if (m_capture.read("out").find(text) != std::string::npos) {
                seen = true;
                break;
            }
            pollfd p{watch, POLLIN, 0};
            if (::poll(&p, 1, limitMs) <= 0)
                break;
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
        ::close(watch);
        return seen;
    }

    // Waits for the end; status is the exit status, or -1 for a child ended by a signal.
    CliResult wait()
    {
        if (m_pid > 0 && !endsWithin(2 * 60 * 1000)) {
            ::kill(m_pid, SIGKILL);
            ADD_FAILURE() << m_program << " did not end within two minutes";
        }
        return collect();
    }

    // Asks the child to end (SIGTERM) and kills it when it has not ended after graceMs.
    CliResult stop(int graceMs = 5000)
    {
        kill(SIGTERM);
        if (m_pid > 0 && !endsWithin(graceMs))
            ::kill(m_pid, SIGKILL);
        return collect();
    }

private:
    static std::vector<std::string> withEntries(const std::vector<std::string>& env)
    {
        std::vector<std::string> all;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& mine : env)
                replaced = replaced || mine.compare(0, name.size(), name) == 0;
            if (!replaced)
                all.push_back(entry);
        }
        all.insert(all.end(), env.begin(), env.end());
        return all;
    }
    static std::vector<char*> pointers(std::vector<std::string>& strings)
    {
        std::vector<char*> result;
        for (std::string& s : strings)
            result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    }

    // The child's pidfd becomes readable when it ends, so the test waits in the kernel, not in a loop.
    // Where the kernel has no pidfd, the wait has no limit of its own (ctest's still applies).
    bool endsWithin(int limitMs) const
    {
        const int pidfd = int(::syscall(SYS_pidfd_open, m_pid, 0));
        if (pidfd < 0)
            return true;
        pollfd p{pidfd, POLLIN, 0};
        int rc;
        do {
            rc = ::poll(&p, 1, limitMs);
        } while (rc < 0 && errno == EINTR);
        ::close(pidfd);
        return rc != 0;
    }

    CliResult collect()
    {
        CliResult result;
        if (m_pid <= 0)
            return result;
        int wstatus = 0;
        ::waitpid(m_pid, &wstatus, 0);
        m_pid = -1;
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        result.out = m_readerGone ? std::string() : m_capture.read("out");
        result.err = m_capture.read("err");
        return result;
    }

    std::string m_program;
    bool m_readerGone;
    TempDir m_capture;
    pid_t m_pid = -1;
};

// Runs program with args (argv[0] is the program) to its end.
inline CliResult runProgram(const std::string& program, const std::vector<std::string>& args,
                            bool readerGone = false)
{
    ChildProgram child(program, args, readerGone);
    return child.wait();
}

} // namespace torvane::test
