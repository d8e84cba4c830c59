// A TLS server on 127.0.0.1 for tests, driven by OpenSSL loaded at run time, with certificates
// made on the spot by the openssl command-line tool; each connection is served by a test's handler.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace torvane::test {

enum class CertKind { SelfSigned, Expired };

struct TestCertificate {
    std::string certFile;
    std::string keyFile;
};

// A fresh EC key and a certificate for "localhost" in dir: self-signed and valid, or long expired.
// Throws std::runtime_error when the openssl tool fails.
TestCertificate makeTestCertificate(const std::string& dir, CertKind kind);

struct ServerTls;

// The server side of one accepted TLS connection, handed to the handler.
class TlsPeer {
public:
    TlsPeer(const ServerTls& tls, void* ssl, int fd) : m_tls(tls), m_ssl(ssl), m_fd(fd) {}
    // Up to max decrypted bytes; empty once the client closed or on error.
    std::string read(size_t max = 65536);
    // Everything up to and including marker; what arrived before a close otherwise.
    std::string readUntil(const std::string& marker);
    // One HTTP request: the head and a body of the announced Content-Length.
    std::string readRequest();
    bool write(const std::string& bytes);
    // Ends the connection without a close notify: the socket is simply closed.
    void closeWithoutNotify();
    bool closed() const { return m_closed; }
    int fd() const { return m_fd; }

private:
    const ServerTls& m_tls;
    void* m_ssl;
    int m_fd;
    std::string m_pending;
    bool m_closed = false;
};

class TlsTestServer {
public:
    using Handler = std::function<void(TlsPeer&)>;

    // Listens on 127.0.0.1 (a free port) and serves connections one after the other on a thread
    // of its own: TLS handshake, the handler, close notify, close. tls12Only caps the protocol at
    // TLS 1.2, where the client's cipher list decides what can be negotiated.
    TlsTestServer(const TestCertificate& cert, Handler handler, bool tls12Only = false);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    int port() const { return m_port; }
    int handshakes() const { return m_handshakes.load(); }
    // The server names the clients asked for, one per completed handshake ("" when none).
    std::vector<std::string> serverNames() const;

private:
    void serve();
    void serveOne(int fd);

    std::unique_ptr<ServerTls> m_tls;
    void* m_ctx = nullptr;
    Handler m_handler;
    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_handshakes{0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_serverNames;
    std::thread m_thread;
};

}  // namespace torvane::test
