// torvane-cli send against a loopback server: what goes to standard output and standard error, the
// exit status, and tracking across runs.
#include "cli/send_fixture.h"
#include "store/data_module.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using namespace test;

TEST_F(SendTest, FullRunThenASecondRunSkipsWhatTheFirstTracked)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult first = send();
    EXPECT_EQ(first.status, kDoneWithRefusal) << first.err;
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
    EXPECT_EQ(second.status, kDoneWithRefusal) << second.err;
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
    ASSERT_EQ(send().status, kDoneWithRefusal);

    const Lines listed = test::splitOutputLines(ok({"tracking", "list"}));
    const std::string sentOn = shownToday();
    EXPECT_TRUE(containsInOrder(listed, {"Data Sent  Date Sent"}));
    EXPECT_NE(std::find(listed.begin(), listed.end(), "1001       " + sentOn), listed.end())
        << ::testing::PrintToString(listed);

    EXPECT_EQ(ok({"tracking", "delete", "1001"}), "Tracking records deleted: 1\n");
    server.queue(reply("200 OK", kThanks));
    const test::CliResult again = send();
    EXPECT_EQ(again.status, kDoneWithRefusal) << again.err;
    EXPECT_EQ(test::splitOutputLines(again.out).front(), "Data Accepted By Server For: 1001");
    EXPECT_EQ(test::splitOutputLines(again.err), Lines{summary(3, 1, 0, 1, 1)});
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(SendTest, RunGoesOnWhenNobodyReadsItsOutput)
{
    server.queue(reply("200 OK", kThanks));
    server.queue(reply("200 OK", kThanks));
    const test::CliResult r = test::runProgram(test::cliBinary(), {"-C", dir.path(), "send", "--pause", "0"}, true);
    EXPECT_EQ(r.status, kDoneWithRefusal) << r.err;
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
                 {reply("200 OK", "<html>Try again later</html>"), reply("200 OK", "<html>Busy</html>")}, {}, kDoneWithRefusal,
                 {"Server Did Not Confirm Data Was Sent For: 1001", "Server Did Not Confirm Data Was Sent For: 1003"},
                 {summary(3, 0, 2, 1, 0)}},
        ExitCase{"VerboseShowsStatusAndDiagnostics", {}, Target::Server,
                 {reply("200 OK", kThanks), reply("200 OK", kThanks)}, {"--verbose"}, kDoneWithRefusal,
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
                 {}, kDoneWithRefusal, {"Data Accepted By Server For: 1001", "Data Accepted By Server For: 1003"},
                 {summary(3, 2, 0, 1, 0)}},
        // 2^64 + 18321 is no port, not port 18321; the general error handler adds the full stop.
        ExitCase{"RedirectToAPortTooLargeToHoldFails", {}, Target::Server,
                 {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:18446744073709569937/\r\n"
                  "Content-Length: 0\r\n\r\n"},
                 // The server answered the record with a redirection: it may have taken it.
                 {}, 1, {}, {"'18446744073709569937' is not a valid integer value.", summary(1, 0, 0, 0, 0, 1)}}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

// A form of two text fields; the export file and the character settings vary from case to case.
class SendEncodingTest : public test::CliTest {
protected:
    test::ScriptedServer server;

    void SetUp() override
    {
        CliTest::SetUp();
        dir.write("form.html",
                  "<FORM ACTION=\"/people\" METHOD=\"post\">\n"
                  "<INPUT TYPE=\"text\" NAME=\"NAME\">\n"
                  "<INPUT TYPE=\"text\" NAME=\"CITY\">\n"
                  "</FORM>\n");
        ok({"import-html", "form.html"});
        ok({"set", "URL", server.url("/people")});
        ok({"set", "ImportData", "export.txt"});
        ok({"set", "ViewWarnings", "True"});
        ok({"set", "DataSentText", "thank you"});
    }

    // The body of the one request the send made.
    std::string sentBody()
    {
        const auto requests = server.requests();
        if (requests.size() != 1)
            return "(" + std::to_string(requests.size()) + " requests)";
        const size_t at = requests[0].find("\r\n\r\n");
        return at == std::string::npos ? requests[0] : requests[0].substr(at + 4);
    }
};

struct WireCase {
    const char* name;
    const char* exportEncoding;
    const char* formEncoding;
    const char* columnsIn;
    std::string line;
    int nameLength, cityStart, cityLength;
    const char* body;
    Lines out;
};

void PrintTo(const WireCase& c, std::ostream* os)
{
    *os << c.name;
}

class SendWireTest : public SendEncodingTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(SendWireTest, ValuesReachTheFormInItsEncoding)
{
    const WireCase& c = GetParam();
    ok({"set", "ExportEncoding", c.exportEncoding});
    ok({"set", "FormEncoding", c.formEncoding});
    ok({"set", "ColumnsIn", c.columnsIn});
    ok({"set-field", "10", "ImportStart", "1"});
    ok({"set-field", "10", "ImportLength", std::to_string(c.nameLength)});
    ok({"set-field", "10", "MaxLength", "20"});
    ok({"set-field", "20", "MaxLength", "20"});
    ok({"set-field", "20", "ImportStart", std::to_string(c.cityStart)});
    ok({"set-field", "20", "ImportLength", std::to_string(c.cityLength)});
    dir.write("export.txt", c.line + "\r\n");
    server.queue(reply("200 OK", kThanks));

    const test::CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(sentBody(), c.body);
    EXPECT_EQ(test::splitOutputLines(r.out), c.out);
    EXPECT_EQ(test::splitOutputLines(r.err), Lines{summary(1, 1, 0, 0, 0)});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendWireTest,
    ::testing::Values(
        WireCase{"Windows1252ToUtf8", "windows-1252", "utf-8", "", "M\xFCller Caf\xE9", 6, 8, 4,
                 "NAME=M%C3%BCller&CITY=Caf%C3%A9&", {}},
        // Blank settings: the bytes of the export file, as always.
        WireCase{"BlankSettingsSendTheFilesBytes", "", "", "", "M\xFCller Caf\xE9", 6, 8, 4,
                 "NAME=M%FCller&CITY=Caf%E9&", {}},
        WireCase{"BytesCutUtf8InTwo", "", "", "", "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m", 3, 5, 8,
                 "NAME=Zo%C3&CITY=%C3%85ngstr&", {}},
        WireCase{"Utf8CountedInCharacters", "utf-8", "utf-8", "Characters",
                 "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m", 3, 5, 8, "NAME=Zo%C3%AB&CITY=%C3%85ngstr%C3%B6m&",
                 {}},
        WireCase{"ShiftJisToUtf8", "shift_jis", "utf-8", "Characters", "\x93\x8C\x8B\x9E \x82\xA0", 2, 4, 1,
                 "NAME=%E6%9D%B1%E4%BA%AC&CITY=%E3%81%82&", {}},
        WireCase{"CharacterTheFormLacks", "utf-8", "iso-8859-1", "", "Gr\xC3\xBC\xC3\x9F 5\xE2\x82\xAC", 6, 8, 4,
                 "NAME=Gr%FC%DF&CITY=5%3F&",
                 {"Data Had the Following Warings:", "     WARNING CITY Has Characters Not In iso-8859-1", ""}}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

TEST_F(SendEncodingTest, UnknownEncodingsAreRefusedWhenSetAndEndARunWhenFoundInTheStore)
{
    const std::string before = show();
    for (const Lines& args : std::vector<Lines>{{"set", "ExportEncoding", "klingon"},
                                                {"set", "FormEncoding", "utf-8//IGNORE"}}) {
        const test::CliResult r = cli(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "torvane-cli: '" + args[2] + "' is not a known character encoding\n");
    }
    const test::CliResult columns = cli({"set", "ColumnsIn", "Words"});
    EXPECT_EQ(columns.status, 1);
    EXPECT_EQ(columns.err, "torvane-cli: 'Words' is not a valid value for ColumnsIn (Bytes or Characters)\n");
    EXPECT_EQ(show(), before);

    // Written into the store by other means, the name ends the run before any record is read.
    {
        TDataModule1 data(dir.file("torvane.db"));
        data.SettingsTable.setText("ExportEncoding", "klingon");
        data.SettingsTable.post();
    }
    dir.write("export.txt", "M\xFCller Caf\xE9\r\n");
    const test::CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(test::splitOutputLines(r.err),
              (Lines{"'klingon' is not a known character encoding.", summary(0, 0, 0, 0, 0)}));
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace torvane
