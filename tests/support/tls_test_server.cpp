#include "support/tls_test_server.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace torvane::test {

// The server half of OpenSSL, looked up at run time like the client half of the application, so
// the tests need no link-time dependency either.
struct ServerTls {
    void* handle = nullptr;
    decltype(&::TLS_server_method) TLS_server_method = nullptr;
    decltype(&::SSL_CTX_new) SSL_CTX_new = nullptr;
    decltype(&::SSL_CTX_free) SSL_CTX_free = nullptr;
    decltype(&::SSL_CTX_use_certificate_file) SSL_CTX_use_certificate_file = nullptr;
    decltype(&::SSL_CTX_use_PrivateKey_file) SSL_CTX_use_PrivateKey_file = nullptr;
    decltype(&::SSL_new) SSL_new = nullptr;
    decltype(&::SSL_free) SSL_free = nullptr;
    decltype(&::SSL_set_fd) SSL_set_fd = nullptr;
    decltype(&::SSL_accept) SSL_accept = nullptr;
    decltype(&::SSL_read) SSL_read = nullptr;
    decltype(&::SSL_write) SSL_write = nullptr;
    decltype(&::SSL_shutdown) SSL_shutdown = nullptr;
    decltype(&::SSL_get_servername) SSL_get_servername = nullptr;
    decltype(&::SSL_CTX_ctrl) SSL_CTX_ctrl = nullptr;

    ServerTls()
    {
        handle = dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error("test server: libssl.so.3 not found");
        get("TLS_server_method", TLS_server_method);
        get("SSL_CTX_new", SSL_CTX_new);
        get("SSL_CTX_free", SSL_CTX_free);
        get("SSL_CTX_use_certificate_file", SSL_CTX_use_certificate_file);
        get("SSL_CTX_use_PrivateKey_file", SSL_CTX_use_PrivateKey_file);
        get("SSL_new", SSL_new);
        get("SSL_free", SSL_free);
        get("SSL_set_fd", SSL_set_fd);
        get("SSL_accept", SSL_accept);
        get("SSL_read", SSL_read);
        get("SSL_write", SSL_write);
        get("SSL_shutdown", SSL_shutdown);
        get("SSL_get_servername", SSL_get_servername);
        get("SSL_CTX_ctrl", SSL_CTX_ctrl);
    }

    template <typename Fn>
    void get(const char* name, Fn& target)
    {
        target = reinterpret_cast<Fn>(dlsym(handle, name));
        if (!target)
            throw std::runtime_error(std::string("test server: missing ") + name);
    }
};

TestCertificate makeTestCertificate(const std::string& dir, CertKind kind)
{
    TestCertificate cert{dir + "/cert.pem", dir + "/key.pem"};
    const std::string quiet = " >/dev/null 2>&1";
    std::string cmd;
    if (kind == CertKind::SelfSigned) {
        cmd = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
              " -subj /CN=localhost -keyout '" + cert.keyFile + "' -out '" + cert.certFile + "'" + quiet;
    } else {
        // A negative validity puts the end date in the past: the certificate expired yesterday.
        const std::string csr = dir + "/req.csr";
        cmd = "openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=localhost"
              " -keyout '" + cert.keyFile + "' -out '" + csr + "'" + quiet + " && openssl x509 -req -in '" + csr
            + "' -signkey '" + cert.keyFile + "' -days -1 -out '" + cert.certFile + "'" + quiet;
    }
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("openssl could not make a test certificate");
    return cert;
}

std::string TlsPeer::read(size_t max)
{
    if (!m_pending.empty()) {
        std::string out = m_pending.substr(0, max);
        m_pending.erase(0, out.size());
        return out;
    }
    if (m_closed)
        return {};
    std::string buf(max, '\0');
    const int n = m_tls.SSL_read(static_cast<SSL*>(m_ssl), buf.data(), static_cast<int>(max));
    if (n <= 0)
        return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string TlsPeer::readUntil(const std::string& marker)
{
    std::string got;
    for (;;) {
        const size_t at = got.find(marker);
        if (at != std::string::npos) {
            m_pending = got.substr(at + marker.size()) + m_pending;
            got.resize(at + marker.size());
            return got;
        }
        std::string more = read();
        if (more.empty())
            return got;
        got += more;
    }
}

std::string TlsPeer::readRequest()
{
    std::string head = readUntil("\r\n\r\n");
    size_t length = 0;
    std::string lower = head;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("\r\ncontent-length:");
    if (at != std::string::npos)
        length = std::strtoul(head.c_str() + at + 17, nullptr, 10);
    std::string body;
    while (body.size() < length) {
        std::string more = read(length - body.size());
        if (more.empty())
            break;
        body += more;
    }
    return head + body;
}

bool TlsPeer::write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const int n = m_tls.SSL_write(static_cast<SSL*>(m_ssl), bytes.data() + done,
                                      static_cast<int>(bytes.size() - done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void TlsPeer::closeWithoutNotify()
{
    if (m_closed)
        return;
    m_closed = true;
    ::shutdown(m_fd, SHUT_RDWR);
}

TlsTestServer::TlsTestServer(const TestCertificate& cert, Handler handler, bool tls12Only)
    : m_tls(std::make_unique<ServerTls>()), m_handler(std::move(handler))
{
    SSL_CTX* ctx = m_tls->SSL_CTX_new(m_tls->TLS_server_method());
    if (!ctx || m_tls->SSL_CTX_use_certificate_file(ctx, cert.certFile.c_str(), SSL_FILETYPE_PEM) != 1
        || m_tls->SSL_CTX_use_PrivateKey_file(ctx, cert.keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("test server: could not set up the TLS context");
    m_ctx = ctx;
    if (tls12Only)
        m_tls->SSL_CTX_ctrl(ctx, SSL_CTRL_SET_MAX_PROTO_VERSION, TLS1_2_VERSION, nullptr);

    m_listenFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (m_listenFd < 0 || bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || listen(m_listenFd, 16) != 0)
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    socklen_t len = sizeof addr;
    getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { serve(); });
}

TlsTestServer::~TlsTestServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_ctx)
        m_tls->SSL_CTX_free(static_cast<SSL_CTX*>(m_ctx));
}

std::vector<std::string> TlsTestServer::serverNames() const
{
    std::lock_guard lock(m_mutex);
    return m_serverNames;
}

void TlsTestServer::serve()
{
    // A client that went away must not take the whole test run down with SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    while (!m_stop) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const int fd = accept(m_listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        timeval tv{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        serveOne(fd);
        ::close(fd);
    }
}

void TlsTestServer::serveOne(int fd)
{
    SSL* ssl = m_tls->SSL_new(static_cast<SSL_CTX*>(m_ctx));
    m_tls->SSL_set_fd(ssl, fd);
    if (m_tls->SSL_accept(ssl) == 1) {
        const char* name = m_tls->SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
        {
            std::lock_guard lock(m_mutex);
            m_serverNames.push_back(name ? name : "");
        }
        ++m_handshakes;
        TlsPeer peer(*m_tls, ssl, fd);
        try {
            if (m_handler)
                m_handler(peer);
        } catch (...) {
        }
        if (!peer.closed())
            m_tls->SSL_shutdown(ssl);
    }
    m_tls->SSL_free(ssl);
}

}  // namespace torvane::test
