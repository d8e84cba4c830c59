// Sends a 100 MB file in a multipart/form-data POST to a loopback server with the HTTP client and with
// `curl -F` in the same run, and prints the median times, their ratio and the peak memory of each
// sender. Each send runs in a child process so its peak RSS is its own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "http/http_events.h"
#include "http/http_stack.h"
#include "http/multipart_body.h"
#include "util/clock.h"
#include "util/text.h"

namespace {

constexpr size_t kFileSize = size_t(100) << 20;
constexpr int kRounds = 5;

void sendText(int fd, const std::string& text)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

// Reads each request whole (answering curl's Expect: 100-continue) and says how many body bytes came.
[[noreturn]] void serve(int listenFd)
{
    std::vector<char> buf(size_t(256) << 10);
    for (;;) {
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::string head;
        size_t bodyStart = std::string::npos;
        while ((bodyStart = head.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd, buf.data(), 4096, 0);
            if (n <= 0)
                break;
            head.append(buf.data(), size_t(n));
        }
        const std::string upper = torvane::upperAscii(head);
        const size_t at = upper.find("CONTENT-LENGTH:");
        const long long length = at == std::string::npos ? 0 : std::atoll(head.c_str() + at + 15);
        if (upper.find("EXPECT: 100-CONTINUE") != std::string::npos)
            sendText(fd, "HTTP/1.1 100 Continue\r\n\r\n");
        long long got = bodyStart == std::string::npos ? 0 : (long long)(head.size() - bodyStart - 4);
        while (got < length) {
            const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
            if (n <= 0)
                break;
            got += n;
        }
        const std::string reply = "got " + std::to_string(got);
        sendText(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(reply.size()) +
                         "\r\nConnection: close\r\n\r\n" + reply);
        ::shutdown(fd, SHUT_WR);
        while (::recv(fd, buf.data(), buf.size(), 0) > 0) {
        }
        ::close(fd);
    }
}

struct Run {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

Run waitFor(pid_t pid, std::chrono::steady_clock::time_point start)
{
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = torvane::bench::seconds(std::chrono::steady_clock::now() - start);
    return {seconds, usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

Run runClient(const std::string& url, const std::string& file)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        torvane::QuietEvents events;
        torvane::HttpStack session(events, torvane::SystemClock::instance(), [] {});
        session.attachTlsTransport(false);
        try {
            torvane::MultipartBody body({{"customer_name", "Ann Lee"}, {"upload", file, true}});
            const std::string reply = session.client().post(url, body, "");
            ::_exit(reply.find("got ") == 0 ? 0 : 1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "client failed: %s\n", e.what());
            ::_exit(1);
        }
    }
    return waitFor(pid, start);
}

Run runCurl(const std::string& url, const std::string& file)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string upload = "upload=@" + file;
        ::execlp("curl", "curl", "-s", "-f", "-o", "/dev/null", "-F", "customer_name=Ann Lee", "-F", upload.c_str(),
                 url.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return waitFor(pid, start);
}

}  // namespace

int main()
{
    sockaddr_in addr{};
    const int listenFd = torvane::bench::listenOnLoopback(addr);
    if (listenFd < 0)
        return 1;
    const pid_t server = ::fork();
    if (server == 0)
        serve(listenFd);
    ::close(listenFd);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/upload";

    const std::string file = std::filesystem::temp_directory_path().string() + "/torvane-upload-bench-" +
                             std::to_string(::getpid()) + ".bin";
    {
        std::ofstream out(file, std::ios::binary);
        std::string block(size_t(1) << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = char(i * 131 % 251);
        for (size_t done = 0; done < kFileSize; done += block.size())
            out.write(block.data(), std::streamsize(block.size()));
    }

    std::vector<double> mine, curl;
    long minePeak = 0, curlPeak = 0;
    bool ok = true;
    for (int i = 0; i < kRounds && ok; ++i) {  // in turn, so a busy moment falls on both alike
        const Run a = runClient(url, file);
        const Run b = runCurl(url, file);
        ok = a.ok && b.ok;
        mine.push_back(a.seconds);
        curl.push_back(b.seconds);
        minePeak = std::max(minePeak, a.peakKb);
        curlPeak = std::max(curlPeak, b.peakKb);
    }
    std::filesystem::remove(file);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    if (!ok) {
        std::printf("multipart upload: a send failed\n");
        return 1;
    }
    const double a = torvane::bench::median(mine), b = torvane::bench::median(curl);
    std::printf("multipart POST of a %zu MB file, median of %d rounds\n", kFileSize >> 20, kRounds);
    std::printf("  client %.3f s, curl -F %.3f s, ratio %.2f (target <= 1.5)\n", a, b, a / b);
    std::printf("  peak RSS: client %ld MB, curl %ld MB\n", minePeak / 1024, curlPeak / 1024);
    return 0;
}
