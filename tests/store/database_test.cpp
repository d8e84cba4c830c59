#include "store/data_module.h"
#include "store/schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

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

}  // namespace
}  // namespace torvane
