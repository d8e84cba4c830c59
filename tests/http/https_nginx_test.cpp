// End to end against a real web server: nginx with TLS and a plain port on 127.0.0.1, started for
// the suite and stopped after it.
#include "http/http_events.h"
#include "http/http_session.h"
#include "http/tls_library.h"

#include "support/recording_http_events.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/tls_test_server.h"
#include "util/clock.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace torvane {
namespace {

using test::TempDir;

// How many recorded event lines begin with prefix.
int count(const test::RecordingHttpEvents& events, const std::string& prefix)
{
    return static_cast<int>(std::count_if(events.lines.begin(), events.lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::string findNginx()
{
    std::vector<std::string> dirs = {"/usr/sbin", "/usr/local/sbin", "/usr/local/nginx/sbin"};
    if (const char* path = std::getenv("PATH")) {
        std::stringstream s(path);
        std::string d;
        while (std::getline(s, d, ':'))
            dirs.push_back(d);
    }
    for (const std::string& d : dirs) {
        const std::string candidate = d + "/nginx";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

const char* const kPage = "<html><body>static page over nginx</body></html>\n";

// One nginx master process with its own prefix directory, configuration and certificate.
class Nginx {
public:
    explicit Nginx(const std::string& binary)
    {
        const std::string& d = m_dir.path();
        const test::TestCertificate cert = test::makeTestCertificate(d, test::CertKind::SelfSigned);
        m_tlsPort = test::ScriptedServer::unusedPort();
        m_plainPort = test::ScriptedServer::unusedPort();
        std::filesystem::create_directories(d + "/www");
        std::filesystem::create_directories(d + "/logs");
        m_dir.write("www/page.html", kPage);
        const std::string plain = "http://127.0.0.1:" + std::to_string(m_plainPort);
        std::string conf;
        // Started as root, nginx would hand its workers to an account that cannot read the
        // private temporary directory.
        if (geteuid() == 0)
            conf += "user root;\n";
        conf += "worker_processes 1;\npid " + d + "/nginx.pid;\nerror_log " + d + "/logs/error.log;\n"
                "events { worker_connections 64; }\n"
                "http {\n"
                "  access_log off;\n  default_type text/plain;\n"
                "  client_body_temp_path " + d + "/body;\n  proxy_temp_path " + d + "/proxy;\n"
                "  fastcgi_temp_path " + d + "/fastcgi;\n  uwsgi_temp_path " + d + "/uwsgi;\n"
                "  scgi_temp_path " + d + "/scgi;\n"
                "  server {\n"
                "    listen 127.0.0.1:" + std::to_string(m_tlsPort) + " ssl;\n"
                "    listen 127.0.0.1:" + std::to_string(m_plainPort) + ";\n"
                "    ssl_certificate " + cert.certFile + ";\n    ssl_certificate_key " + cert.keyFile + ";\n"
                "    root " + d + "/www;\n"
                "    location = /echo { return 200 \"$scheme $request_method length=$content_length type=$content_type\"; }\n"
                "    location = /moved { return 302 " + plain + "/page.html; }\n"
                "    location = /setcookie { add_header Set-Cookie \"sid=77; path=/\"; return 200 \"set\"; }\n"
                "    location = /showcookie { return 200 \"cookie=$http_cookie\"; }\n"
                "  }\n}\n";
        m_dir.write("nginx.conf", conf);

        m_pid = fork();
        if (m_pid == 0) {
            execl(binary.c_str(), binary.c_str(), "-p", (d + "/").c_str(), "-c", (d + "/nginx.conf").c_str(), "-e",
                  (d + "/logs/error.log").c_str(), "-g", "daemon off;", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !(accepts(m_tlsPort) && accepts(m_plainPort)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Nginx()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    bool running() const { return m_pid > 0 && accepts(m_tlsPort); }
    std::string errorLog() const { return m_dir.read("logs/error.log"); }
    std::string https(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(m_tlsPort) + path; }
    std::string http(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_plainPort) + path; }

private:
    TempDir m_dir;
    int m_tlsPort = 0;
    int m_plainPort = 0;
    pid_t m_pid = -1;
};

class HttpsNginxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string binary = findNginx();
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
        ASSERT_TRUE(s_nginx->running()) << s_nginx->errorLog();
        setTlsLibraryNames("libssl.so.3", "libcrypto.so.3");
        HttpSessionOptions options;
        options.trafficLogFile = m_dir.file("DebugFile.log");
        options.limits.idleReadMs = 10000;
        options.limits.connectMs = 5000;
        m_session = std::make_unique<HttpSession>(m_events, SystemClock::instance(), [] {}, options);
        m_session->setContentType("application/x-www-form-urlencoded");
        m_session->setCacheControl("no-cache");
        m_session->attachTlsTransport(true);
    }

    static Nginx* s_nginx;
    TempDir m_dir;
    test::RecordingHttpEvents m_events;
    std::unique_ptr<HttpSession> m_session;
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
            reply = m_session->post(url, {"first=Ann Lee", "zip=0815-7"});
        else if (c.method == "PUT")
            reply = m_session->put(url, "twelve bytes");
        else
            reply = m_session->get(url);
        EXPECT_EQ(reply, c.expected);
    }
    EXPECT_GE(count(m_events, "tlsStatusInfo SSL status: \""), 3);
    EXPECT_GE(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
}

TEST_F(HttpsNginxTest, KeptAliveConnectionServesTheNextGet)
{
    EXPECT_EQ(m_session->get(s_nginx->https("/page.html")), kPage);
    EXPECT_EQ(m_session->get(s_nginx->https("/echo")), "https GET length= type=application/x-www-form-urlencoded");
    EXPECT_EQ(count(m_events, "tlsStatusInfo Cipher: name = "), 1);
    EXPECT_EQ(count(m_events, "tlsStatus Connecting to 127.0.0.1."), 1);
}

TEST_F(HttpsNginxTest, CookieSetOverTlsComesBack)
{
    EXPECT_EQ(m_session->get(s_nginx->https("/setcookie")), "set");
    EXPECT_EQ(m_session->get(s_nginx->https("/showcookie")), "cookie=sid=77");
}

TEST_F(HttpsNginxTest, HttpsToThePlainPortFailsTheHandshake)
{
    try {
        m_session->get("https://" + s_nginx->http("/page.html").substr(7));
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Error connecting with SSL.");
    }
    // The same session goes on working.
    EXPECT_EQ(m_session->get(s_nginx->https("/page.html")), kPage);
}

}  // namespace
}  // namespace torvane
