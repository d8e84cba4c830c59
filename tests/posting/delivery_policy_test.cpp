#include "posting/delivery_policy.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(DeliveryPolicyTest, WaitsDoubleUpToFiveMinutesUnlessTheServerSaysHowLong)
{
    DeliveryPolicy policy;
    policy.retryWaitSeconds = 5;
    const std::time_t now = 1'000'000'000;  // 2001-09-09T01:46:40Z
    struct Case {
        int attempt;
        const char* retryAfter;
        int seconds;
    };
    const Case cases[] = {
        {1, "", 5},     {2, "", 10},      {3, "", 20},      {7, "", 300},   {40, "", 300},
        {1, "1", 1},    {3, "0", 0},      {1, "301", 300},  {1, "99999999999999999999999", 300},
        {1, "Sun, 09 Sep 2001 01:47:10 GMT", 30},  // an HTTP date half a minute from now
        {1, "Sun, 09 Sep 2001 01:40:00 GMT", 0},   // one already past
        {2, "soon", 10},                           // neither seconds nor a date: the own wait
        {1, "-5", 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(policy.waitSeconds(c.attempt, c.retryAfter, now), c.seconds)
            << "attempt " << c.attempt << " Retry-After '" << c.retryAfter << "'";
    policy.retryWaitSeconds = 0;
    EXPECT_EQ(policy.waitSeconds(5, "", now), 0);
}

TEST(DeliveryPolicyTest, OnlyTooManyRequestsAndUnavailableAskToComeBack)
{
    for (int status : {429, 503})
        EXPECT_TRUE(isComeBackLater(status)) << status;
    for (int status : {400, 404, 500, 502, 504, 200})
        EXPECT_FALSE(isComeBackLater(status)) << status;
}

}  // namespace
}  // namespace torvane
