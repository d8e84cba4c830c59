#include "store/data_module.h"
#include "store/database.h"
#include "store/schema.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sqlite3.h>
#include <type_traits>

namespace torvane {
namespace {

// A store as an earlier version wrote it: the settings table without the fields added since.
void writeEarlierStore(const std::string& path)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE settings (\"URL\" TEXT, \"Content\" TEXT, \"PostType\" TEXT, \"DataSentText\" TEXT, "
        "\"ViewWarnings\" INTEGER, \"ViewDiag\" INTEGER, \"ImportData\" TEXT, \"LinesToRead\" INTEGER, "
        "\"DeleteFile\" INTEGER, \"TrackSent\" INTEGER, \"PurgeDays\" INTEGER, \"FieldToTrack1\" TEXT, "
        "\"FieldToTrack2\" TEXT, \"FieldToTrack3\" TEXT, \"FieldToTrack4\" TEXT);"
        "INSERT INTO settings (URL, PostType, LinesToRead) VALUES ('http://127.0.0.1/f', 'POST', 2);"
        "CREATE TABLE fields (\"OrderNum\" INTEGER, \"Name\" TEXT);"
        "INSERT INTO fields (OrderNum, Name) VALUES (10, 'LAST');";
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST(DatabaseTest, AnEarlierStoreGainsTheMissingColumnsAndKeepsItsRows)
{
    test::TempDir dir;
    writeEarlierStore(dir.file("torvane.db"));
    {
        TDataModule1 data(dir.file("torvane.db"));
        TableView& settings = data.SettingsTable;
        ASSERT_EQ(settings.recordCount(), 1);
        EXPECT_EQ(settings.text("URL"), "http://127.0.0.1/f");
        EXPECT_EQ(settings.integer("LinesToRead", 0), 2);
        for (const char* added : {"ExportEncoding", "FormEncoding", "ColumnsIn"})
            EXPECT_TRUE(settings.isBlank(added)) << added;
        settings.setText("ExportEncoding", "windows-1252");
        settings.post();
        // Every field of the definitions table is there, the old rows with them.
        ASSERT_EQ(data.FieldsTable.recordCount(), 1);
        EXPECT_EQ(data.FieldsTable.text("Name"), "LAST");
        EXPECT_TRUE(data.FieldsTable.isBlank("ImportStart"));
    }
    // Opening again adds nothing twice and finds what was written.
    TDataModule1 again(dir.file("torvane.db"));
    EXPECT_EQ(again.SettingsTable.text("ExportEncoding"), "windows-1252");
    const auto columns = again.database().query("PRAGMA table_info(settings)");
    EXPECT_EQ(columns.size(), settingsTableDef().fields.size());
}

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
