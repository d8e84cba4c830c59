// torvane-cli check end to end: a configuration and export file planting every problem the check knows,
// reported line by line while nothing reaches the loopback server and nothing in the folder changes; and
// the requests of --data set against what a real send puts on the wire.
#include "cli/send_fixture.h"
#include "store/data_module.h"
#include "util/dates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace torvane {
namespace {

using namespace test;
using Row = std::map<std::string, std::string>;

// One export line of the planted configuration: acct 1-4, name 6-15, zip 17-21, color 23, time 25-28,
// date 30-37, extra 39-40, code2 42-43.
std::string record(const std::string& acct, const std::string& name, const std::string& zip,
                   const std::string& color, const std::string& time = "0930", const std::string& code2 = "")
{
    auto pad = [](std::string s, size_t n) {
        s.resize(n, ' ');
        return s;
    };
    return pad(acct, 4) + " " + pad(name, 10) + " " + pad(zip, 5) + " " + pad(color, 1) + " " + pad(time, 4) + " " +
           "20260101 ab " + pad(code2, 2);
}

class CheckTest : public CliTest {
protected:
    ScriptedServer server;

    void write(const std::function<void(TDataModule1&)>& change)
    {
        TDataModule1 data(dir.file("torvane.db"));
        change(data);
    }
    static void append(TableView& table, const Row& row)
    {
        table.append();
        for (const auto& [name, value] : row)
            table.setText(name, value);
        table.post();
    }
    int64_t rows(const std::string& table)
    {
        TDataModule1 data(dir.file("torvane.db"));
        return std::get<int64_t>(data.database().query("SELECT count(*) FROM " + table)[0][0]);
    }
    std::map<std::string, int64_t> counts()
    {
        return {{"track", rows("track")}, {"runs", rows("runs")}, {"deliveries", rows("deliveries")}};
    }
};

Row field(const std::string& order, const std::string& name, const std::string& start, const std::string& length,
          Row more = {})
{
    more.insert({{"OrderNum", order}, {"Name", name}, {"ImportStart", start}, {"ImportLength", length}});
    return more;
}

TEST_F(CheckTest, EveryPlantedProblemIsReportedOnItsLineAndNothingIsSentOrWritten)
{
    std::string exportText = "HEADER LINE\n";
    for (const std::string& line : {
             record("1001", "Smith", "12345", "R"),                  // line 2: clean
             record("1002", "Jones", "", "B"),                       // 3: zip missing
             record("1003", "Brown", "54321", "X"),                  // 4: code not in the cross walk
             record("1004", "Richardson", "54321", "R"),             // 5: cut to 5
             record("1005", "Lee", "54321", "B").substr(0, 40),      // 6: code2 beyond the end
             record("1006", "Moss", "54321", "R", "2x30"),           // 7: the time the run ends at
             record("1001", "Smith", "12345", "R"),                  // 8: key repeated
             record("0999", "Old", "54321", "R"),                    // 9: tracked before
             record("1009", "Gr\xFFn", "54321", "R"),                // 10: not UTF-8
             record("1010", "Kim", "54321", "R", "0930", "zz"),      // 11: MaxLength 0 drops it
         })
        exportText += line + "\n";
    dir.write("export.txt", exportText);
    write([](TDataModule1& data) {
        for (const auto& [name, value] : Row{{"URL", "orders.cgi"},
                                             {"PostType", "send"},
                                             {"ImportData", "export.txt"},
                                             {"LinesToRead", "1"},
                                             {"DeleteFile", "True"},
                                             {"ViewDiag", "True"},
                                             {"TrackSent", "True"},
                                             {"PurgeDays", "0"},
                                             {"FieldToTrack1", "acct"},
                                             {"ExportEncoding", "utf-8"}})
            data.SettingsTable.setText(name, value);
        data.SettingsTable.post();
        append(data.FieldsTable, field("10", "acct", "1", "4"));
        append(data.FieldsTable, field("20", "name", "6", "10", {{"MaxLength", "5"}}));
        append(data.FieldsTable, field("30", "zip", "17", "5", {{"Required", "True"}}));
        append(data.FieldsTable, field("40", "color", "23", "1", {{"Type", "select"}}));
        append(data.FieldsTable, field("50", "time", "25", "4", {{"Format", "HHMM To HH:MM AM/PM"}}));
        append(data.FieldsTable, field("60", "date", "30", "8", {{"Format", "MM/DD/YYYY"}}));
        append(data.FieldsTable, field("70", "extra", "39", "2"));
        append(data.FieldsTable, field("80", "code2", "42", "2", {{"MaxLength", "0"}}));
        append(data.SelDataTable, {{"Name", "color"}, {"Value", "r"}, {"ImportMap", "R"}, {"DefaultValue", "True"}});
        append(data.SelDataTable, {{"Name", "color"}, {"Value", "b"}, {"ImportMap", "B"}, {"DefaultValue", "True"}});
        data.TrackTable.append();
        data.TrackTable.setText("DataToTrack", "0999");
        data.TrackTable.setCell("DataSent", toIsoText(today()));
        data.TrackTable.post();
    });
    const auto before = counts();
    const std::string summaryLine =
        "Checked 10 records: 7 would be sent, 1 refused for missing fields, 1 already sent, 7 with warnings";
    const Lines recordLines{
        "Line 3 (record 2, key 1002): zip Required: the record would be refused",
        "Line 4 (record 3, key 1003): WARNING color Not Found In Cross Walk. (X)",
        "Line 5 (record 4, key 1004): name cut to MaxLength 5 without Fill Next Field: \"Richardson\" is sent as "
        "\"Richa\"",
        "Line 6 (record 5, key 1005): code2 starts at column 42, beyond the end of the line (40 columns)",
        "Line 7 (record 6, key 1006): '2x' is not a valid integer value: the run would end here (time, Format "
        "\"HHMM To HH:MM AM/PM\")",
        "Line 8 (record 7, key 1001): the key is repeated: first on line 2, this one is skipped as already sent if "
        "that one is accepted",
        "Line 9 (record 8, key 0999): Data For 0999 Sent On " + shownToday() + ", Data Not Sent.",
        "Line 10 (record 9, key 1009): name holds bytes not valid in utf-8 (the first, 0xFF, at byte 3)",
        "Line 11 (record 10, key 1010): code2 cut to MaxLength 0 without Fill Next Field: \"zz\" is sent as \"\"",
    };

    CliResult r = cli({"check"});
    EXPECT_EQ(r.status, 3) << r.err;
    Lines expected{
        "URL \"orders.cgi\" has no \"://\": a relative address, as a page's ACTION is imported, that no request can "
        "be sent to",
        "PostType \"send\" is not GET, POST or PUT: no request would be sent for any record",
        "DataSentText is blank: no record would be confirmed or tracked",
        "Field definition 40 (color): 2 option rows are marked default: the fallback is whichever the store returns "
        "first",
        "Field definition 60 (date): Format \"MM/DD/YYYY\" is not \"YYYYMMDD To MM/DD/YY\", \"HHMM To HH:MM\" or "
        "\"HHMM To HH:MM AM/PM\": the value is sent unconverted",
        "Field definition 80 (code2): MaxLength 0 on a field taken from the line: its value is always sent empty",
    };
    expected.insert(expected.end(), recordLines.begin(), recordLines.end());
    expected.push_back(summaryLine);
    EXPECT_EQ(splitOutputLines(r.out), expected);
    EXPECT_EQ(r.err, "");

    // With a URL and a post action that reach the server, and every request shown, still nothing goes out.
    ok({"set", "URL", server.url("/orders")});
    ok({"set", "PostType", "POST"});
    r = cli({"check", "--data"});
    EXPECT_EQ(r.status, 3) << r.err;
    const Lines out = splitOutputLines(r.out);
    EXPECT_TRUE(containsInOrder(out, recordLines)) << r.out;
    EXPECT_EQ(out.back(), summaryLine);
    EXPECT_EQ(std::count_if(out.begin(), out.end(),
                            [](const std::string& l) { return l.rfind("Request for line ", 0) == 0; }),
              7);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(counts(), before);
    EXPECT_EQ(dir.read("export.txt"), exportText);
    EXPECT_FALSE(std::filesystem::exists(dir.file("DebugFile.log")));

    // A real run with the same settings sends until the time the check pointed at, and ends there.
    for (int i = 0; i < 4; ++i)
        server.queue(reply("200 OK", kThanks));
    r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'2x' is not a valid integer value."), std::string::npos) << r.err;
    EXPECT_EQ(server.requests().size(), 4u);

    // What contradicts a tracked key: no tracked field names a definition; and cross walks with nothing to
    // look codes up in.
    write([](TDataModule1& data) {
        data.SettingsTable.setText("FieldToTrack1", "ACCT");
        data.SettingsTable.post();
        append(data.FieldsTable, field("90", "size", "0", "0", {{"Type", "radio"}}));
        append(data.FieldsTable, field("95", "shade", "0", "0", {{"Type", "select"}}));
        append(data.SelDataTable, {{"Name", "shade"}, {"Value", "light"}});
    });
    r = cli({"check", "--limit", "1"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(containsInOrder(
        splitOutputLines(r.out),
        {"TrackSent is on but none of FieldToTrack1 to FieldToTrack4 names a field definition: every key would be "
         "empty and no record would ever be skipped as already sent",
         "Field definition 90 (size): a radio field without option rows: every code is Not Found In Cross Walk and "
         "the field is left out",
         "Field definition 95 (shade): none of its 1 option rows has an Import Map: every code is Not Found In Cross "
         "Walk and the default option is sent",
         "Line 2 (record 1, key ): WARNING size Not Found In Cross Walk. ()",
         "Line 2 (record 1, key ): WARNING shade Not Found In Cross Walk. ()",
         "Checked 1 records: 1 would be sent, 0 refused for missing fields, 0 already sent, 1 with warnings"}))
        << r.out;
}

// The requests of check --data: the header line of each, and its body bytes (empty for a GET).
struct ShownRequest {
    std::string head, body;
};

std::vector<ShownRequest> shownRequests(const std::string& out)
{
    std::vector<ShownRequest> shown;
    const std::string marker = "Request for line ";
    for (size_t at = out.find(marker); at != std::string::npos; at = out.find(marker, at)) {
        const size_t end = out.find('\n', at);
        ShownRequest r{out.substr(at, end - at), {}};
        at = end + 1;
        const std::string suffix = " bytes of body:";
        if (r.head.size() > suffix.size() && r.head.compare(r.head.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const size_t comma = r.head.rfind(", ");
            const size_t n = std::stoul(r.head.substr(comma + 2));
            r.body = out.substr(at, n);
            EXPECT_EQ(out.substr(at + n, 1), "\n");
            at += n + 1;
        }
        shown.push_back(r);
    }
    return shown;
}

TEST_F(SendTest, CheckDataShowsTheRequestsASendPutsOnTheWire)
{
    // Values with blanks and signs the form encoding changes; the second record is refused, so two requests.
    dir.write("export.txt", "EXPORT HEADER\r\n1001 1 &4%R\r\n1002      B\r\n1003 5+3 1X\r\n");
    ok({"set", "TrackSent", "False"});
    for (const std::string method : {"POST", "PUT", "GET"}) {
        SCOPED_TRACE(method);
        ok({"set", "PostType", method});
        const size_t sentBefore = server.requests().size();
        const CliResult checked = cli({"check", "--data"});
        EXPECT_EQ(checked.status, 3) << checked.err;
        const std::vector<ShownRequest> shown = shownRequests(checked.out);
        EXPECT_EQ(server.requests().size(), sentBefore);

        server.queue(reply("200 OK", kThanks));
        server.queue(reply("200 OK", kThanks));
        ASSERT_EQ(send().status, kDoneWithRefusal);
        const std::vector<std::string> wire = server.requests();
        ASSERT_EQ(wire.size(), sentBefore + 2);
        ASSERT_EQ(shown.size(), 2u) << checked.out;
        const std::string url = server.url("/orders");
        EXPECT_EQ(shown[0].head.substr(0, shown[0].head.find(':') + 1), "Request for line 2 (record 1, key ):");
        EXPECT_EQ(shown[1].head.substr(0, shown[1].head.find(':') + 1), "Request for line 4 (record 3, key ):");
        for (size_t i = 0; i < 2; ++i) {
            const std::string& request = wire[sentBefore + i];
            EXPECT_EQ(request.rfind(method + " /orders HTTP/1.", 0), 0u) << request;
            EXPECT_NE(shown[i].head.find(": " + method + " " + url + ", "), std::string::npos) << shown[i].head;
            const size_t headEnd = request.find("\r\n\r\n");
            ASSERT_NE(headEnd, std::string::npos);
            EXPECT_EQ(shown[i].body, request.substr(headEnd + 4));
            if (method == "GET") {
                EXPECT_EQ(shown[i].head.substr(shown[i].head.size() - 9), ", no body");
            }
        }
        if (method == "POST") {
            EXPECT_EQ(shown[0].body, "acct=1001&zip=1+%264%25&color=r&");
        }
        if (method == "PUT") {
            EXPECT_EQ(shown[1].body, "acct=1003\r\nzip=5+3 1\r\ncolor=r\r\n");
        }
    }
}

}  // namespace
}  // namespace torvane
