// Downloads a 256 MB body from a loopback server three ways (Content-Length, chunked, until close)
// with the HTTP client and with curl in the same run, and prints the median times, their ratio and
// the peak memory of each downloader. A fourth row runs `torvane-cli send` end to end: one record
// posted by GET, the whole reply held and searched by the confirmation check; below it, the holding
// floor: the same reply received raw into fresh memory, which no client holding the body can beat.
// Every download runs in a child process so its peak RSS is its own.
#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sys/mman.h>
#include <fstream>
#include <vector>

#include "bench_support.h"
#include "http/http_events.h"
#include "http/http_stack.h"
#include "util/clock.h"

namespace {

constexpr size_t kBodySize = size_t(256) << 20;
constexpr size_t kPatternSize = size_t(1) << 20;
constexpr size_t kChunkSize = 32768;
constexpr int kRounds = 9;

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

void sendBody(int fd, const std::string& pattern, size_t size, bool chunked)
{
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(chunked ? kChunkSize : pattern.size(), size - done);
        if (chunked) {
            // Size line, data and line end leave in one write, as a real server would send them.
            char line[32];
            const int len = std::snprintf(line, sizeof line, "%zx\r\n", n);
            iovec parts[3] = {{line, size_t(len)}, {const_cast<char*>(pattern.data()), n}, {const_cast<char*>("\r\n"), 2}};
            size_t left = size_t(len) + n + 2;
            int first = 0;
            while (left > 0) {
                const ssize_t sent = ::writev(fd, parts + first, 3 - first);
                if (sent <= 0)
                    return;
                left -= size_t(sent);
                for (size_t s = size_t(sent); s > 0 && first < 3;) {
                    const size_t take = std::min(s, parts[first].iov_len);
                    parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + take;
                    parts[first].iov_len -= take;
                    s -= take;
                    if (parts[first].iov_len == 0)
                        ++first;
                }
            }
        } else if (!sendAll(fd, pattern.data(), n)) {
            return;
        }
        done += n;
    }
    if (chunked)
        sendAll(fd, "0\r\n\r\n", 5);
}

// Serves requests one connection at a time: /length, /chunked, /close.
[[noreturn]] void serve(int listenFd)
{
    std::string pattern(kPatternSize, '\0');
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = char('a' + i % 26);
    for (;;) {
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request.append(buf, size_t(n));
        }
        std::string head;
        if (request.find(" /length") != std::string::npos) {
            head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBodySize) + "\r\nConnection: close\r\n\r\n";
            sendAll(fd, head.data(), head.size());
            sendBody(fd, pattern, kBodySize, false);
        } else if (request.find(" /chunked ") != std::string::npos) {
            head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
            sendAll(fd, head.data(), head.size());
            sendBody(fd, pattern, kBodySize, true);
        } else {
            head = "HTTP/1.0 200 OK\r\n\r\n";
            sendAll(fd, head.data(), head.size());
            sendBody(fd, pattern, kBodySize, false);
        }
        ::shutdown(fd, SHUT_WR);
        while (::recv(fd, buf, sizeof buf, 0) > 0) {
        }
        ::close(fd);
    }
}

struct Run {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

// Our client in a child; the child reports its elapsed time through a pipe.
Run runClient(const std::string& url)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        torvane::QuietEvents events;
        torvane::HttpStack session(events, torvane::SystemClock::instance(), [] {});
        session.attachTlsTransport(false);
        const auto start = std::chrono::steady_clock::now();
        double seconds = -1;
        try {
            const std::string body = session.client().get(url);
            if (body.size() == kBodySize)
                seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "client failed: %s\n", e.what());
        }
        [[maybe_unused]] auto n = ::write(pipeFds[1], &seconds, sizeof seconds);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    double seconds = -1;
    [[maybe_unused]] auto n = ::read(pipeFds[0], &seconds, sizeof seconds);
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {seconds, usage.ru_maxrss, seconds >= 0};
}

Run runCurl(const std::string& url)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execlp("curl", "curl", "-s", "-f", "-o", "/dev/null", url.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// Runs a program to its end with its output thrown away; true when it exits with one of the
// statuses given.
Run runProgram(const std::vector<std::string>& args, std::vector<int> okStatuses = {0})
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = torvane::bench::seconds(std::chrono::steady_clock::now() - start);
    const bool ok = WIFEXITED(status) &&
                    std::find(okStatuses.begin(), okStatuses.end(), WEXITSTATUS(status)) != okStatuses.end();
    return {seconds, usage.ru_maxrss, ok};
}

// A store in dir whose form sends one record of a one-line export by GET to url. The confirmation
// text is not in the reply, so the check reads all of it.
bool prepareSend(const std::string& cli, const std::string& dir, const std::string& url)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/form.html") << "<FORM ACTION=\"/length\" METHOD=\"GET\">\n"
                                         "<INPUT TYPE=\"text\" NAME=\"acct\" MAXLENGTH=\"4\">\n</FORM>\n";
    std::ofstream(dir + "/export.txt") << "1001\r\n";
    const std::vector<std::vector<std::string>> steps = {
        {"import-html", dir + "/form.html"}, {"set", "URL", url}, {"set", "PostType", "GET"},
        {"set", "DataSentText", "not in the reply"}, {"set", "ImportData", "export.txt"},
        {"set", "DeleteFile", "False"}, {"set", "TrackSent", "False"},
        {"set-field", "10", "ImportStart", "1"}, {"set-field", "10", "ImportLength", "4"}};
    for (const auto& step : steps) {
        std::vector<std::string> args = {cli, "-C", dir};
        args.insert(args.end(), step.begin(), step.end());
        if (!runProgram(args).ok) {
            std::fprintf(stderr, "preparing the store failed at: %s\n", step[0].c_str());
            return false;
        }
    }
    return true;
}

// The median time and the largest peak of kRounds runs of each downloader, their rounds taken in
// turn so that a busy moment of the machine falls on all of them alike.
std::vector<Run> mediansOf(const std::vector<std::function<Run()>>& downloaders)
{
    std::vector<Run> results(downloaders.size());
    std::vector<std::vector<double>> times(downloaders.size());
    for (int i = 0; i < kRounds; ++i)
        for (size_t d = 0; d < downloaders.size(); ++d) {
            const Run r = downloaders[d]();
            if (!r.ok)
                return std::vector<Run>(downloaders.size());
            times[d].push_back(r.seconds);
            results[d].peakKb = std::max(results[d].peakKb, r.peakKb);
        }
    for (size_t d = 0; d < downloaders.size(); ++d) {
        results[d].seconds = torvane::bench::median(times[d]);
        results[d].ok = true;
    }
    return results;
}

// The least any downloader that holds the body pays: the reply received raw into fresh memory (with
// large pages, as the client's own buffer has), no HTTP read at all.
Run runHoldingFloor(const sockaddr_in& server)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0)
            ::_exit(1);
        const char request[] = "GET /length HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        if (!sendAll(fd, request, sizeof request - 1))
            ::_exit(1);
        const size_t room = kBodySize + 4096;
        auto* buffer = static_cast<char*>(::mmap(nullptr, room, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ::madvise(buffer, room, MADV_HUGEPAGE);
        size_t got = 0;
        for (ssize_t n; got < room && (n = ::recv(fd, buffer + got, std::min<size_t>(room - got, 256 << 10), 0)) > 0;)
            got += size_t(n);
        ::_exit(got > kBodySize ? 0 : 1);
    }
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = torvane::bench::seconds(std::chrono::steady_clock::now() - start);
    return {seconds, usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

}  // namespace

int main(int argc, char** argv)
{
    // An argument naming a body kind runs only that one (the benchmark runner's own options are ignored).
    const std::string only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
    sockaddr_in addr{};
    const int listenFd = torvane::bench::listenOnLoopback(addr);
    if (listenFd < 0)
        return 1;
    const pid_t server = ::fork();
    if (server == 0)
        serve(listenFd);
    ::close(listenFd);
    const std::string base = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    const long bodyKb = long(kBodySize / 1024);

    // Children must not inherit lines still waiting in the buffer.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string cli = std::filesystem::path(self).parent_path().string() + "/torvane-cli";
    const std::string sendDir = std::filesystem::temp_directory_path().string() + "/torvane-send-bench-" +
                                std::to_string(::getpid());

    std::printf("body %zu MB, median of %d rounds; peak RSS in MB, and above the body size\n", kBodySize >> 20,
                kRounds);
    std::printf("%-15s %10s %10s %7s %14s %14s\n", "body kind", "client s", "curl s", "ratio", "client RSS", "curl RSS");
    auto print = [&](const char* kind, const Run& mine, const Run& curl) {
        std::printf("%-15s %10.3f %10.3f %7.2f %6ld (+%4ld) %14ld\n", kind, mine.seconds, curl.seconds,
                    mine.seconds / curl.seconds, mine.peakKb / 1024, (mine.peakKb - bodyKb) / 1024,
                    curl.peakKb / 1024);
    };
    for (const char* kind : {"length", "chunked", "close", "send"}) {
        if (!only.empty() && only != kind)
            continue;
        const bool send = std::string(kind) == "send";
        const std::string url = base + "/" + (send ? "length" : kind);
        if (send && !prepareSend(cli, sendDir, url))
            continue;
        // No pause after the record: the product's pacing is not transfer time. The companion ends
        // with 3: the record went, but the reply does not confirm it.
        std::vector<std::function<Run()>> downloaders = {
            send ? std::function<Run()>([&] { return runProgram({cli, "-C", sendDir, "send", "--pause", "0"}, {0, 3}); })
                 : std::function<Run()>([&] { return runClient(url); }),
            [&] { return runCurl(url); }};
        if (send)
            downloaders.push_back([&] { return runHoldingFloor(addr); });
        const std::vector<Run> runs = mediansOf(downloaders);
        if (!runs[0].ok || !runs[1].ok) {
            std::printf("%-15s %s\n", kind, "a download failed");
            continue;
        }
        print(kind, runs[0], runs[1]);
        if (send && runs[2].ok)
            print("(holding floor)", runs[2], runs[1]);
    }
    std::filesystem::remove_all(sendDir);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return 0;
}
