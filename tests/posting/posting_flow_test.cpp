// A whole posting run through the real HTTP client against a loopback server: the worked example of
// two records, the second run that skips what the first one tracked, and a resend after the tracking
// record is deleted.
#include "posting/posting_station.h"
#include "support/recording_host.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

const std::string kThanks = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 24\r\n\r\n"
                            "<p>Thank you, got it</p>";

class PostingFlowTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    test::RecordingHost host;
    test::ScriptedDialogs dialogs;
    test::FakeClock clock;
    test::ScriptedServer server;
    std::unique_ptr<PostingStation> station;
    PostingEngine* engine = nullptr;

    void SetUp() override
    {
        HttpStackOptions options;
        options.trafficLogFile = dir.file("DebugFile.log");
        station = std::make_unique<PostingStation>(data, host, dialogs, &clock, options);
        engine = &station->engine;

        auto& s = data.SettingsTable;
        s.setText("URL", server.url("/cgi-bin/order"));
        s.setText("PostType", "POST");
        s.setText("DataSentText", "thank you");
        s.setText("ViewWarnings", "True");
        s.setText("TrackSent", "True");
        s.setText("FieldToTrack1", "ACCT");
        s.setText("ImportData", dir.file("export.txt"));
        s.post();
        addField(10, "ACCT", "text", 1, 4, true);
        addField(20, "STATE", "Select", 5, 2, false);
        addField(30, "ZIP", "text", 7, 5, true);
        addOption("STATE", "New York", "ny");
        dir.write("export.txt", "1001XX12345\r\n1002NY     \r\n");
    }

    void addField(int order, const char* name, const char* type, int start, int length, bool required)
    {
        auto& f = data.FieldsTable;
        f.append();
        f.setInteger("OrderNum", order);
        f.setText("Name", name);
        f.setText("Type", type);
        f.setInteger("ImportStart", start);
        f.setInteger("ImportLength", length);
        f.setLogical("Required", required);
        f.post();
    }
    void addOption(const char* name, const char* value, const char* map)
    {
        auto& o = data.SelDataTable;
        o.append();
        o.setText("Name", name);
        o.setText("Value", value);
        o.setText("ImportMap", map);
        o.post();
    }
};

const Lines kRefusal1002 = {"Data Not Sent For 1002, Missing Required Fields", "", "     ZIP Required", ""};

TEST_F(PostingFlowTest, WorkedExampleThenSkipThenResendAfterDeletion)
{
    server.queue(kThanks);
    engine->SendData1Click();
    Lines expected = {"Data For 1001 Had the Following Warings:",
                      "     WARNING STATE Not Found In Cross Walk. (XX)", "", "Data Accepted By Server For: 1001"};
    expected.insert(expected.end(), kRefusal1002.begin(), kRefusal1002.end());
    EXPECT_EQ(host.memo2, expected);
    const auto requests = server.waitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("POST /cgi-bin/order HTTP/1.0\r\n"), std::string::npos) << requests[0];
    EXPECT_NE(requests[0].find("\r\n\r\nACCT=1001&STATE=&ZIP=12345&"), std::string::npos) << requests[0];
    EXPECT_EQ(engine->lastOutcome(), RunOutcome::Completed);

    // The second run skips what the first one tracked, and makes no request.
    engine->SendData1Click();
    expected = {"Data For 1001 Sent On " + formatShortDate(today()) + ", Data Not Sent."};
    expected.insert(expected.end(), kRefusal1002.begin(), kRefusal1002.end());
    EXPECT_EQ(host.memo2, expected);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(engine->summary().alreadySent, 1);

    // Deleting the tracking record (the viewer's Delete) lets the next run send the record again.
    data.TrackTable.last();
    data.TrackTable.remove();
    server.queue(kThanks);
    engine->SendData1Click();
    EXPECT_EQ(server.waitForRequests(2).size(), 2u);
    EXPECT_EQ(host.memo2[3], "Data Accepted By Server For: 1001");
}

TEST_F(PostingFlowTest, AnErrorStatusEndsTheRunWithTheServersStatusLine)
{
    dir.write("export.txt", "1001NY12345\r\n1003NY54321\r\n");
    server.queue("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found");
    try {
        engine->SendData1Click();
        ADD_FAILURE() << "a 404 did not end the run";
    } catch (const Error& e) {
        EXPECT_EQ(formatErrorMessage(e.what()), "HTTP/1.1 404 Not Found.");
    }
    EXPECT_EQ(server.requests().size(), 1u) << "no later record is sent";
    EXPECT_EQ(host.status(), "Ready");
}

TEST_F(PostingFlowTest, WithDiagnosticsTheLogIsWrittenOnlyAroundRequests)
{
    data.SettingsTable.setText("ViewDiag", "True");
    data.SettingsTable.post();
    dir.write("export.txt", "1002NY     \r\n");  // refused: no request, nothing logged
    engine->SendData1Click();
    EXPECT_TRUE(dir.read("DebugFile.log").empty());

    dir.write("export.txt", "1001NY12345\r\n");
    server.queue(kThanks);
    engine->SendData1Click();
    const std::string log = dir.read("DebugFile.log");
    EXPECT_EQ(log.rfind("Stat Connected.\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("Sent "), std::string::npos);
    EXPECT_NE(log.find("Recv "), std::string::npos);
    EXPECT_NE(log.find("Stat Disconnected.\r\n"), std::string::npos);
    EXPECT_NE(std::find(host.memo2.begin(), host.memo2.end(), "ACCT=1001"), host.memo2.end())
        << "with diagnostics on the data string is echoed";
}

}  // namespace
}  // namespace torvane
