#include "store/database.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <type_traits>

#include "support/temp_dir.h"
#include "util/error.h"

namespace torvane {
namespace {

static_assert(!std::is_copy_constructible_v<Database::Transaction>);
static_assert(!std::is_copy_assignable_v<Database::Transaction>);
static_assert(std::is_nothrow_move_constructible_v<Database::Transaction>);
static_assert(std::is_nothrow_destructible_v<Database::Transaction>);

struct TransactionCase {
    const char* name;
    std::function<void(Database&)> run;  // writes the row 'kept' inside a transaction, then ends it
    bool rowKept;
};

void PrintTo(const TransactionCase& c, std::ostream* os)
{
    *os << c.name;
}

void writeRow(Database& db)
{
    db.execute("INSERT INTO track (DataToTrack) VALUES (?)", {Cell(std::string("kept"))});
}

class TransactionTest : public ::testing::TestWithParam<TransactionCase> {};

TEST_P(TransactionTest, EndsAsTold)
{
    test::TempDir dir;
    Database db(dir.file("torvane.db"));
    GetParam().run(db);
    EXPECT_EQ(std::get<int64_t>(db.query("SELECT COUNT(*) FROM track").at(0).at(0)), GetParam().rowKept ? 1 : 0);
    // The store is out of the transaction: another one can begin.
    EXPECT_NO_THROW(Database::Transaction(db).commit());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransactionTest,
    ::testing::Values(
        TransactionCase{"Commit",
                        [](Database& db) {
                            Database::Transaction t(db);
                            writeRow(db);
                            t.commit();
                            EXPECT_FALSE(t.open());
                        },
                        true},
        TransactionCase{"Rollback",
                        [](Database& db) {
                            Database::Transaction t(db);
                            writeRow(db);
                            t.rollback();
                        },
                        false},
        TransactionCase{"EndWithoutCommit",
                        [](Database& db) {
                            Database::Transaction t(db);
                            writeRow(db);
                        },
                        false},
        TransactionCase{"MovedOnAndCommitted",
                        [](Database& db) {
                            Database::Transaction first(db);
                            writeRow(db);
                            Database::Transaction second(std::move(first));
                            EXPECT_FALSE(first.open());
                            second.commit();
                        },
                        true},
        TransactionCase{"MovedFromEndsWithoutRollingBackTwice",
                        [](Database& db) {
                            auto t = std::make_unique<Database::Transaction>(db);
                            writeRow(db);
                            Database::Transaction kept(std::move(*t));
                            t.reset();  // must not end what `kept` holds
                            kept.commit();
                        },
                        true},
        TransactionCase{"MoveAssignmentRollsTheOldOneBack",
                        [](Database& db) {
                            Database::Transaction t(db);
                            writeRow(db);
                            Database::Transaction empty(std::move(t));
                            empty.rollback();
                            Database::Transaction next(db);
                            t = std::move(next);
                            t.commit();
                        },
                        false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Transaction, EndingTwiceIsAnError)
{
    test::TempDir dir;
    Database db(dir.file("torvane.db"));
    Database::Transaction t(db);
    t.commit();
    EXPECT_THROW(t.commit(), Error);
    EXPECT_THROW(t.rollback(), Error);
}

TEST(Transaction, OnlyOneAtATime)
{
    test::TempDir dir;
    Database db(dir.file("torvane.db"));
    Database::Transaction t(db);
    EXPECT_THROW(Database::Transaction{db}, Error);
    EXPECT_TRUE(t.open());
}

}  // namespace
}  // namespace torvane
