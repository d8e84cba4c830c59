// Runs of the companion against real order forms of three web frameworks, written as their tutorials
// write them: a login with a CSRF token, the order answered by a redirection to a thank-you page that
// only answers GET, or back to the form itself. What arrived is read from the application's database.
#include "cli/form_app_cli_test.h"
#include "support/nginx_server.h"
#include "support/tls_test_server.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace torvane::test {
namespace {

// Customer name (columns 1-20), quantity (21-23) and order date (24-33); the name is tracked.
const char* const kExport = "Ann Lee               32024-05-17\n"
                            "O'Brien & Sons 50%   122024-06-01\n"
                            "Zoe                   12024-12-31\n";
const std::vector<std::string> kNames = {"Ann Lee", "O'Brien & Sons 50%", "Zoe"};

std::string namesStored(const FormApp& app)
{
    std::string names;
    for (const StoredOrder& o : app.orders())
        names += o.customerName + "|" + std::to_string(o.quantity.value_or(-1)) + "|" + o.orderDate + "\n";
    return names;
}

const char* const kExpectedRows = "Ann Lee|3|2024-05-17\nO'Brien & Sons 50%|12|2024-06-01\nZoe|1|2024-12-31\n";

class FormAppSendTest : public FormAppCliTest {
protected:
    // A store for the form at page (under root, the application or a front before it), confirmed by text.
    void configure(const std::string& root, const std::string& page, const char* confirmation)
    {
        const FormAppPages& pages = app->pages();
        dir.write("form.html", "<FORM ACTION=\"" + page + "\" METHOD=\"post\">\n"
                               "<INPUT TYPE=\"hidden\" NAME=\"" + pages.tokenField + "\" VALUE=\"saved\">\n"
                               "<INPUT TYPE=\"text\" NAME=\"customer_name\" MAXLENGTH=\"30\">\n"
                               "<INPUT TYPE=\"text\" NAME=\"quantity\" MAXLENGTH=\"3\">\n"
                               "<INPUT TYPE=\"text\" NAME=\"order_date\" MAXLENGTH=\"10\">\n"
                               "</FORM>\n");
        dir.write("export.txt", kExport);
        const std::vector<std::vector<std::string>> commands = {
            {"import-html", "form.html"},
            {"set", "URL", root + page},
            {"set", "FormURL", root + page},
            {"set", "LoginURL", root + pages.login},
            {"set", "LoginData", std::string("username=") + FormApp::kUser + "\npassword=${" + kPasswordVariable + "}"},
            {"set", "LoginCheckText", FormApp::kWelcomeText},
            {"set", "RefreshHidden", "True"},
            {"set", "DataSentText", confirmation},
            {"set", "ImportData", "export.txt"},
            {"set", "TrackSent", "True"},
            {"set", "FieldToTrack1", "customer_name"},
            {"set-field", "20", "ImportStart", "1"},
            {"set-field", "20", "ImportLength", "20"},
            {"set-field", "30", "ImportStart", "21"},
            {"set-field", "30", "ImportLength", "3"},
            {"set-field", "40", "ImportStart", "24"},
            {"set-field", "40", "ImportLength", "10"},
        };
        for (const auto& args : commands)
            ok(args);
    }
    // Every record accepted, each stored once with its values; a second run skips them all.
    void expectEachRecordOnce(const CliResult& first)
    {
        EXPECT_EQ(first.status, 0) << first.out << first.err << app->output();
        for (const std::string& name : kNames)
            EXPECT_NE(first.out.find("Data Accepted By Server For: " + name + "\n"), std::string::npos) << first.out;
        EXPECT_EQ(namesStored(*app), kExpectedRows) << app->output();
        const CliResult second = cli({"send", "--pause", "0"});
        EXPECT_EQ(second.status, 0) << second.err;
        EXPECT_NE(second.err.find("skipped as already sent: 3"), std::string::npos) << second.err;
        EXPECT_EQ(app->orders().size(), 3u);
    }
    int loginPosts() const
    {
        const std::string log = app->output();
        const std::string post = "POST " + app->pages().login;
        int n = 0;
        for (size_t at = log.find(post); at != std::string::npos; at = log.find(post, at + 1))
            ++n;
        return n;
    }
};

TEST_P(FormAppSendTest, PostRedirectGetToAThankYouPageThatOnlyAnswersGet)
{
    configure(app->url(""), app->pages().order, FormApp::kThanksText);
    expectEachRecordOnce(cli({"send", "--pause", "0"}));
}

TEST_P(FormAppSendTest, AFormThatRedirectsBackToItself)
{
    configure(app->url(""), app->pages().orderAgain, FormApp::kSavedText);
    expectEachRecordOnce(cli({"send", "--pause", "0"}));
}

TEST_P(FormAppSendTest, ASessionEndedOnTheServerMidRun)
{
    configure(app->url(""), app->pages().order, FormApp::kThanksText);
    // Requests start 5 s apart, so the session ends between two records: a session ended between a
    // POST and the GET of its thank-you page holds that record in doubt, a case tested without a server.
    const std::unique_ptr<ChildProgram> run = start({"send", "--pause", "0", "--rate", "12"});
    ASSERT_TRUE(run->waitForOutput("Data Accepted By Server For: Ann Lee")) << run->outputSoFar();
    ASSERT_TRUE(app->expireSessions());
    const CliResult first = run->wait();
    EXPECT_EQ(loginPosts(), 2) << "one login at the start, one after the session ended\n" << app->output();
    expectEachRecordOnce(first);
}

INSTANTIATE_TEST_SUITE_P(Apps, FormAppSendTest,
                         ::testing::Values(FormAppKind::Django, FormAppKind::Flask, FormAppKind::Php),
                         [](const auto& info) { return std::string(FormApp::name(info.param)); });

class DjangoOverHttpsTest : public FormAppSendTest {};

// Django checks the Referer (and Origin) of every POST that comes over https.
TEST_P(DjangoOverHttpsTest, ThroughATlsFront)
{
    if (NginxServer::findBinary().empty())
        GTEST_SKIP() << "nginx is not installed";
    TestCertificate cert = makeTestCertificate(dir.path(), CertKind::SelfSigned);
    NginxServer::Tls tls{cert.certFile, cert.keyFile};
    NginxServer front(NginxServer::findBinary(), app->proxyLocations(), &tls);
    ASSERT_TRUE(front.running()) << front.errorLog();
    configure(front.httpsUrl(""), app->pages().order, FormApp::kThanksText);
    expectEachRecordOnce(cli({"send", "--pause", "0"}));
}

INSTANTIATE_TEST_SUITE_P(Apps, DjangoOverHttpsTest, ::testing::Values(FormAppKind::Django),
                         [](const auto& info) { return std::string(FormApp::name(info.param)); });

}  // namespace
}  // namespace torvane::test
