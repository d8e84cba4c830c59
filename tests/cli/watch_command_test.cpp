// torvane-cli watch against a loopback server: a folder of exports sorted into done/ and failed/ with
// their outputs, a file still being written left alone, a file handed in again sent nothing twice,
// --on-finish told what each run did, SIGTERM in the middle of a run, and the refusals.
#include "cli/send_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace torvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

class WatchTest : public SendTest {
protected:
    std::string inbox() const { return dir.file("in"); }
    bool has(const std::string& relative) const { return fs::exists(inbox() + "/" + relative); }

    void SetUp() override
    {
        SendTest::SetUp();
        fs::create_directory(inbox());
        // Records of keys 9xxx are answered 404, the others accepted.
        server.respondWith([](const std::string& request) {
            ScriptedServer::Reply r;
            r.bytes = request.find("acct=9") != std::string::npos ? reply("404 Not Found", "gone") : reply("200 OK", kThanks);
            return r;
        });
    }
    // An export dropped into the folder a minute ago: settled already.
    void drop(const std::string& name, const std::string& records) const
    {
        dir.write("in/" + name, "EXPORT HEADER\r\n" + records);
        const timeval old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
        ::utimes((inbox() + "/" + name).c_str(), old);
    }
    CliResult watchOnce(Lines extra = {})
    {
        Lines args{"watch", "--once", "--settle", "1", "--pause", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(inbox());
        return cli(args);
    }
};

TEST_F(WatchTest, OnceSortsEachSettledFileIntoDoneOrFailedAndLeavesOneBeingWritten)
{
    drop("a_clean.txt", "1001 12345R\r\n");
    drop("b_refused.txt", "2001      B\r\n2002 12345R\r\n");
    drop("c_gone.txt", "9001 12345R\r\n9002 12345R\r\n");
    drop("d_writing.txt", "3001 12345R\r\n");
    const int writer = ::open((inbox() + "/d_writing.txt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(writer, 0);
    const std::string hook = "env | grep ^TORVANE_ | sort >> " + dir.file("hook.log") + "; echo --- >> " + dir.file("hook.log");

    const CliResult r = watchOnce({"--on-finish", hook});
    EXPECT_EQ(r.status, 1) << "the 404 ended its run with an error: " << r.err;
    for (const char* f : {"done/a_clean.txt", "done/a_clean.txt.results.csv", "done/a_clean.txt.report.html",
                          "done/b_refused.txt", "done/b_refused.txt.rejects", "done/b_refused.txt.results.csv",
                          "failed/c_gone.txt", "failed/c_gone.txt.rejects", "failed/c_gone.txt.results.csv",
                          "d_writing.txt"})
        EXPECT_TRUE(has(f)) << f << "\n" << r.err;
    for (const char* f : {"a_clean.txt", "done/a_clean.txt.rejects", "d_writing.txt.results.csv", ".a_clean.txt.rejects"})
        EXPECT_FALSE(has(f)) << f;
    EXPECT_EQ(dir.read("in/done/b_refused.txt.rejects"), "EXPORT HEADER\r\n2001      B\r\n");
    EXPECT_EQ(dir.read("in/failed/c_gone.txt.rejects"), "EXPORT HEADER\r\n9001 12345R\r\n9002 12345R\r\n");
    EXPECT_EQ(ok({"show"}).find("in/a_clean.txt"), std::string::npos) << "ImportData is not changed";

    const std::string log = dir.read("hook.log");
    for (const std::string& v : std::vector<std::string>{"TORVANE_OUTCOME=completed\nTORVANE_READ=2\nTORVANE_REFUSED=1\n",
                                 "TORVANE_REJECTS=" + inbox() + "/done/b_refused.txt.rejects\n",
                                 "TORVANE_EXPORT=" + inbox() + "/done/b_refused.txt\n",
                                 "TORVANE_REPORT=" + inbox() + "/done/b_refused.txt.report.html\n",
                                 "TORVANE_EXIT=3\n", "TORVANE_OUTCOME=failed\n", "TORVANE_ALREADY_SENT=0\n",
                                 "TORVANE_ACCEPTED=1\nTORVANE_ALREADY_SENT=0\nTORVANE_EXIT=0\n"})
        EXPECT_NE(log.find(v), std::string::npos) << v << "\n" << log;
    EXPECT_EQ(splitOutputLines(log).size(), 3u * 14) << "one hook per run, three runs: " << log;

    // The same file handed in again: tracking skips every record, and the name is taken in done/.
    const size_t sent = server.requests().size();
    drop("a_clean.txt", "1001 12345R\r\n");
    const CliResult again = watchOnce();
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(server.requests().size(), sent) << "nothing sent twice";
    EXPECT_TRUE(has("d_writing.txt")) << "settled, but still open for writing";
    ::close(writer);
    size_t stamped = 0;
    for (const auto& e : fs::directory_iterator(inbox() + "/done"))
        stamped += e.path().filename().string().rfind("a_clean.txt.20", 0) == 0 &&
                   e.path().filename().string().size() == std::string("a_clean.txt.YYYYMMDD-HHMMSS").size();
    EXPECT_EQ(stamped, 1u) << "the second a_clean.txt gets the local time appended";
}

TEST_F(WatchTest, AReadyMarkerHandsAFileInAtOnceAndSigtermEndsTheRunLeavingTheFile)
{
    dir.write("in/orders.txt", "EXPORT HEADER\r\n1001 12345R\r\n1003 12345R\r\n");
    dir.write("in/orders.txt.ready", "");
    auto watch = start({"watch", "--settle", "3600", "--pause", "2", inbox()});
    server.waitForRequests(1);
    EXPECT_FALSE(has("orders.txt.ready")) << "the marker goes when its file is taken";
    EXPECT_EQ(cli({"send"}).status, 75) << "the watch holds the store";
    watch->kill(SIGTERM);
    const CliResult r = watch->wait();
    EXPECT_EQ(r.status, 143) << r.err;
    EXPECT_TRUE(has("orders.txt")) << "a stopped run leaves its file for the next watch";
    EXPECT_FALSE(has("done/orders.txt"));
    EXPECT_FALSE(has(".orders.txt.results.csv"));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_NE(ok({"tracking", "list"}).find("1001"), std::string::npos) << "the record in progress was finished";
}

TEST_F(WatchTest, RefusesToStartWithoutTrackingUnlessAllowed)
{
    ok({"set", "TrackSent", "False"});
    const CliResult r = watchOnce();
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("tracking is off"), std::string::npos) << r.err;
    EXPECT_FALSE(has("done")) << "nothing was touched";
    EXPECT_EQ(watchOnce({"--allow-untracked"}).status, 0) << "an empty folder, nothing to do";
}

}  // namespace
}  // namespace torvane
