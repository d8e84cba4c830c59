#include "posting/connection_pool.h"

#include "util/clock.h"
#include "util/error.h"

#include <chrono>

namespace torvane {

ConnectionPool::ConnectionPool(PostingClient& client, int count, int64_t pauseMs, Clock& clock)
    : m_pauseMs(pauseMs), m_clock(clock)
{
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<PostingClient> connection = client.openConnection();
        if (!connection)
            throw Error("Several Connections Are Not Available Here");
        m_connections.push_back(std::move(connection));
    }
    for (auto& connection : m_connections)
        m_workers.emplace_back([this, c = connection.get()] { work(*c); });
}

ConnectionPool::~ConnectionPool()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_closing = true;
    }
    m_jobReady.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void ConnectionPool::submit(PoolJob job)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_jobReady.notify_one();
}

std::optional<PoolResult> ConnectionPool::take(int64_t waitMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_resultReady.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return !m_results.empty(); });
    if (m_results.empty())
        return std::nullopt;
    PoolResult result = std::move(m_results.front());
    m_results.pop_front();
    return result;
}

void ConnectionPool::work(PostingClient& connection)
{
    for (;;) {
        PoolJob job;
        {
            std::unique_lock<std::mutex> hold(m_lock);
            m_jobReady.wait(hold, [this] { return m_closing || !m_jobs.empty(); });
            // Closing leaves jobs not taken yet behind: the run ends without sending them.
            if (m_closing)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        PoolResult result;
        result.id = job.id;
        try {
            result.reply = connection.send(job.request);
        } catch (const RequestFailed& failed) {
            result.failure = failed;
        } catch (const std::exception& e) {
            // What is no failure of the request itself leaves it in doubt whether the server has it.
            result.failure = RequestFailed(e.what(), RequestFate::InDoubt);
        }
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_results.push_back(std::move(result));
        }
        m_resultReady.notify_one();
        // The pause after each request holds this connection only.
        if (m_pauseMs > 0)
            m_clock.sleepMs(m_pauseMs);
    }
}

}  // namespace torvane
