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

    // locations: the inside of the server block after listen and root, where "{PORT}" stands for
    // the port and "{DIR}" for the prefix directory. The document root is {DIR}/www.
    NginxServer(const std::string& binary, const std::string& locations);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool running() const;
    int port() const { return m_port; }
    std::string url(const std::string& path) const;
    const TempDir& dir() const { return m_dir; }
    std::string errorLog() const;

private:
    TempDir m_dir;
    int m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace torvane::test
