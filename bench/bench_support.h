// Small measuring helpers shared by the benchmarks that time whole runs against a peer program.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <cstdio>
#include <string>

#include "http/http_events.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace torvane::bench {

inline double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A listening socket on a free loopback port, its address in addr; -1 (with the reason printed) when
// there is none.
inline int listenOnLoopback(sockaddr_in& addr)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        std::perror("listen");
        return -1;
    }
    return fd;
}

// The process's peak resident memory so far, in KB.
inline long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace torvane::bench
