#include "posting/rejects_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace torvane {
namespace {

TEST(RejectsFileTest, OnlyUnsettledOutcomesAreRejects)
{
    for (const char* o : {outcome::kNotConfirmed, outcome::kRefused, outcome::kInDoubt, outcome::kFailed})
        EXPECT_TRUE(RejectsFile::isReject(o)) << o;
    for (const char* o : {outcome::kAccepted, outcome::kSent, outcome::kAlreadySent})
        EXPECT_FALSE(RejectsFile::isReject(o)) << o;
}

TEST(RejectsFileTest, AFileWithoutRejectsIsRemovedEvenWithItsHeader)
{
    test::TempDir dir;
    dir.write("rejects.txt", "from an older run");
    {
        RejectsFile file(dir.file("rejects.txt"));
        file.header("HEAD\r\n");
        file.reject("");  // nothing left unread: still no reject
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("rejects.txt")));
    {
        RejectsFile file(dir.file("rejects.txt"));
        file.header("HEAD\r\n");
        file.reject("1002\r\n");
    }
    EXPECT_EQ(dir.read("rejects.txt"), "HEAD\r\n1002\r\n");
}

}  // namespace
}  // namespace torvane
