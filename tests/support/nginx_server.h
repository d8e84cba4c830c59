// A real nginx on 127.0.0.1 for end-to-end tests: its own prefix directory, configuration and free
// port, started as a child process and stopped with the object.
#pragma once

#include <string>
#include <sys/types.h>

#include "support/temp_dir.h"

namespace torvane::test {

class NginxServer {
public:
    // The nginx executable, or empty when none is installed.
    static std::string findBinary();

    // A certificate and key for a second, TLS port of the same server; with clientCaFile, that port
    // demands a client certificate signed by the authorities in it.
    struct Tls {
        std::string certFile;
        std::string keyFile;
        std::string clientCaFile = {};
    };

    // locations: the inside of the server block after listen and root, where "{PORT}" stands for
    // the plain port and "{DIR}" for the prefix directory. The document root is {DIR}/www. With tls,
    // the server also listens with TLS on tlsPort().
    NginxServer(const std::string& binary, const std::string& locations, const Tls* tls = nullptr);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool running() const;
    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    std::string url(const std::string& path) const;
    std::string httpsUrl(const std::string& path) const;
    const TempDir& dir() const { return m_dir; }
    std::string errorLog() const;

private:
    void waitUntilListening(const std::string& dir, bool tls);

    TempDir m_dir;
    int m_port = 0;
    int m_tlsPort = 0;
    pid_t m_pid = -1;
};

}  // namespace torvane::test
