// The clock and the sleeper the engine waits with, injected so tests do not wait for real.
#pragma once

#include <chrono>
#include <cstdint>

namespace torvane {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic clock.
    virtual int64_t nowMs() = 0;
    // Returns after the given number of milliseconds; handles no window messages.
    virtual void sleepMs(int64_t ms) = 0;
};

// The real clock: steady_clock and sleeping.
class SystemClock : public Clock {
public:
    int64_t nowMs() override;
    void sleepMs(int64_t ms) override;
    static SystemClock& instance();
};

}  // namespace torvane
