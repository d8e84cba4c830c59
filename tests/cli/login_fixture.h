// Runs of the companion against a loopback web application behind a login with a token per session:
// a store configured once (a form with a hidden token field and an account field, tracking on) and
// copied into each test's folder, the login settings pointing at the test's own server.
#pragma once

#include "cli/cli_runner.h"
#include "support/login_site.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace torvane::test {

inline const char* const kPasswordVariable = "TORVANE_TEST_PASSWORD";
// Holds a blank and a character the form encoding turns into %24, so both of its forms are looked for.
inline const char* const kPassword = "s3cret pa$$";
inline const char* const kEncodedPassword = "s3cret+pa%24%24";

class LoginTest : public CliTest {
protected:
    ScriptedServer server;
    LoginSite site{"ann", kPassword};

    static std::string& configuredStore()
    {
        static std::string bytes;
        return bytes;
    }
    static void SetUpTestSuite()
    {
        configuredStore() = storeMadeWith(
            "<FORM ACTION=\"/orders\" METHOD=\"post\">\n"
            "<INPUT TYPE=\"hidden\" NAME=\"csrf\" VALUE=\"saved-token\">\n"
            "<INPUT TYPE=\"text\" NAME=\"acct\" MAXLENGTH=\"4\">\n"
            "<INPUT TYPE=\"submit\" VALUE=\"Send\">\n"
            "</FORM>\n",
            {
                {"import-html", "form.html"},
                {"set", "DataSentText", "thank you"},
                {"set", "ImportData", "export.txt"},
                {"set", "TrackSent", "True"},
                {"set", "FieldToTrack1", "acct"},
                {"set-field", "20", "ImportStart", "1"},
                {"set-field", "20", "ImportLength", "4"},
                {"set", "LoginData", std::string("user=ann\npassword=${") + kPasswordVariable + "}"},
                {"set", "LoginCheckText", "welcome"},
                {"set", "RefreshHidden", "True"},
            });
    }

    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_FALSE(configuredStore().empty());
        dir.write("torvane.db", configuredStore());
        dir.write("export.txt", "1001\n1002\n1003\n1004\n");
        ok({"set", "URL", server.url("/orders")});
        ok({"set", "LoginURL", server.url("/login")});
        ok({"set", "FormURL", server.url("/form")});
        ::setenv(kPasswordVariable, kPassword, 1);
        site.serveOn(server);
    }
    void TearDown() override { ::unsetenv(kPasswordVariable); }

    // The requests the server received whose request line begins so.
    int requestsStarting(const std::string& start) const
    {
        int n = 0;
        for (const std::string& r : server.requests())
            n += r.rfind(start, 0) == 0;
        return n;
    }
};

} // namespace torvane::test
