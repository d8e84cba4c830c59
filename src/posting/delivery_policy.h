// How a run treats a record whose request failed: how often and after how long it is tried again, how
// many failed records it goes on past, and how far apart requests go. All off by default, so that the
// first error ends the run.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace torvane {

class RowReader;

struct DeliveryPolicy {
    static constexpr int kDefaultRetryWaitSeconds = 5;
    static constexpr int kMaxWaitSeconds = 300;

    int retryCount = 0;  // further tries of a request that failed before it was written, or met 429/503
    int retryWaitSeconds = kDefaultRetryWaitSeconds;  // before the first further try, doubled for each next
    int maxErrors = 0;           // failed records the run goes on past; the next failure ends it
    int64_t minIntervalMs = 0;   // at least this long from one request to the next, on top of the pause
    int connections = 1;         // records in flight at once, each on a connection of its own

    static constexpr int kMaxConnections = 32;

    // RetryCount, RetryWait, MaxErrors and Connections of the settings record; blank ones keep the
    // defaults, and a number of connections out of range is taken as the nearest that is not.
    static DeliveryPolicy fromSettings(const RowReader& settings);

    // The wait before further try number `attempt` (1 for the first): the server's Retry-After when it
    // gave one, otherwise the retry wait doubled for each try after the first; never above five minutes.
    int waitSeconds(int attempt, const std::string& retryAfter, std::time_t now) const;
};

// A Retry-After value (whole seconds, or an HTTP date) as seconds from now; nothing when it is neither.
std::optional<int64_t> retryAfterSeconds(const std::string& value, std::time_t now);

// Whether the server's answer asks to come back later: 429 Too Many Requests, 503 Service Unavailable.
inline bool isComeBackLater(int status) { return status == 429 || status == 503; }

}  // namespace torvane
