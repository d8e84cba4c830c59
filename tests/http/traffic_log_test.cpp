#include "http/traffic_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"
#include "util/dates.h"
#include "util/error.h"

namespace torvane {
namespace {

using namespace std::string_literals;

std::tm moment(int h, int m, int s)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

TEST(TrafficLogTimeStamp, DateAndLongTimeExceptAtMidnight)
{
    setShortDateFormat("MM/dd/yyyy");
    const std::pair<std::tm, std::string> cases[] = {
        {moment(8, 5, 3), "12/09/2026 08:05:03"},
        {moment(23, 59, 59), "12/09/2026 23:59:59"},
        {moment(0, 0, 1), "12/09/2026 00:00:01"},
        {moment(0, 0, 0), "12/09/2026"},
    };
    for (const auto& [t, text] : cases)
        EXPECT_EQ(trafficLogTimeStamp(t), text);
}

TEST(TrafficLog, WritesEntriesOnlyWhileOn)
{
    setShortDateFormat("MM/dd/yyyy");
    test::TempDir dir;
    TrafficLog log(dir.file("DebugFile.log"), [] { return moment(8, 5, 3); });
    log.connected();
    log.sent("ignored");
    struct stat st;
    EXPECT_NE(::stat(dir.file("DebugFile.log").c_str(), &st), 0) << "no file while the log is off";

    log.setActive(true);
    log.setActive(true);
    log.connected();
    log.sent("GET / HTTP/1.1\r\n\r\n");
    log.received("HTTP/1.0 200 OK\r\n\0x"s);
    log.disconnected();
    log.setActive(false);
    log.received("after");
    EXPECT_EQ(dir.read("DebugFile.log"), "Stat Connected.\r\n"
                                         "Sent 12/09/2026 08:05:03: GET / HTTP/1.1\r\n\r\n\r\n"
                                         "Recv 12/09/2026 08:05:03: HTTP/1.0 200 OK\r\n\0x\r\n"
                                         "Stat Disconnected.\r\n"s);
}

TEST(TrafficLog, AppendsToAnExistingFile)
{
    test::TempDir dir;
    dir.write("DebugFile.log", "earlier\r\n");
    TrafficLog log(dir.file("DebugFile.log"));
    log.setActive(true);
    log.connected();
    log.setActive(false);
    EXPECT_EQ(dir.read("DebugFile.log"), "earlier\r\nStat Connected.\r\n");
}

TEST(TrafficLog, FileThatCannotBeCreatedFailsSwitchingOn)
{
    test::TempDir dir;
    TrafficLog log(dir.file("missing/DebugFile.log"));
    try {
        log.setActive(true);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + dir.file("missing/DebugFile.log") + "\". No such file or directory");
    }
    EXPECT_FALSE(log.active());
}

TEST(TrafficLog, MasksTheSecretsOfTheRunInSentAndReceivedBytes)
{
    setShortDateFormat("MM/dd/yyyy");
    test::TempDir dir;
    TrafficLog log(dir.file("DebugFile.log"), [] { return moment(8, 5, 3); });
    Redactor secrets;
    log.setActive(true);
    log.sent("pw=a b&");  // before any secret is known: as it was
    secrets.add("a b");
    secrets.add("a+b");
    log.setRedactor(&secrets);
    log.sent("pw=a+b&");
    log.received("echo a b");
    log.setActive(false);
    EXPECT_EQ(dir.read("DebugFile.log"), "Sent 12/09/2026 08:05:03: pw=a b&\r\n"
                                         "Sent 12/09/2026 08:05:03: pw=********&\r\n"
                                         "Recv 12/09/2026 08:05:03: echo ********\r\n");
}

}  // namespace
}  // namespace torvane
