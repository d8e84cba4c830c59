// The workers of a run with several records in flight: each sends on a connection of its own, made once
// for the run, and hands back what became of each request as a value. Only the HTTP work runs on them;
// the run's own thread hands requests in and takes results out.
#pragma once

#include "http/multipart_body.h"
#include "http/posting_client.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace torvane {

class Clock;

struct PoolJob {
    int64_t id = 0;
    PostingRequest request;
    // The multipart body the request reads while it is sent; owned here so that it lives as long.
    std::unique_ptr<MultipartBody> files;
};

struct PoolResult {
    int64_t id = 0;
    std::optional<PostingReply> reply;    // when the request was answered
    std::optional<RequestFailed> failure;  // otherwise
};

class ConnectionPool {
public:
    // count connections opened from client; each waits pauseMs after each of its requests. Throws Error
    // when the client cannot open them.
    ConnectionPool(PostingClient& client, int count, int64_t pauseMs, Clock& clock);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    void submit(PoolJob job);
    // The next result, waiting at most waitMs for one.
    std::optional<PoolResult> take(int64_t waitMs);

private:
    void work(PostingClient& connection);

    std::vector<std::unique_ptr<PostingClient>> m_connections;
    int64_t m_pauseMs;
    Clock& m_clock;
    std::mutex m_lock;
    std::condition_variable m_jobReady, m_resultReady;
    std::deque<PoolJob> m_jobs;
    std::deque<PoolResult> m_results;
    bool m_closing = false;
    std::vector<std::thread> m_workers;  // last: they start once everything above is there
};

}  // namespace torvane
