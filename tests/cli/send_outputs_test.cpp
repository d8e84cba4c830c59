// torvane-cli send's outputs for an operator: the results file in both formats, the rejects file that
// sends what is still missing, the exit statuses, and the --json documents of show, tracking and runs.
#include "cli/send_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace torvane {
namespace {

using namespace test;
using nlohmann::json;

// After the header line: accepted, refused, not confirmed, already sent, in doubt, a 404 that ends the
// run, and two lines left unread (the last without a line break).
const std::string kEveryOutcome = "EXPORT HEADER\r\n"
                                  "1001 12345R\r\n"
                                  "1002      B\r\n"
                                  "1003 54321R\r\n"
                                  "1004 11111B\r\n"
                                  "1005 22222R\r\n"
                                  "1006 33333B\r\n"
                                  "1007 44444R\r\n"
                                  "1008 55555B";

struct Row {
    int line, record;
    std::string key, outcome, status, message;
};

class SendOutputsTest : public SendTest {
protected:
    // 1004 accepted by an earlier run; 1005 cut off in it, so held in doubt from now on.
    void earlierRun()
    {
        dir.write("export.txt", "EXPORT HEADER\r\n1004 11111B\r\n1005 22222R\r\n");
        server.queue(reply("200 OK", kThanks));
        killWhileRequestIsOut(2);
        dir.write("export.txt", kEveryOutcome);
        server.queue(reply("200 OK", kThanks));
        server.queue(reply("200 OK", "<html>Busy</html>"));
        server.queue(reply("404 Not Found", "gone"));
    }
    std::vector<Row> expectedRows() const
    {
        const std::string today = shownToday();
        return {
            {2, 1, "1001", "accepted", "HTTP/1.1 200 OK", "Data Accepted By Server For: 1001"},
            {3, 2, "1002", "refused", "", "Data Not Sent For 1002, Missing Required Fields / zip Required"},
            {4, 3, "1003", "not confirmed", "HTTP/1.1 200 OK", "Server Did Not Confirm Data Was Sent For: 1003"},
            {5, 4, "1004", "already sent", "", "Data For 1004 Sent On " + today + ", Data Not Sent."},
            {6, 5, "1005", "in doubt", "", "Data For 1005 May Have Been Sent On " + today + ", Data Not Sent."},
            {7, 6, "1006", "failed", "HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found"},
        };
    }
};

// Splits one CSV record into its fields (quoted fields may hold commas and doubled quotes).
std::vector<std::string> csvFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool isLocalIsoTime(const std::string& t)
{
    // 2026-12-09T10:14:37+01:00
    return t.size() == 25 && t[4] == '-' && t[10] == 'T' && t[13] == ':' && (t[19] == '+' || t[19] == '-') &&
           t[22] == ':';
}

TEST_F(SendOutputsTest, ResultsAsCsvRowByRowAndRejectsByteForByte)
{
    earlierRun();
    const CliResult r = send({"--results", "results.csv", "--rejects", "rejects.txt"});
    EXPECT_EQ(r.status, 1) << "the 404 ended the run: " << r.err;

    const std::string csv = dir.read("results.csv");
    ASSERT_EQ(csv.substr(0, 3) == "\xEF\xBB\xBF", false) << "no byte order mark";
    std::vector<std::string> lines;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "CRLF records";
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), 7u) << csv;
    EXPECT_EQ(lines[0], "line,record,key,outcome,status,message,time");
    EXPECT_EQ(lines[2].substr(0, 24), "3,2,1002,refused,,\"Data ") << "a message holding a comma is quoted";
    const std::vector<Row> rows = expectedRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto f = csvFields(lines[i + 1]);
        ASSERT_EQ(f.size(), 7u) << lines[i + 1];
        EXPECT_EQ(f[0], std::to_string(rows[i].line));
        EXPECT_EQ(f[1], std::to_string(rows[i].record));
        EXPECT_EQ(f[2], rows[i].key);
        EXPECT_EQ(f[3], rows[i].outcome);
        EXPECT_EQ(f[4], rows[i].status);
        EXPECT_EQ(f[5], rows[i].message);
        EXPECT_TRUE(isLocalIsoTime(f[6])) << f[6];
    }

    EXPECT_EQ(dir.read("rejects.txt"), "EXPORT HEADER\r\n"
                                       "1002      B\r\n"
                                       "1003 54321R\r\n"
                                       "1005 22222R\r\n"
                                       "1006 33333B\r\n"
                                       "1007 44444R\r\n"
                                       "1008 55555B");

    // The rejects as the export: exactly what is still missing goes out (1002 is refused again, 1005
    // waits for the operator's decision).
    const size_t before = server.requests().size();
    for (int i = 0; i < 4; ++i)
        server.queue(reply("200 OK", kThanks));
    ok({"set", "ImportData", "rejects.txt"});
    const CliResult again = send({"--rejects", "rejects2.txt"});
    EXPECT_EQ(again.status, 3) << again.err;
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), before + 4);
    const char* wanted[] = {"acct=1003", "acct=1006", "acct=1007", "acct=1008"};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NE(requests[before + i].find(wanted[i]), std::string::npos) << requests[before + i];
    EXPECT_EQ(dir.read("rejects2.txt"), "EXPORT HEADER\r\n1002      B\r\n1005 22222R\r\n");
}

TEST_F(SendOutputsTest, ResultsAsJsonLines)
{
    earlierRun();
    std::filesystem::create_directories(dir.file("out"));
    dir.write("out/results.jsonl", "an older file, replaced\n");
    send({"--results", "out/results.jsonl"});
    std::istringstream in(dir.read("out/results.jsonl"));
    const std::vector<Row> rows = expectedRows();
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        ASSERT_LT(n, rows.size()) << line;
        const json row = json::parse(line);
        EXPECT_EQ(row.at("line"), rows[n].line);
        EXPECT_EQ(row.at("record"), rows[n].record);
        EXPECT_EQ(row.at("key"), rows[n].key);
        EXPECT_EQ(row.at("outcome"), rows[n].outcome);
        EXPECT_EQ(row.at("status"), rows[n].status);
        EXPECT_EQ(row.at("message"), rows[n].message);
        EXPECT_TRUE(isLocalIsoTime(row.at("time")));
    }
    EXPECT_EQ(n, rows.size());
}

TEST_F(SendOutputsTest, ExitStatuses)
{
    struct Case {
        const char* name;
        std::string exportBytes;
        std::vector<std::string> replies;
        Lines options;
        int status;
    };
    const Case cases[] = {
        {"every record accepted", "H\r\n1001 12345R\r\n", {reply("200 OK", kThanks)}, {}, 0},
        {"one refused", "H\r\n1001 12345R\r\n1002      B\r\n", {reply("200 OK", kThanks)}, {}, 3},
        {"one not confirmed", "H\r\n1001 12345R\r\n", {reply("200 OK", "no")}, {}, 3},
        {"an error ended the run", "H\r\n1001 12345R\r\n", {reply("500 Oops", "")}, {}, 1},
        {"another extension", "H\r\n1001 12345R\r\n", {}, {"--results", "r.txt"}, 64},
        {"rejects over the export file", "H\r\n1001 12345R\r\n", {}, {"--rejects", "./export.txt"}, 64},
    };
    for (const Case& c : cases) {
        cli({"tracking", "delete", "1001"});  // each case starts with 1001 untracked
        std::filesystem::remove(dir.file("rejects.txt"));
        dir.write("export.txt", c.exportBytes);
        for (const std::string& r : c.replies)
            server.queue(r);
        Lines args{"--results", "r.csv", "--rejects", "rejects.txt"};
        if (!c.options.empty())
            args = c.options;
        const CliResult r = send(args);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_EQ(std::filesystem::exists(dir.file("rejects.txt")), c.status == 3 || c.status == 1) << c.name;
        EXPECT_EQ(dir.read("export.txt"), c.exportBytes) << c.name << ": the export file is left as it was";
    }
    ok({"set", "URL", ""});
    EXPECT_EQ(send().status, 2);
}

TEST_F(SendOutputsTest, JsonDocumentsOfTheStore)
{
    earlierRun();
    // A text that is not UTF-8 is read as Windows-1252 while no export encoding is set.
    ok({"set", "DataSentText", "Gr\xFC\xDF"});
    const json show = json::parse(ok({"show", "--json"}));
    EXPECT_EQ(show.at("settings").at("DataSentText"), "Grüß");
    EXPECT_EQ(show.at("settings").at("TrackSent"), true);
    EXPECT_EQ(show.at("settings").at("LinesToRead"), 1);
    EXPECT_TRUE(show.at("settings").at("ViewDiag").is_null()) << show.at("settings");
    ASSERT_EQ(show.at("fields").size(), 3u);
    EXPECT_EQ(show.at("fields")[0].at("Name"), "acct");
    EXPECT_EQ(show.at("fields")[0].at("MaxLength"), 4);
    EXPECT_EQ(show.at("fields")[1].at("Required"), true);
    EXPECT_EQ(show.at("options")[0].at("ImportMap"), "R");
    ASSERT_EQ(show.at("tracking").size(), 1u);
    EXPECT_EQ(show.at("tracking")[0].at("DataToTrack"), "1004");
    EXPECT_EQ(show.at("tracking")[0].at("DataSent"), toIsoText(today()));

    const json tracking = json::parse(ok({"tracking", "list", "--json"}));
    EXPECT_EQ(tracking, show.at("tracking"));

    const json doubt = json::parse(ok({"tracking", "in-doubt", "--json"}));
    ASSERT_EQ(doubt.size(), 1u);
    EXPECT_EQ(doubt[0].at("TrackKey"), "1005");
    EXPECT_EQ(doubt[0].at("LineNum"), 3);
    EXPECT_EQ(doubt[0].at("State"), "in doubt");
    EXPECT_TRUE(doubt[0].at("StatusLine").is_null());

    const json runs = json::parse(ok({"runs", "--json"}));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].at("Outcome"), "interrupted");
    EXPECT_EQ(runs[0].at("RunNum"), 1);
    EXPECT_TRUE(runs[0].at("Ended").is_null());
}

}  // namespace
}  // namespace torvane
