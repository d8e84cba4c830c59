// The form applications the end-to-end tests send to: each one starts, shows its login form with
// a CSRF token, takes a login and an order from a plain client, stores exactly what it got, and
// ends its sessions when asked. The Django site also behind an https front, with its Referer check.
#include "support/child_program.h"
#include "support/form_app.h"
#include "support/loopback.h"
#include "support/nginx_server.h"
#include "support/tls_test_server.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace torvane::test {
namespace {

struct Reply {
    int status = 0;
    std::string location;
    std::string body;
};

// A client that keeps the cookies it is given, one request per connection.
class Visitor {
public:
    explicit Visitor(const FormApp& app) : m_app(app) {}

    Reply get(const std::string& path) { return send("GET " + path, ""); }
    Reply post(const std::string& path, const std::string& body) { return send("POST " + path, body); }

    // The value of the form's hidden CSRF token INPUT in page.
    std::string token(const std::string& page) const
    {
        std::smatch m;
        const std::regex input("name=\"" + m_app.pages().tokenField + "\"[^>]*value=\"([^\"]+)\"");
        return std::regex_search(page, m, input) ? m[1].str() : "";
    }

private:
    Reply send(const std::string& requestLine, const std::string& body)
    {
        std::string request = requestLine + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_app.port()) +
                              "\r\nConnection: close\r\n";
        std::string cookies;
        for (const auto& [name, value] : m_cookies)
            cookies += (cookies.empty() ? "" : "; ") + name + "=" + value;
        if (!cookies.empty())
            request += "Cookie: " + cookies + "\r\n";
        if (requestLine.rfind("POST", 0) == 0)
            request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n";
        const std::string raw = loopbackExchange(m_app.port(), request + "\r\n" + body);
        Reply reply;
        const size_t headEnd = raw.find("\r\n\r\n");
        const std::string head = raw.substr(0, headEnd);
        reply.body = headEnd == std::string::npos ? "" : raw.substr(headEnd + 4);
        std::smatch m;
        if (std::regex_search(head, m, std::regex("^HTTP/1\\.. (\\d+)")))
            reply.status = std::stoi(m[1].str());
        if (std::regex_search(head, m, std::regex("\r\nLocation: ([^\r]*)", std::regex::icase)))
            reply.location = m[1].str();
        const std::regex setCookie("\r\nSet-Cookie: ([^=]+)=([^;\r]*)", std::regex::icase);
        for (auto it = std::sregex_iterator(head.begin(), head.end(), setCookie);
             it != std::sregex_iterator(); ++it)
            m_cookies[(*it)[1].str()] = (*it)[2].str();
        return reply;
    }

    const FormApp& m_app;
    std::map<std::string, std::string> m_cookies;
};

// Whether a Location (absolute, or relative as PHP writes it) leads to the page at path.
bool leadsTo(const std::string& location, const std::string& path)
{
    return location.find(path.substr(1)) != std::string::npos;
}

class FormAppsTest : public ::testing::TestWithParam<FormAppKind> {};

TEST_P(FormAppsTest, TakesALoginAndAnOrderAndEndsItsSessions)
{
    if (!FormApp::available(GetParam()))
        GTEST_SKIP() << FormApp::name(GetParam()) << " is not installed";
    FormApp app(GetParam());
    ASSERT_TRUE(app.running()) << app.startError();
    const FormAppPages& pages = app.pages();
    Visitor visitor(app);

    const Reply login = visitor.get(pages.login);
    ASSERT_EQ(login.status, 200) << app.output();
    EXPECT_NE(login.body.find("<form"), std::string::npos) << login.body;
    const std::string loginToken = visitor.token(login.body);
    ASSERT_FALSE(loginToken.empty()) << login.body;
    EXPECT_TRUE(app.orders().empty());

    const std::string credentials =
        std::string("username=") + FormApp::kUser + "&password=" + FormApp::kPassword;
    const Reply loggedIn = visitor.post(pages.login, pages.tokenField + "=" + loginToken + "&" + credentials);
    ASSERT_EQ(loggedIn.status, 302) << loggedIn.body << app.output();
    EXPECT_TRUE(leadsTo(loggedIn.location, pages.order)) << loggedIn.location;

    const Reply form = visitor.get(pages.order);
    ASSERT_EQ(form.status, 200) << app.output();
    EXPECT_NE(form.body.find(FormApp::kWelcomeText), std::string::npos) << form.body;
    const std::string order = pages.tokenField + "=" + visitor.token(form.body) +
                              "&customer_name=Ann+Lee&quantity=3&order_date=2026-02-28&gift_wrap=on"
                              "&notes=first%0D%0Asecond";
    const Reply saved = visitor.post(pages.order, order);
    ASSERT_EQ(saved.status, 302) << saved.body << app.output();
    EXPECT_TRUE(leadsTo(saved.location, pages.thanks)) << saved.location;
    EXPECT_EQ(visitor.post(pages.thanks, order).status, 405) << "the thank-you page answers GET only";
    EXPECT_NE(visitor.get(pages.thanks).body.find(FormApp::kThanksText), std::string::npos);

    const std::vector<StoredOrder> rows = app.orders();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].form, "order");
    EXPECT_EQ(rows[0].customerName, "Ann Lee");
    EXPECT_EQ(rows[0].quantity, 3);
    EXPECT_EQ(rows[0].orderDate, "2026-02-28");
    EXPECT_TRUE(rows[0].giftWrap);
    EXPECT_EQ(rows[0].notes, "first\r\nsecond");
    EXPECT_EQ(rows[0].attachmentSize, std::nullopt);

    ASSERT_TRUE(app.expireSessions()) << app.output();
    const Reply expired = visitor.get(pages.order);
    EXPECT_EQ(expired.status, 302);
    EXPECT_TRUE(leadsTo(expired.location, pages.login)) << expired.location;
}

INSTANTIATE_TEST_SUITE_P(Apps, FormAppsTest,
                         ::testing::Values(FormAppKind::Django, FormAppKind::Flask, FormAppKind::Php),
                         [](const auto& info) { return std::string(FormApp::name(info.param)); });

// Over the https front Django's Referer check is on: a login POST without a Referer is refused,
// the same POST with the page as Referer gets in. curl is the client here, as a browser stand-in.
TEST(FormAppsHttpsTest, DjangoBehindAnHttpsFrontChecksTheReferer)
{
    const std::string nginx = NginxServer::findBinary();
    const std::string curl = findProgram("curl");
    if (!FormApp::available(FormAppKind::Django) || nginx.empty() || curl.empty())
        GTEST_SKIP() << "django, nginx or curl is not installed";
    FormApp app(FormAppKind::Django);
    ASSERT_TRUE(app.running()) << app.startError();
    TempDir dir;
    const TestCertificate cert = makeTestCertificate(dir.path(), CertKind::SelfSigned);
    const NginxServer::Tls tls{cert.certFile, cert.keyFile};
    NginxServer front(nginx, app.proxyLocations(), &tls);
    ASSERT_TRUE(front.running()) << front.errorLog();

    const std::string loginUrl = front.httpsUrl(app.pages().login);
    const std::vector<std::string> client{"-k", "-s", "-b", dir.file("jar"), "-c", dir.file("jar")};
    auto curlWith = [&](std::vector<std::string> args) {
        args.insert(args.begin(), client.begin(), client.end());
        return runProgram(curl, args);
    };
    const CliResult page = curlWith({loginUrl});
    ASSERT_EQ(page.status, 0) << page.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(page.out, m, std::regex("name=\"csrfmiddlewaretoken\" value=\"([^\"]+)\"")))
        << page.out << app.output();
    const std::string body = "csrfmiddlewaretoken=" + m[1].str() + "&username=operator&password=s3cret-pass";
    const std::vector<std::string> post{"-o", "/dev/null", "-w",    "%{http_code} %{redirect_url}",
                                        "-d", body,        loginUrl};
    EXPECT_EQ(curlWith(post).out, "403 ") << "no Referer over https";
    std::vector<std::string> withReferer = post;
    withReferer.insert(withReferer.begin(), {"-e", loginUrl});
    EXPECT_EQ(curlWith(withReferer).out, "302 " + front.httpsUrl(app.pages().order));
}

} // namespace
} // namespace torvane::test
