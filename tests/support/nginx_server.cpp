#include "support/nginx_server.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/child_program.h"
#include "support/loopback.h"
#include "support/scripted_server.h"

namespace torvane::test {

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::string NginxServer::findBinary()
{
    return findProgram("nginx", {"/usr/sbin", "/usr/local/sbin", "/usr/local/nginx/sbin"});
}

NginxServer::NginxServer(const std::string& binary, const std::string& locations, const Tls* tls)
{
    const std::string& d = m_dir.path();
    m_port = ScriptedServer::unusedPort();
    std::string tlsListen;
    if (tls) {
        m_tlsPort = ScriptedServer::unusedPort();
        tlsListen = "    listen 127.0.0.1:" + std::to_string(m_tlsPort) + " ssl;\n    ssl_certificate " + tls->certFile +
                    ";\n    ssl_certificate_key " + tls->keyFile + ";\n";
        if (!tls->clientCaFile.empty())
            tlsListen += "    ssl_client_certificate " + tls->clientCaFile + ";\n    ssl_verify_client on;\n";
    }
    std::filesystem::create_directories(d + "/www");
    std::filesystem::create_directories(d + "/logs");
    std::string body = locations;
    replaceAll(body, "{PORT}", std::to_string(m_port));
    replaceAll(body, "{DIR}", d);
    std::string conf;
    // Started as root, nginx hands its workers to an account that cannot read the test's directory.
    if (::geteuid() == 0)
        conf += "user root;\n";
    conf += "worker_processes 1;\npid " + d + "/nginx.pid;\nerror_log " + d + "/logs/error.log;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "  access_log off;\n  default_type text/plain;\n"
            "  client_body_temp_path " + d + "/body;\n  proxy_temp_path " + d + "/proxy;\n"
            "  fastcgi_temp_path " + d + "/fastcgi;\n  uwsgi_temp_path " + d + "/uwsgi;\n"
            "  scgi_temp_path " + d + "/scgi;\n"
            "  server {\n"
            "    listen 127.0.0.1:" + std::to_string(m_port) + ";\n" + tlsListen +
            "    root " + d + "/www;\n" + body + "\n  }\n}\n";
    m_dir.write("nginx.conf", conf);

    m_pid = ::fork();
    if (m_pid == 0) {
        ::execl(binary.c_str(), binary.c_str(), "-p", (d + "/").c_str(), "-c", (d + "/nginx.conf").c_str(), "-e",
                (d + "/logs/error.log").c_str(), "-g", "daemon off;", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    waitUntilListening(d, tls != nullptr);
}

// The server writes its pid file once its sockets listen; the wait is for that file to be
// written (or the server to die), at most a few seconds.
void NginxServer::waitUntilListening(const std::string& dir, bool tls)
{
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch >= 0)
        ::inotify_add_watch(watch, dir.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (std::filesystem::exists(dir + "/nginx.pid") && loopbackAccepts(m_port) &&
            (!tls || loopbackAccepts(m_tlsPort)))
            break;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (watch < 0 || left.count() <= 0)
            break;
        // Woken by the file's events; a short slice also notices a server that died meanwhile.
        pollfd p{watch, POLLIN, 0};
        if (::poll(&p, 1, int(std::min<int64_t>(left.count(), 100))) > 0) {
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
    }
    if (watch >= 0)
        ::close(watch);
}

NginxServer::~NginxServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

bool NginxServer::running() const
{
    return m_pid > 0 && loopbackAccepts(m_port) && (m_tlsPort == 0 || loopbackAccepts(m_tlsPort));
}

std::string NginxServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string NginxServer::httpsUrl(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(m_tlsPort) + path;
}

std::string NginxServer::errorLog() const
{
    return m_dir.read("logs/error.log");
}

}  // namespace torvane::test
