// Runs the built torvane-cli as a child process and collects its exit status, standard output and
// standard error, for the companion's tests.
#pragma once

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
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

inline std::string cliBinary()
{
    return TORVANE_BINARY_DIR "/torvane-cli";
}

inline std::vector<std::string> splitOutputLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A child process started with its standard input empty and its output captured in files; wait()
// collects its status and output. A child that has not ended two minutes after wait() began is killed
// and reported with status -1. With readerGone, standard output is a pipe whose reading end is already
// closed, like `torvane-cli send | head` after head has ended.
class ChildProgram {
public:
    ChildProgram(const std::string& program, const std::vector<std::string>& args, bool readerGone = false)
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
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> argvStrings{program};
        argvStrings.insert(argvStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argvStrings)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
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
        CliResult result;
        if (m_pid <= 0)
            return result;
        // The child's pidfd becomes readable when it ends, so the test waits in the kernel, not in a loop.
        // Where the kernel has no pidfd, the wait has no limit of its own (ctest's still applies).
        const int pidfd = int(::syscall(SYS_pidfd_open, m_pid, 0));
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            int rc;
            do {
                rc = ::poll(&p, 1, 2 * 60 * 1000);
            } while (rc < 0 && errno == EINTR);
            ::close(pidfd);
            if (rc == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                m_pid = -1;
                ADD_FAILURE() << m_program << " did not end within two minutes";
                return result;
            }
        }
        int wstatus = 0;
        ::waitpid(m_pid, &wstatus, 0);
        m_pid = -1;
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        result.out = m_readerGone ? std::string() : m_capture.read("out");
        result.err = m_capture.read("err");
        return result;
    }

private:
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

// The store the companion makes in a scratch folder from a saved page (form.html) and the commands
// given, each of which must succeed; its bytes, to be copied into each test's folder.
inline std::string storeMadeWith(const std::string& formHtml, const std::vector<std::vector<std::string>>& commands)
{
    TempDir setup;
    setup.write("form.html", formHtml);
    for (const std::vector<std::string>& args : commands) {
        std::vector<std::string> withDir{"-C", setup.path()};
        withDir.insert(withDir.end(), args.begin(), args.end());
        const CliResult r = runProgram(cliBinary(), withDir);
        EXPECT_EQ(r.status, 0) << ::testing::PrintToString(args) << ": " << r.err;
    }
    return setup.read("torvane.db");
}

// A fresh working folder and the companion run in it with -C.
class CliTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override
    {
        struct stat st {};
        ASSERT_EQ(::stat(cliBinary().c_str(), &st), 0)
            << cliBinary() << " is missing: build the torvane-cli target before running these tests";
    }

    CliResult cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"-C", dir.path()});
        return runProgram(cliBinary(), args);
    }
    // The companion started in the background in the test's folder.
    std::unique_ptr<ChildProgram> start(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"-C", dir.path()});
        return std::make_unique<ChildProgram>(cliBinary(), args);
    }
    // Runs a command that must succeed.
    std::string ok(const std::vector<std::string>& args) const
    {
        const CliResult r = cli(args);
        EXPECT_EQ(r.status, 0) << "torvane-cli " << ::testing::PrintToString(args) << ": " << r.err;
        return r.out;
    }
    std::string show() const { return ok({"show"}); }
};

}  // namespace torvane::test
