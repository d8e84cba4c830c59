// login: the login and the form page alone, against the loopback application behind a login.
#include "cli/login_fixture.h"

namespace torvane::test {
namespace {

TEST_F(LoginTest, LoginShowsTheCookiesAndTheHiddenInputsAndSendsNoRecord)
{
    const CliResult r = cli({"login"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Logged in: HTTP/1.1 200 OK\n"
                     "Cookies: sid\n"
                     "Hidden inputs of " + server.url("/form") + ":\n"
                     "  csrf=tok7919  fills the hidden field csrf\n");
    EXPECT_EQ(site.logins(), 1);
    EXPECT_EQ(requestsStarting("POST /orders "), 0);
    EXPECT_EQ(r.out.find(kPassword), std::string::npos);
}

TEST_F(LoginTest, LoginFailuresAndMissingSettingsAreErrors)
{
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> settings;
        const char* password;
        const char* err;
    };
    const Case cases[] = {
        {"wrong password", {}, "guess", "torvane-cli: Login Failed: the reply to the login does not contain \"welcome\" (LoginCheckText): check LoginData and LoginURL\n"},
        {"nothing to do", {{"set", "LoginURL", ""}, {"set", "FormURL", ""}}, kPassword,
         "torvane-cli: login: neither LoginURL nor FormURL is set\n"},
    };
    for (const Case& c : cases) {
        for (const auto& args : c.settings)
            ok(args);
        ::setenv(kPasswordVariable, c.password, 1);
        const CliResult r = cli({"login"});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

}  // namespace
}  // namespace torvane::test
