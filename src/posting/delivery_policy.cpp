#include "posting/delivery_policy.h"

#include "store/row_reader.h"
#include "util/dates.h"
#include "util/text.h"

#include <algorithm>

namespace torvane {

DeliveryPolicy DeliveryPolicy::fromSettings(const RowReader& settings)
{
    DeliveryPolicy policy;
    policy.retryCount = std::max(0, settings.integer("RetryCount", 0));
    policy.retryWaitSeconds = std::max(0, settings.integer("RetryWait", kDefaultRetryWaitSeconds));
    policy.maxErrors = std::max(0, settings.integer("MaxErrors", 0));
    policy.connections = std::clamp(settings.integer("Connections", 1), 1, kMaxConnections);
    return policy;
}

int DeliveryPolicy::waitSeconds(int attempt, const std::string& retryAfter, std::time_t now) const
{
    if (auto fromServer = retryAfterSeconds(retryAfter, now))
        return int(std::clamp<int64_t>(*fromServer, 0, kMaxWaitSeconds));
    int64_t wait = retryWaitSeconds;
    for (int i = 1; i < attempt && wait < kMaxWaitSeconds; ++i)
        wait *= 2;
    return int(std::min<int64_t>(wait, kMaxWaitSeconds));
}

std::optional<int64_t> retryAfterSeconds(const std::string& value, std::time_t now)
{
    const std::string text = trimmedBlanks(value);
    if (text.empty())
        return std::nullopt;
    int64_t seconds = 0;
    if (text.find_first_not_of("0123456789") == std::string::npos)
        return tryToInt64(text, seconds) ? std::optional<int64_t>(seconds) : std::optional<int64_t>(DeliveryPolicy::kMaxWaitSeconds);
    if (auto at = parseHttpDate(text))
        return std::max<int64_t>(0, int64_t(*at) - int64_t(now));
    return std::nullopt;
}

}  // namespace torvane
