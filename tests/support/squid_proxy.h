// A real squid on 127.0.0.1 for end-to-end tests of the proxy support: Basic authentication through
// squid's own helper with one user, no cache, every port allowed for CONNECT; its configuration, logs
// and pid file in a directory of its own; started as a child process and stopped with the object.
#pragma once

#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace torvane::test {

class ChildProgram;

class SquidProxy {
public:
    static constexpr const char* kUser = "proxyuser";
    static constexpr const char* kPassword = "proxy-pass-9";

    // The squid executable, or empty when it or its authentication helper is missing.
    static std::string findBinary();

    explicit SquidProxy(const std::string& binary);
    ~SquidProxy();
    SquidProxy(const SquidProxy&) = delete;
    SquidProxy& operator=(const SquidProxy&) = delete;

    bool running() const;
    int port() const { return m_port; }
    // What squid logged: its cache log and its access log.
    std::string log() const;
    // The access log alone: one line per request it passed on or refused.
    std::string accessLog() const;

private:
    TempDir m_dir;
    int m_port = 0;
    std::unique_ptr<ChildProgram> m_child;
};

}  // namespace torvane::test
