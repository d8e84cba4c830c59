// End to end against a real web server: nginx with TLS and a plain port on 127.0.0.1, started for
// the suite and stopped after it.
#include "http/http_events.h"
#include "http/http_stack.h"
#include "http/tls_library.h"

#include "support/nginx_server.h"
#include "support/recording_http_events.h"
#include "support/temp_dir.h"
#include "support/tls_test_server.h"
#include "util/clock.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using test::TempDir;

// How many recorded event lines begin with prefix.
int count(const test::RecordingHttpEvents& events, const std::string& prefix)
{
    return static_cast<int>(std::count_if(events.lines.begin(), events.lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

const char* const kPage = "<html><body>static page over nginx</body></html>\n";

const char* const kLocations =
    "    location = /echo { return 200 \"$scheme $request_method length=$content_length type=$content_type\"; }\n"
    "    location = /moved { return 302 http://127.0.0.1:{PORT}/page.html; }\n"
    "    location = /setcookie { add_header Set-Cookie \"sid=77; path=/\"; return 200 \"set\"; }\n"
    "    location = /showcookie { return 200 \"cookie=$http_cookie\"; }\n";

// nginx with TLS and a plain port, its certificate and its static page.
struct Nginx {
    explicit Nginx(const std::string& binary)
        : cert(test::makeTestCertificate(certDir.path(), test::CertKind::SelfSigned)),
          tls{cert.certFile, cert.keyFile},
          server(binary, kLocations, &tls)
    {
        server.dir().write("www/page.html", kPage);
    }
    std::string https(const std::string& path) const { return server.httpsUrl(path); }
    std::string http(const std::string& path) const { return server.url(path); }

    TempDir certDir;
    test::TestCertificate cert;
    test::NginxServer::Tls tls;
    test::NginxServer server;
};

class HttpsNginxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string binary = test::NginxServer::findBinary();
        if (binary.empty())
            return;
        s_nginx = new Nginx(binary);
    }
    static void TearDownTestSuite()
    {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override
    {
        if (!s_nginx)
            GTEST_SKIP() << "nginx is not installed";
        ASSERT_TRUE(s_nginx->server.running()) << s_nginx->server.errorLog();
        HttpStackOptions options;
        options.trafficLogFile = m_dir.file("DebugFile.log");
        options.limits.idleReadMs = 10000;
        options.limits.connectMs = 5000;
        m_session = std::make_unique<HttpStack>(m_events, SystemClock::instance(), [] {}, options);
        m_session->client().setContentType("application/x-www-form-urlencoded");
        m_session->client().setCacheControl("no-cache");
        m_session->attachTlsTransport(true);
    }

    static Nginx* s_nginx;
    TempDir m_dir;
    test::RecordingHttpEvents m_events;
    std::unique_ptr<HttpStack> m_session;
};

Nginx* HttpsNginxTest::s_nginx = nullptr;

TEST_F(HttpsNginxTest, MethodsOverTls)
{
    struct Case {
        const char* name;
        std::string method;
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"GET of a file", "GET", "/page.html", kPage},
        {"POST", "POST", "/echo", "https POST length=27 type=application/x-www-form-urlencoded"},
        {"PUT", "PUT", "/echo", "https PUT length=12 type=application/x-www-form-urlencoded"},
        {"302 to plain http", "GET", "/moved", kPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_session->attachTlsTransport(true);
        const std::string url = s_nginx->https(c.path);
        std::string reply;
        if (c.method == "POST")
            reply = m_session->client().post(url, {"first=Ann Lee", "zip=0815-7"}, "");
        else if (c.method == "PUT")
            reply = m_session->client().put(url, "twelve bytes", "");
        else
            reply = m_session->client().get(url);
        EXPECT_EQ(reply, c.expected);
    }
    EXPECT_GE(count(m_events, "tlsStatusInfo SSL status: \""), 3);
    EXPECT_GE(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
}

TEST_F(HttpsNginxTest, KeptAliveConnectionServesTheNextGet)
{
    EXPECT_EQ(m_session->client().get(s_nginx->https("/page.html")), kPage);
    EXPECT_EQ(m_session->client().get(s_nginx->https("/echo")), "https GET length= type=application/x-www-form-urlencoded");
    EXPECT_EQ(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
    EXPECT_EQ(count(m_events, "tlsStatus Connecting to 127.0.0.1."), 1);
}

TEST_F(HttpsNginxTest, CookieSetOverTlsComesBack)
{
    EXPECT_EQ(m_session->client().get(s_nginx->https("/setcookie")), "set");
    EXPECT_EQ(m_session->client().get(s_nginx->https("/showcookie")), "cookie=sid=77");
}

TEST_F(HttpsNginxTest, HttpsToThePlainPortFailsTheHandshake)
{
    try {
        m_session->client().get("https://" + s_nginx->http("/page.html").substr(7));
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Error connecting with SSL.");
    }
    // The same session goes on working.
    EXPECT_EQ(m_session->client().get(s_nginx->https("/page.html")), kPage);
}

}  // namespace
}  // namespace torvane
