// torvane-cli send against a loopback server: what goes to standard output and standard error, the
// exit status, and tracking across runs.
#include "cli/cli_runner.h"
#include "support/scripted_server.h"
#include "util/dates.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

// Today as the companion shows it: in the short date format of the locale it runs in.
std::string shownToday()
{
    setShortDateFormat(localeShortDateFormat());
    const std::string shown = formatShortDate(today());
    setShortDateFormat("MM/dd/yyyy");
    return shown;
}


using Lines = std::vector<std::string>;

const char* const kForm =
    "<HTML><BODY>\n"
    "<FORM ACTION=\"/orders\" METHOD=\"post\">\n"
    "<INPUT TYPE=\"text\" NAME=\"acct\" MAXLENGTH=\"4\">\n"
    "<INPUT TYPE=\"text\" NAME=\"zip\" MAXLENGTH=\"5\">\n"
    "<SELECT NAME=\"color\">\n"
    "<OPTION VALUE=\"r\">Red\n"
    "<OPTION VALUE=\"b\">Blue\n"
    "</SELECT>\n"
    "<INPUT TYPE=\"submit\" NAME=\"go\" VALUE=\"Send\">\n"
    "</FORM></BODY></HTML>\n";

// A header line, then: a complete record, one without its required ZIP, one whose colour code the
// cross walk does not know.
const char* const kExport =
    "EXPORT HEADER\r\n"
    "1001 12345R\r\n"
    "1002      B\r\n"
    "1003 54321X\r\n";

std::string reply(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}
const std::string kThanks = "<html><body>Thank You!</body></html>";

std::string summary(int read, int accepted, int notConfirmed, int refused, int skipped)
{
    return "Records read: " + std::to_string(read) + ", accepted: " + std::to_string(accepted) +
           ", not confirmed: " + std::to_string(notConfirmed) + ", refused for missing fields: " +
           std::to_string(refused) + ", skipped as already sent: " + std::to_string(skipped);
}

bool containsInOrder(const Lines& lines, const Lines& wanted)
{
    auto at = lines.begin();
    for (const std::string& w : wanted) {
        at = std::find(at, lines.end(), w);
        if (at == lines.end())
            return false;
        ++at;
    }
    return true;
}

class SendTest : public test::CliTest {
protected:
    test::ScriptedServer server;

    // The configuration is made once with the companion itself and copied into each test's folder;
    // only the server's address differs from test to test.
    static std::string& configuredStore()
    {
        static std::string bytes;
        return bytes;
    }
    static void SetUpTestSuite()
    {
        test::TempDir setup;
        setup.write("form.html", kForm);
        for (const Lines& args : std::vector<Lines>{
                 {"import-html", "form.html"},
                 {"set", "DataSentText", "thank you"},
                 {"set", "ImportData", "export.txt"},
                 {"set", "LinesToRead", "1"},
                 {"set", "ViewWarnings", "True"},
                 {"set", "TrackSent", "True"},
                 {"set", "FieldToTrack1", "acct"},
                 {"set-field", "10", "ImportStart", "1"},
                 {"set-field", "10", "ImportLength", "4"},
                 {"set-field", "20", "ImportStart", "6"},
                 {"set-field", "20", "ImportLength", "5"},
                 {"set-field", "20", "Required", "True"},
                 {"set-field", "30", "ImportStart", "11"},
                 {"set-field", "30", "ImportLength", "1"},
                 {"set-option", "color", "10", "ImportMap", "R"},
                 {"set-option", "color", "20", "ImportMap", "B"},
             }) {
            Lines withDir{"-C", setup.path()};
            withDir.insert(withDir.end(), args.begin(), args.end());
            const test::CliResult r = test::runProgram(test::cliBinary(), withDir);
            ASSERT_EQ(r.status, 0) << ::testing::PrintToString(args) << ": " << r.err;
        }
        configuredStore() = setup.read("torvane.db");
    }

    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_FALSE(configuredStore().empty());
        dir.write("torvane.db", configuredStore());
        dir.write("export.txt", kExport);
        ok({"set", "URL", server.url("/orders")});
    }

    test::CliResult send(Lines extra = {})
    {
        Lines args{"send", "--pause", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args);
    }
};

TEST_F(SendTest, FullRunThenASecondRunSkipsWhatTheFirstTracked)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult first = send();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(test::splitOutputLines(first.out), (Lines{
                                                     "Data Accepted By Server For: 1001",
                                                     "Data Not Sent For 1002, Missing Required Fields",
                                                     "",
                                                     "     zip Required",
                                                     "",
                                                     "Data For 1003 Had the Following Warings:",
                                                     "     WARNING color Not Found In Cross Walk. (X)",
                                                     "",
                                                     "Data Accepted By Server For: 1003",
                                                 }));
    EXPECT_EQ(test::splitOutputLines(first.err), Lines{summary(3, 2, 0, 1, 0)});
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("POST /orders HTTP/1.0\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("\r\n\r\nacct=1001&zip=12345&color=r"), std::string::npos) << requests[0];
    // The unknown code goes out as the list's default option.
    EXPECT_NE(requests[1].find("\r\n\r\nacct=1003&zip=54321&color=r"), std::string::npos) << requests[1];

    const std::string sentOn = shownToday();
    const test::CliResult second = send();
    EXPECT_EQ(second.status, 0) << second.err;
    const Lines out = test::splitOutputLines(second.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "Data For 1001 Sent On " + sentOn + ", Data Not Sent.");
    EXPECT_EQ(out.back(), "Data For 1003 Sent On " + sentOn + ", Data Not Sent.");
    EXPECT_EQ(test::splitOutputLines(second.err), Lines{summary(3, 0, 0, 1, 2)});
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(SendTest, TrackingDeleteLetsTheNextRunSendThatRecordAgain)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    ASSERT_EQ(send().status, 0);

    const Lines listed = test::splitOutputLines(ok({"tracking", "list"}));
    const std::string sentOn = shownToday();
    EXPECT_TRUE(containsInOrder(listed, {"Data Sent  Date Sent"}));
    EXPECT_NE(std::find(listed.begin(), listed.end(), "1001       " + sentOn), listed.end())
        << ::testing::PrintToString(listed);

    EXPECT_EQ(ok({"tracking", "delete", "1001"}), "Tracking records deleted: 1\n");
    server.queue(reply("200 OK", kThanks));
    const test::CliResult again = send();
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(test::splitOutputLines(again.out).front(), "Data Accepted By Server For: 1001");
    EXPECT_EQ(test::splitOutputLines(again.err), Lines{summary(3, 1, 0, 1, 1)});
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SendTest, RunGoesOnWhenNobodyReadsItsOutput)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult r = test::runProgram(test::cliBinary(), {"-C", dir.path(), "send", "--pause", "0"}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::splitOutputLines(r.err), Lines{summary(3, 2, 0, 1, 0)});
    EXPECT_EQ(server.requests().size(), 2u);
    const Lines tracked = test::splitOutputLines(ok({"tracking", "list"}));
    EXPECT_EQ(tracked.size(), 4u) << ::testing::PrintToString(tracked);
}

enum class Target { Server, NobodyListening };

struct ExitCase {
    const char* name;
    Lines setup;                // commands run before the send
    Target target;
    Lines replies;
    Lines sendArgs;
    int status;
    Lines outContains;          // lines of standard output, in this order
    Lines errContains;          // lines of standard error, in this order
};

void PrintTo(const ExitCase& c, std::ostream* os)
{
    *os << c.name;
}

class SendExitTest : public SendTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(SendExitTest, StatusAndMessages)
{
    const ExitCase& c = GetParam();
    if (c.target == Target::NobodyListening)
        ok({"set", "URL", "http://127.0.0.1:" + std::to_string(test::ScriptedServer::unusedPort()) + "/orders"});
    if (!c.setup.empty())
        ok(c.setup);
    for (const std::string& r : c.replies)
        server.queue(r);
    const test::CliResult r = send(c.sendArgs);
    EXPECT_EQ(r.status, c.status) << r.err;
    const Lines out = test::splitOutputLines(r.out);
    const Lines err = test::splitOutputLines(r.err);
    EXPECT_TRUE(containsInOrder(out, c.outContains)) << r.out;
    EXPECT_TRUE(containsInOrder(err, c.errContains)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendExitTest,
    ::testing::Values(
        ExitCase{"NoUrlAborts", {"set", "URL", ""}, Target::Server, {}, {}, 2,
                 {"Posting Aborted, No URL Defined."}, {summary(0, 0, 0, 0, 0)}},
        ExitCase{"NoPostActionAborts", {"set", "PostType", ""}, Target::Server, {}, {}, 2,
                 {"Positng Aborted, Post Action Not Defined"}, {summary(0, 0, 0, 0, 0)}},
        ExitCase{"MissingExportFileAborts", {"set", "ImportData", "gone.txt"}, Target::Server, {}, {}, 2, {},
                 {"Export File Could Not Be Found", summary(0, 0, 0, 0, 0)}},
        ExitCase{"UnreachableServerFails", {}, Target::NobodyListening, {}, {}, 1, {},
                 {"Socket Error # 10061", "Connection refused.", summary(1, 0, 0, 0, 0)}},
        // The general error handler's full stop after the status line.
        ExitCase{"ErrorStatusFails", {}, Target::Server, {reply("404 Not Found", "missing")}, {}, 1, {},
                 {"HTTP/1.1 404 Not Found.", summary(1, 0, 0, 0, 0)}},
        ExitCase{"UnconfirmedRecordsStillComplete", {}, Target::Server,
                 {reply("200 OK", "<html>Try again later</html>"), reply("200 OK", "<html>Busy</html>")}, {}, 0,
                 {"Server Did Not Confirm Data Was Sent For: 1001", "Server Did Not Confirm Data Was Sent For: 1003"},
                 {summary(3, 0, 2, 1, 0)}},
        ExitCase{"VerboseShowsStatusAndDiagnostics", {}, Target::Server,
                 {reply("200 OK", kThanks), reply("200 OK", kThanks)}, {"--verbose"}, 0,
                 {"Data Accepted By Server For: 1001"},
                 {"status: Processing Export Record# 1", "status: Submitting Data To Server",
                  "diagnostics: " + kThanks, "status: Ready", summary(3, 2, 0, 1, 0)}},
        ExitCase{"NonNumericPauseIsRefused", {}, Target::Server, {}, {"--pause", "soon"}, 64, {},
                 {"torvane-cli: --pause must be a whole number from 0 to 65535, not 'soon'"}},
        // 2^64 would wrap round onto a pause of 0.
        ExitCase{"PauseTooLargeToHoldIsRefused", {}, Target::Server, {}, {"--pause", "18446744073709551616"}, 64, {},
                 {"torvane-cli: --pause must be a whole number from 0 to 65535, not '18446744073709551616'"}},
        // 2^64 + 2 is no usable length: each reply is read to the close and its confirmation found.
        ExitCase{"LengthTooLargeToHoldReadsUntilClose", {}, Target::Server,
                 {"HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551618\r\n\r\n" + kThanks,
                  "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551618\r\n\r\n" + kThanks},
                 {}, 0, {"Data Accepted By Server For: 1001", "Data Accepted By Server For: 1003"},
                 {summary(3, 2, 0, 1, 0)}},
        // 2^64 + 18321 is no port, not port 18321; the general error handler adds the full stop.
        ExitCase{"RedirectToAPortTooLargeToHoldFails", {}, Target::Server,
                 {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:18446744073709569937/\r\n"
                  "Content-Length: 0\r\n\r\n"},
                 {}, 1, {}, {"'18446744073709569937' is not a valid integer value.", summary(1, 0, 0, 0, 0)}}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane
