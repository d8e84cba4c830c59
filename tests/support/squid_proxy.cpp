#include "support/squid_proxy.h"

#include "support/child_program.h"
#include "support/loopback.h"
#include "support/scripted_server.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace torvane::test {

namespace {

const char* const kHelper = "/usr/lib/squid/basic_ncsa_auth";

}  // namespace

std::string SquidProxy::findBinary()
{
    if (::access(kHelper, X_OK) != 0)
        return {};
    return findProgram("squid", {"/usr/sbin", "/usr/local/sbin"});
}

SquidProxy::SquidProxy(const std::string& binary)
{
    const std::string& d = m_dir.path();
    m_port = ScriptedServer::unusedPort();
    const std::string passwd = d + "/passwd";
    if (std::system(("printf '%s:' " + std::string(kUser) + " > '" + passwd + "' && openssl passwd -apr1 '" +
                     kPassword + "' >> '" + passwd + "'")
                        .c_str()) != 0)
        return;
    std::string conf = "http_port 127.0.0.1:" + std::to_string(m_port) + "\n" +
                       "pid_filename " + d + "/squid.pid\ncache_log " + d + "/cache.log\naccess_log " + d +
                       "/access.log\ncoredump_dir " + d + "\n"
                       "cache deny all\ncache_mem 8 MB\nshutdown_lifetime 0 seconds\n"
                       "auth_param basic program " + kHelper + " " + passwd + "\n"
                       "auth_param basic realm torvane-test\n"
                       "acl authenticated proxy_auth REQUIRED\nhttp_access allow authenticated\nhttp_access deny all\n";
    // Started as root, squid hands its work to an account of its own, which must reach the directory.
    if (::geteuid() == 0)
        conf += "cache_effective_user nobody\n";
    m_dir.write("squid.conf", conf);
    std::filesystem::permissions(d, std::filesystem::perms::all, std::filesystem::perm_options::add);
    std::filesystem::permissions(passwd, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    m_child = std::make_unique<ChildProgram>(binary, std::vector<std::string>{"-N", "-f", d + "/squid.conf"});
    // squid takes a few seconds to open its port; nothing tells of it but the port itself.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!loopbackAccepts(m_port) && m_child->running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

SquidProxy::~SquidProxy()
{
    if (m_child)
        m_child->stop(3000);
}

bool SquidProxy::running() const
{
    return m_child && m_child->running() && loopbackAccepts(m_port);
}

std::string SquidProxy::log() const
{
    return m_dir.read("cache.log") + m_dir.read("access.log");
}

std::string SquidProxy::accessLog() const
{
    return m_dir.read("access.log");
}

}  // namespace torvane::test
