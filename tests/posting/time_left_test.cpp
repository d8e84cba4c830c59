#include "posting/time_left.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(TimeLeftTest, AtThePaceSoFar)
{
    struct Case {
        int64_t done, total, elapsedMs;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, 0, ""},                          // nothing done: no pace yet
        {3, -1, 3000, ""},                       // not counted yet
        {1, 10, 1000, "About 9 s left"},
        {1, 2, 1, "About 1 s left"},             // rounded up, never "0 s" while a record is left
        {10, 10, 10000, "About 0 s left"},
        {12, 10, 10000, "About 0 s left"},       // the file grew during the run
        {10, 100, 10000, "About 1 min 30 s left"},
        {1, 7201, 1000, "About 2 h 0 min left"},
        {100, 1000000, 100000, "About 277 h 45 min left"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(timeLeftText(c.done, c.total, c.elapsedMs), c.text)
            << c.done << " of " << c.total << " in " << c.elapsedMs << " ms";
}

}  // namespace
}  // namespace torvane
