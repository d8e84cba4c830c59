// A clock for tests: time stands still until a sleep (or the fake stream's waits) moves it on.
#pragma once

#include <cstdint>
#include <vector>

#include "util/clock.h"

namespace torvane::test {

class FakeClock : public Clock {
public:
    int64_t now = 0;
    std::vector<int64_t> sleeps;
    int64_t nowMs() override { return now; }
    void sleepMs(int64_t ms) override
    {
        sleeps.push_back(ms);
        now += ms;
    }
};

}  // namespace torvane::test
