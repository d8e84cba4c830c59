// send against a form behind a login: the login before the first record, the token of the session
// taken from the live form page, a new login when the session expires, and the password kept out of
// every output.
#include "cli/login_fixture.h"
#include "store/database.h"

#include <cstdlib>

namespace torvane::test {
namespace {

using Strings = std::vector<std::string>;

std::string recordsLine(int read, int accepted)
{
    return "Records read: " + std::to_string(read) + ", accepted: " + std::to_string(accepted) +
           ", not confirmed: 0, refused for missing fields: 0, skipped as already sent: 0, in doubt: 0";
}

TEST_F(LoginTest, RunLogsInTakesTheSessionTokenAndEveryRecordIsAccepted)
{
    const CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(site.accepted(), (Strings{"1001", "1002", "1003", "1004"}));
    EXPECT_EQ(site.logins(), 1);
    EXPECT_EQ(site.refused(), 0);
    EXPECT_EQ(requestsStarting("GET /form "), 4);  // a fresh page before each record
    EXPECT_NE(r.out.find("Data Accepted By Server For: 1004"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(recordsLine(4, 4)), std::string::npos) << r.err;
}

TEST_F(LoginTest, WithoutRefreshTheSavedTokenIsSentAndRefused)
{
    ok({"set", "RefreshHidden", "False"});
    const CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(requestsStarting("GET /form "), 0);
    EXPECT_EQ(site.refused(), 1);
    EXPECT_NE(r.err.find("HTTP/1.1 403 Forbidden."), std::string::npos) << r.err;
}

struct LoginFailure {
    const char* name;
    const char* password;  // nullptr: the variable is not set
    bool sessionsLast;
    const char* error;
    int logins;
};

class LoginFailureTest : public LoginTest, public ::testing::WithParamInterface<LoginFailure> {};

TEST_P(LoginFailureTest, EndsTheRunWithTheErrorAndNoRecordIsTaken)
{
    const LoginFailure& c = GetParam();
    if (c.password)
        ::setenv(kPasswordVariable, c.password, 1);
    else
        ::unsetenv(kPasswordVariable);
    site.sessionsLast = c.sessionsLast;
    const CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(splitOutputLines(r.err).at(0), c.error) << r.err;
    EXPECT_TRUE(site.accepted().empty());
    EXPECT_EQ(site.logins(), c.logins);
    if (!c.sessionsLast)
        return;
    EXPECT_EQ(requestsStarting("POST /orders "), 0);
    if (!c.password) {
        EXPECT_TRUE(server.requests().empty());  // ended before any request
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginFailureTest,
    ::testing::Values(
        LoginFailure{"WrongPassword", "guess", true, "Login Failed: the reply to the login does not contain \"welcome\" (LoginCheckText): check LoginData and LoginURL.", 0},
        LoginFailure{"PasswordNotSet", nullptr, true, "Login Failed: TORVANE_TEST_PASSWORD is not set.", 0},
        // One login for the run, then three more, each session gone before the record reaches it.
        LoginFailure{"SessionKeepsExpiring", kPassword, false, "Login Failed: Session Keeps Expiring.", 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginTest, SessionExpiringAfterTwoRecordsLogsInOnceMoreAndEveryRecordIsTakenOnce)
{
    site.expireAfter = 2;
    const CliResult r = cli({"send", "--pause", "0", "--results", "results.csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(site.accepted(), (Strings{"1001", "1002", "1003", "1004"}));
    EXPECT_EQ(site.logins(), 2);  // the run's own and one more when the first session ended
    EXPECT_NE(r.err.find(recordsLine(4, 4)), std::string::npos) << r.err;
    // The records sent again count once, accepted, in the results and the tracking records.
    const std::string results = dir.read("results.csv");
    for (const char* key : {"1001", "1002", "1003", "1004"})
        EXPECT_NE(results.find(std::string(",") + key + ",accepted,"), std::string::npos) << key << "\n" << results;
    int tracked = 0;
    for (const std::string& line : splitOutputLines(ok({"tracking", "list"})))
        tracked += line.rfind("100", 0) == 0;
    EXPECT_EQ(tracked, 4);
    // In the ledger, the attempt the login page answered is closed as not sent: the server did not take it.
    Database store(dir.file("torvane.db"));
    std::vector<std::string> rows;
    for (const auto& row : store.query("SELECT TrackKey, State FROM deliveries ORDER BY Id"))
        rows.push_back(std::get<std::string>(row[0]) + " " + std::get<std::string>(row[1]));
    EXPECT_EQ(rows, (Strings{"1001 accepted", "1002 accepted", "1003 not sent", "1003 accepted", "1004 accepted"}));
}

// Each session ends after the server took its second record (1002, then 1004) and before its thank-you page was fetched: that page
// leads to the login page, yet the record was taken, so it is held in doubt and never sent again.
TEST_F(LoginTest, SessionEndingBeforeTheThankYouPageHoldsThatRecordInDoubt)
{
    site.thanksByRedirect = true;
    site.expireAfter = 2;
    const CliResult r = cli({"send", "--pause", "0"});
    EXPECT_EQ(site.accepted(), (Strings{"1001", "1002", "1003", "1004"}));
    EXPECT_EQ(site.logins(), 2);
    EXPECT_NE(r.out.find("Data May Have Been Sent For 1002: Session Expired Before The Server's Answer Was Read"),
              std::string::npos) << r.out;
    Database store(dir.file("torvane.db"));
    std::vector<std::string> rows;
    for (const auto& row : store.query("SELECT TrackKey, State FROM deliveries ORDER BY Id"))
        rows.push_back(std::get<std::string>(row[0]) + " " + std::get<std::string>(row[1]));
    // The second session ends after 1004 the same way.
    EXPECT_EQ(rows, (Strings{"1001 accepted", "1002 in doubt", "1003 not sent", "1003 accepted", "1004 in doubt"}));
    const CliResult again = cli({"send", "--pause", "0"});
    EXPECT_EQ(site.accepted().size(), 4u) << again.out;
    EXPECT_EQ(r.status, again.status) << r.err;
}

TEST_F(LoginTest, PasswordAppearsInNoOutputWithDiagnosticsOn)
{
    ok({"set", "ViewDiag", "True"});
    site.expireAfter = 2;  // a re-login too
    const CliResult r = cli({"send", "--pause", "0", "--verbose", "--results", "results.jsonl"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = dir.read("DebugFile.log");
    EXPECT_NE(log.find("user=ann&password=********&"), std::string::npos) << log;
    for (const std::string& output : {log, r.out, r.err, dir.read("results.jsonl")}) {
        EXPECT_EQ(output.find(kPassword), std::string::npos);
        EXPECT_EQ(output.find(kEncodedPassword), std::string::npos);
    }
    // The server got the password itself.
    EXPECT_EQ(site.logins(), 2);
}

}  // namespace
}  // namespace torvane::test
