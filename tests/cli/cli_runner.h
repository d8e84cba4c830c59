// Runs the built torvane-cli as a child process and collects its exit status, standard output and
// standard error, for the companion's tests.
#pragma once

#include "support/child_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace torvane::test {

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
