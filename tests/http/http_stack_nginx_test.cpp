// End to end over plain http against a real nginx on 127.0.0.1, started for the suite.
#include "http/http_stack.h"

#include <gtest/gtest.h>

#include "support/nginx_server.h"
#include "support/recording_http_events.h"
#include "util/clock.h"

namespace torvane {
namespace {

const char* const kLocations = R"(
    location = /ok { return 200 "posted"; }
    location = /post {
      proxy_pass http://127.0.0.1:{PORT}/ok;
      add_header X-Body $request_body always;
      add_header X-Method $request_method always;
    }
    location /dav/ { dav_methods PUT; create_full_put_path on; }
    location = /moved { return 302 /page.html; }
    location = /setcookie { add_header Set-Cookie "sid=77; path=/"; return 200 "set"; }
    location = /showcookie { return 200 "cookie=$http_cookie"; }
)";

const char* const kPage = "<html><body>Thank you</body></html>\n";

class HttpStackNginxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string binary = test::NginxServer::findBinary();
        if (binary.empty())
            return;
        s_nginx = new test::NginxServer(binary, kLocations);
        s_nginx->dir().write("www/page.html", kPage);
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
        ASSERT_TRUE(s_nginx->running()) << s_nginx->errorLog();
        HttpStackOptions options;
        options.trafficLogFile = m_dir.file("DebugFile.log");
        options.limits.idleReadMs = 10000;
        options.limits.connectMs = 5000;
        m_session = std::make_unique<HttpStack>(m_events, SystemClock::instance(), [] {}, options);
        m_session->client().setCacheControl("no-cache");
        m_session->attachTlsTransport(false);
    }
    std::string header(const std::string& name) const
    {
        for (const auto& [n, v] : m_session->client().lastResponse().headers)
            if (n == name)
                return v;
        return "(missing)";
    }

    static test::NginxServer* s_nginx;
    test::TempDir m_dir;
    test::RecordingHttpEvents m_events;
    std::unique_ptr<HttpStack> m_session;
};

test::NginxServer* HttpStackNginxTest::s_nginx = nullptr;

TEST_F(HttpStackNginxTest, GetOfAStaticPage)
{
    EXPECT_EQ(m_session->client().get(s_nginx->url("/page.html")), kPage);
    EXPECT_EQ(m_session->client().lastStatusLine(), "HTTP/1.1 200 OK");
    EXPECT_EQ(m_session->client().get(s_nginx->url("/page.html")), kPage) << "kept-alive connection serves the next GET";
}

TEST_F(HttpStackNginxTest, PostArrivesEncoded)
{
    m_session->client().setContentType("");
    EXPECT_EQ(m_session->client().post(s_nginx->url("/post"), {"first=Ann Lee", "zip=0815-7"}, ""), "posted");
    EXPECT_EQ(header("X-Body"), "first=Ann+Lee&zip=0815%2D7&");
    EXPECT_EQ(header("X-Method"), "POST");
    // The request asked for keep-alive and nginx granted it, so the HTTP/1.0 connection stays.
    EXPECT_EQ(header("Connection"), "keep-alive");
    EXPECT_TRUE(m_session->client().connectionOpen());
}

TEST_F(HttpStackNginxTest, PutStoresTheBytes)
{
    const std::string body = "NAME=Ann Lee\r\nZIP=0815-7\r\n";
    // "201 Created" names the new resource in Location: a success is the answer, nothing is fetched.
    m_session->client().put(s_nginx->url("/dav/record.txt"), body, "");
    EXPECT_EQ(m_session->client().lastStatusLine(), "HTTP/1.1 201 Created");
    EXPECT_EQ(s_nginx->dir().read("www/dav/record.txt"), body);
    EXPECT_EQ(m_session->client().get(s_nginx->url("/dav/record.txt")), body);
}

TEST_F(HttpStackNginxTest, RedirectIsFollowed)
{
    EXPECT_EQ(m_session->client().get(s_nginx->url("/moved")), kPage);
    EXPECT_EQ(m_session->client().currentLocation().requestTarget(), "/page.html");
}

TEST_F(HttpStackNginxTest, CookieComesBack)
{
    EXPECT_EQ(m_session->client().get(s_nginx->url("/setcookie")), "set");
    EXPECT_EQ(m_session->client().get(s_nginx->url("/showcookie")), "cookie=sid=77");
}

TEST_F(HttpStackNginxTest, MissingPageRaisesTheStatusLine)
{
    try {
        m_session->client().get(s_nginx->url("/nothing-here"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "HTTP/1.1 404 Not Found");
    }
}

}  // namespace
}  // namespace torvane
