#include "util/scoped_value.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace torvane {
namespace {

TEST(ScopedValue, HoldsTheValueForTheScopeAndPutsTheOldOneBackHoweverItEnds)
{
    for (const bool throws : {false, true}) {
        std::string text = "before";
        int exits = 0;
        try {
            const ScopedValue held(text, std::string("during"));
            const ScopeExit counted([&] { ++exits; });
            EXPECT_EQ(text, "during");
            {
                const ScopedValue nested(text, std::string("inner"));
                EXPECT_EQ(text, "inner");
            }
            EXPECT_EQ(text, "during");
            if (throws)
                throw std::runtime_error("x");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(text, "before") << throws;
        EXPECT_EQ(exits, 1) << throws;
    }
}

}  // namespace
}  // namespace torvane
