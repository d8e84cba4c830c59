#include "posting/rejects_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace torvane {
namespace {

TEST(RejectsFileTest, OnlyUnsettledOutcomesAreRejects)
{
    for (RecordOutcome o : {RecordOutcome::NotConfirmed, RecordOutcome::Refused, RecordOutcome::InDoubt,
                             RecordOutcome::Failed})
        EXPECT_TRUE(RejectsFile::isReject(o)) << outcomeName(o);
    for (RecordOutcome o : {RecordOutcome::Accepted, RecordOutcome::Sent, RecordOutcome::AlreadySent})
        EXPECT_FALSE(RejectsFile::isReject(o)) << outcomeName(o);
}

// The results file and the run's report print these very words.
TEST(RecordOutcomeTest, PrintedNamesStayAsTheyWere)
{
    const std::pair<RecordOutcome, const char*> names[] = {
        {RecordOutcome::Accepted, "accepted"}, {RecordOutcome::NotConfirmed, "not confirmed"},
        {RecordOutcome::Sent, "sent"}, {RecordOutcome::Refused, "refused"},
        {RecordOutcome::AlreadySent, "already sent"}, {RecordOutcome::InDoubt, "in doubt"},
        {RecordOutcome::Failed, "failed"}};
    for (const auto& [outcome, name] : names)
        EXPECT_STREQ(outcomeName(outcome), name);
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
