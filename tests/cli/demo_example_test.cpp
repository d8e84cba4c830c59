// The shipped example end to end, as make demo sets it up: the demo order server on loopback, a folder
// prepared by examples/prepare_demo.sh, and torvane-cli send over the example export file.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

// examples/demo_server.py on a free loopback port, stopped when the test ends.
class DemoServer {
public:
    explicit DemoServer(const test::TempDir& dir, const Lines& extra = {})
        : m_portFile(dir.file("port")), m_log(dir.file("received.txt"))
    {
        const std::string script = TORVANE_SOURCE_DIR "/examples/demo_server.py";
        std::vector<std::string> args{"python3", script, "--port", "0", "--port-file", m_portFile,
                                      "--log", m_log, "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "python3", nullptr, nullptr, argv.data(), environ) != 0) {
            m_pid = 0;
            return;
        }
        for (int i = 0; i < 500 && m_port == 0; ++i) {
            std::ifstream in(m_portFile);
            if (!(in >> m_port))
                m_port = 0;
            if (m_port == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~DemoServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    int port() const { return m_port; }
    Lines received() const
    {
        std::ifstream in(m_log);
        Lines lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    std::string m_portFile;
    std::string m_log;
    pid_t m_pid = 0;
    int m_port = 0;
};

class DemoExampleTest : public test::CliTest {};

TEST_F(DemoExampleTest, PreparedFolderSendsTheExampleOrders)
{
    DemoServer server(dir);
    ASSERT_NE(server.port(), 0) << "the demo server did not start";
    const std::string demo = dir.file("demo");
    const test::CliResult prepared =
        test::runProgram("/bin/bash", {TORVANE_SOURCE_DIR "/examples/prepare_demo.sh", demo,
                                       "http://127.0.0.1:" + std::to_string(server.port()) + "/orders/enter.cgi",
                                       test::cliBinary()});
    ASSERT_EQ(prepared.status, 0) << prepared.err;

    const test::CliResult first = test::runProgram(test::cliBinary(), {"-C", demo, "send", "--pause", "0"});
    EXPECT_EQ(first.status, 3) << "done, with M4120012 refused: " << first.err;
    EXPECT_EQ(first.err, "Records read: 36, accepted: 35, not confirmed: 0, refused for missing fields: 1, "
                         "skipped as already sent: 0, in doubt: 0\n");
    const Lines out = test::splitOutputLines(first.out);
    auto has = [&out](const std::string& line) { return std::find(out.begin(), out.end(), line) != out.end(); };
    EXPECT_TRUE(has("Data Accepted By Server For: M4120001"));
    EXPECT_TRUE(has("Data Not Sent For M4120012, Missing Required Fields"));
    EXPECT_TRUE(has("     zip Required"));
    EXPECT_TRUE(has("Data For M4120024 Had the Following Warings:"));
    EXPECT_TRUE(has("     WARNING state Not Found In Cross Walk. (99)"));

    const Lines received = server.received();
    ASSERT_EQ(received.size(), 35u);
    // The first order: header line skipped, state and shipping codes through the cross walk, the date
    // converted, hidden fields sent with their page values.
    for (const char* part : {"\"formid\": \"ORD-2\"", "\"orderno\": \"M4120001\"", "\"custname\": \"Margaret Kowalski\"",
                             "\"state\": \"MI\"", "\"zip\": \"49049\"", "\"orderdate\": \"12/02/26\"",
                             "\"qty\": \"10\"", "\"ship\": \"overnight\""})
        EXPECT_NE(received[0].find(part), std::string::npos) << part << " in " << received[0];
    // An address longer than its field carries on in the next one.
    bool overflowed = false;
    for (const std::string& r : received)
        overflowed |= r.find("\"address1\": \"2640 Country Club Road We\", \"address2\": \"st\"") != std::string::npos;
    EXPECT_TRUE(overflowed);

    const test::CliResult second = test::runProgram(test::cliBinary(), {"-C", demo, "send", "--pause", "0"});
    EXPECT_EQ(second.status, 3) << second.err;
    EXPECT_EQ(second.err, "Records read: 36, accepted: 0, not confirmed: 0, refused for missing fields: 1, "
                          "skipped as already sent: 35, in doubt: 0\n");
    EXPECT_EQ(server.received().size(), 35u);
}

TEST_F(DemoExampleTest, BehindItsLoginTheOrdersGoThroughSessionsWithTheirOwnTokens)
{
    ::setenv("DEMO_PASSWORD", "open sesame", 1);
    DemoServer server(dir, {"--login", "ann", "--session-orders", "20"});
    ASSERT_NE(server.port(), 0) << "the demo server did not start";
    const std::string site = "http://127.0.0.1:" + std::to_string(server.port());
    const std::string demo = dir.file("demo");
    const test::CliResult prepared = test::runProgram(
        "/bin/bash", {TORVANE_SOURCE_DIR "/examples/prepare_demo.sh", demo, site + "/orders/enter.cgi", test::cliBinary()});
    ASSERT_EQ(prepared.status, 0) << prepared.err;
    for (const Lines& args : std::vector<Lines>{{"set", "LoginURL", site + "/login"},
                                                {"set", "LoginData", "user=ann\npassword=${DEMO_PASSWORD}"},
                                                {"set", "LoginCheckText", "Welcome"},
                                                {"set", "FormURL", site + "/orders/form.html"},
                                                {"set", "RefreshHidden", "True"}}) {
        Lines withDir{"-C", demo};
        withDir.insert(withDir.end(), args.begin(), args.end());
        ASSERT_EQ(test::runProgram(test::cliBinary(), withDir).status, 0);
    }
    const test::CliResult run = test::runProgram(test::cliBinary(), {"-C", demo, "send", "--pause", "0"});
    ::unsetenv("DEMO_PASSWORD");
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(run.err, "Records read: 36, accepted: 35, not confirmed: 0, refused for missing fields: 1, "
                       "skipped as already sent: 0, in doubt: 0\n");
    const Lines received = server.received();
    ASSERT_EQ(received.size(), 35u);
    // Two sessions, each with its own token; the saved page's value never goes out.
    EXPECT_EQ(received[0].find("\"formid\": \"ORD-2\""), std::string::npos) << received[0];
    EXPECT_NE(received[0].find("\"formid\": \"ORD-2-"), std::string::npos) << received[0];
    auto token = [](const std::string& line) {
        const size_t at = line.find("\"formid\": \"") + 11;
        return line.substr(at, line.find('"', at) - at);
    };
    EXPECT_EQ(token(received[0]), token(received[19]));
    EXPECT_NE(token(received[0]), token(received[20])) << "a new session after 20 orders";
}

}  // namespace
}  // namespace torvane
