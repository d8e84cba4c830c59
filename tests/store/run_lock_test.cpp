// The run lock: one holder at a time, in this process or another, and released with its holder.
#include "store/run_lock.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane {
namespace {

TEST(RunLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo)
{
    test::TempDir dir;
    const std::string store = dir.file("torvane.db");
    EXPECT_FALSE(RunLock::isHeld(store));
    {
        RunLock first(store);
        EXPECT_TRUE(RunLock::isHeld(store));
        try {
            RunLock second(store);
            ADD_FAILURE() << "a second lock was granted";
        } catch (const StoreInUse& e) {
            EXPECT_STREQ(e.what(), "Another posting run is using this store");
        }
    }
    EXPECT_FALSE(RunLock::isHeld(store));
    RunLock again(store);
}

TEST(RunLockTest, AKilledHolderReleasesTheLock)
{
    test::TempDir dir;
    const std::string store = dir.file("torvane.db");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RunLock held(store);
        const char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_THROW(RunLock{store}, StoreInUse);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_NO_THROW(RunLock{store});
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace torvane
