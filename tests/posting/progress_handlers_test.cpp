#include "posting/progress_handlers.h"

#include <gtest/gtest.h>
#include <ostream>

#include "support/recording_host.h"

namespace torvane {
namespace {

struct HandlerCase {
    const char* name;
    std::function<void(ProgressHandlers&)> fire;
    std::vector<std::string> memo2WithDiagnostics;
    std::string memo1WithDiagnostics;
    std::string statusPanel;  // empty: the panel is left alone
};

void PrintTo(const HandlerCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgressHandlersTest : public ::testing::TestWithParam<HandlerCase> {};

TEST_P(ProgressHandlersTest, WritesPanesOnlyWithDiagnostics)
{
    for (const bool diagnostics : {true, false}) {
        SCOPED_TRACE(diagnostics ? "diagnostics on" : "diagnostics off");
        test::RecordingHost host;
        bool flag = diagnostics;
        ProgressHandlers handlers(host, flag, [] { return std::string("HTTP/1.0 200 OK"); });
        GetParam().fire(handlers);
        EXPECT_EQ(host.memo2, diagnostics ? GetParam().memo2WithDiagnostics : std::vector<std::string>{});
        EXPECT_EQ(host.memo1, diagnostics ? GetParam().memo1WithDiagnostics : std::string());
        if (GetParam().statusPanel.empty())
            EXPECT_TRUE(host.statuses.empty());
        else
            EXPECT_EQ(host.status(), GetParam().statusPanel);
        EXPECT_EQ(host.messagePumps, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, ProgressHandlersTest,
    ::testing::Values(
        HandlerCase{"Status", [](ProgressHandlers& h) { h.status("Connected."); },
                    {"***Connected. Status=HTTP/1.0 200 OK"}, "", "Connected."},
        HandlerCase{"WorkBegin", [](ProgressHandlers& h) { h.workBegin(WorkDirection::Write, 27); },
                    {"***Start Transfer"}, "", "Start Transfer"},
        HandlerCase{"Work", [](ProgressHandlers& h) { h.work(WorkDirection::Read, 4096); }, {},
                    "Bytes Transfered = 4096", "Bytes Transfered = 4096"},
        HandlerCase{"WorkEnd", [](ProgressHandlers& h) { h.workEnd(WorkDirection::Read); },
                    {"***End Transfer"}, "", "End Transfer"},
        HandlerCase{"TlsStatus", [](ProgressHandlers& h) { h.tlsStatus("Connecting to 127.0.0.1."); },
                    {"Connecting to 127.0.0.1."}, "", ""},
        HandlerCase{"TlsStatusInfo",
                    [](ProgressHandlers& h) { h.tlsStatusInfo("SSL status: \"before SSL initialization\""); },
                    {"SSL status: \"before SSL initialization\""}, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressHandlersStatusLine, ReadsTheStatusLineAtEachEvent)
{
    test::RecordingHost host;
    bool diagnostics = true;
    std::string line;
    ProgressHandlers handlers(host, diagnostics);
    handlers.status("Disconnecting.");
    handlers.follow(diagnostics, [&] { return line; });
    handlers.status("Disconnected.");
    line = "HTTP/1.1 302 Found";
    handlers.status("Connected.");
    diagnostics = false;  // the flag is read at every event, not copied
    handlers.status("Disconnecting.");
    EXPECT_EQ(host.memo2, (std::vector<std::string>{"***Disconnecting. Status=", "***Disconnected. Status=",
                                                    "***Connected. Status=HTTP/1.1 302 Found"}));
    EXPECT_EQ(host.status(), "Disconnecting.");
}

}  // namespace
}  // namespace torvane
