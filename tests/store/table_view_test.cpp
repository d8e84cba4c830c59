#include "store/data_module.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

class TableViewTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
};

TEST_F(TableViewTest, BlankEmptyAndZeroAreDistinct)
{
    TableView& f = data.FieldsTable;
    f.append();
    f.setText("Name", "");
    f.setText("DefaultValue", "0");
    f.setInteger("MaxLength", 0);
    f.post();

    EXPECT_TRUE(f.isBlank("Name")) << "an empty text is stored as blank";
    EXPECT_FALSE(f.isBlank("DefaultValue"));
    EXPECT_EQ(f.text("DefaultValue"), "0");
    EXPECT_FALSE(f.isBlank("MaxLength"));
    EXPECT_EQ(f.integer("MaxLength", 20), 0) << "zero is a value, not blank";
    EXPECT_TRUE(f.isBlank("ImportStart"));
    EXPECT_EQ(f.integer("ImportStart", 7), 7) << "blank reads as the caller's default";
    EXPECT_TRUE(f.logical("ZeroValid", true));
}

TEST_F(TableViewTest, ValuesOfTheWrongKindAreRefused)
{
    struct Case {
        const char* field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"LinesToRead", "abc", "'abc' is not a valid integer value for field 'LinesToRead'"},
        {"LinesToRead", "12x", "'12x' is not a valid integer value for field 'LinesToRead'"},
        {"PurgeDays", "99999999999", "'99999999999' is not a valid integer value for field 'PurgeDays'"},
        {"LinesToRead", "2147483648", "'2147483648' is not a valid integer value for field 'LinesToRead'"},
        {"LinesToRead", "-2147483649", "'-2147483649' is not a valid integer value for field 'LinesToRead'"},
        // Would wrap round onto 4 in a careless conversion.
        {"PurgeDays", "18446744073709551620",
         "'18446744073709551620' is not a valid integer value for field 'PurgeDays'"},
        {"PurgeDays", "-18446744073709551620",
         "'-18446744073709551620' is not a valid integer value for field 'PurgeDays'"},
        {"TrackSent", "maybe", "'maybe' is not a valid boolean value for field 'TrackSent'"},
    };
    for (const Case& c : cases) {
        try {
            data.SettingsTable.setText(c.field, c.text);
            ADD_FAILURE() << c.field << " accepted " << c.text;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    data.SettingsTable.setText("LinesToRead", " 12 ");
    EXPECT_EQ(data.SettingsTable.integer("LinesToRead", 0), 12);
    data.SettingsTable.setText("TrackSent", "True");
    EXPECT_TRUE(data.SettingsTable.logical("TrackSent", false));
    EXPECT_EQ(data.SettingsTable.displayText("TrackSent"), "True");
}

TEST_F(TableViewTest, EditOnAnEmptyTableStartsAnAppend)
{
    TableView& s = data.SettingsTable;
    EXPECT_TRUE(s.isEmpty());
    s.edit();
    EXPECT_EQ(s.state(), TableView::State::Insert);
    s.post();
    EXPECT_EQ(s.recordCount(), 1) << "posting an untouched new row still creates it";
    EXPECT_TRUE(s.isBlank("URL"));
}

TEST_F(TableViewTest, PendingEditIsWhatReadersGetUntilPostedOrDropped)
{
    TableView& f = data.FieldsTable;
    f.append();
    f.setText("Name", "first");
    f.post();
    f.append();
    f.setText("Name", "second");
    f.post();

    f.first();
    f.setText("Name", "changed");
    EXPECT_EQ(f.state(), TableView::State::Edit);
    EXPECT_EQ(f.text("Name"), "changed") << "readers of the view see the pending value";
    Query q(data.database());
    q.open(selectFieldsInOrder());
    ASSERT_TRUE(q.findFirst());
    EXPECT_EQ(q.text("Name"), "first") << "the store does not have it yet";

    f.next();  // moving posts a changed row
    q.open(selectFieldsInOrder());
    ASSERT_TRUE(q.findFirst());
    EXPECT_EQ(q.text("Name"), "changed");

    f.edit();  // an unchanged edit is dropped by moving
    f.first();
    EXPECT_EQ(f.state(), TableView::State::Browse);

    f.append();  // an untouched new row is dropped by moving
    f.last();
    EXPECT_EQ(f.recordCount(), 2);

    f.setText("Name", "temp");
    f.cancel();
    EXPECT_EQ(f.text("Name"), "second");
}

TEST_F(TableViewTest, DeleteMovesToTheNextRowAndRefusesAnEmptyTable)
{
    TableView& t = data.TrackTable;
    try {
        t.remove();
        ADD_FAILURE() << "delete on an empty table";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
    }
    for (const char* key : {"a", "b", "c"}) {
        t.append();
        t.setText("DataToTrack", key);
        t.post();
    }
    t.moveTo(1);
    t.remove();
    EXPECT_EQ(t.text("DataToTrack"), "c");
    t.remove();
    EXPECT_EQ(t.text("DataToTrack"), "a") << "after the last row the previous one becomes current";
    t.append();
    t.remove();  // abandons the new row instead of deleting
    EXPECT_EQ(t.recordCount(), 1);
}

TEST_F(TableViewTest, IntegersBeyond32BitsInTheStoreAreRefusedWhenRead)
{
    struct Case {
        int64_t stored;
        const char* message;
    };
    const Case cases[] = {
        {int64_t(1) << 32, "'4294967296' is not a valid integer value"},
        {(int64_t(1) << 32) + 4, "'4294967300' is not a valid integer value"},
        {INT64_MIN, "'-9223372036854775808' is not a valid integer value"},
    };
    TableView& s = data.SettingsTable;
    for (const Case& c : cases) {
        s.setCell("PurgeDays", c.stored);
        s.post();
        try {
            s.integer("PurgeDays", 0);
            ADD_FAILURE() << c.stored << " read as a 32-bit number";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    s.setCell("PurgeDays", int64_t(INT32_MIN));
    s.post();
    EXPECT_EQ(s.integer("PurgeDays", 0), INT32_MIN);
}

TEST_F(TableViewTest, RowsWrittenElsewhereAreSeenAtOnce)
{
    TableView other(data.database(), trackTableDef());
    other.open();
    int notified = 0;
    const int id = other.subscribe([&] { ++notified; });

    data.TrackTable.append();
    data.TrackTable.setText("DataToTrack", "k1");
    data.TrackTable.setCell("DataSent", toIsoText(today()));
    data.TrackTable.post();
    EXPECT_EQ(other.recordCount(), 1);
    EXPECT_EQ(other.text("DataToTrack"), "k1");
    EXPECT_GT(notified, 0);

    data.TrackQuery.open(selectTrackByKey("k1"));
    EXPECT_TRUE(data.TrackQuery.findFirst()) << "a posted row is found by the next statement";

    data.FieldsQuery.execute(deleteAllFields());
    data.TrackQuery.execute(deleteTrackUpTo(addDays(today(), 1)));
    EXPECT_EQ(other.recordCount(), 0);
    EXPECT_TRUE(other.isBlank("DataToTrack"));
    other.unsubscribe(id);
}

TEST_F(TableViewTest, ValuesSurviveReopeningTheStore)
{
    data.SettingsTable.setText("URL", "http://127.0.0.1/form");
    data.SettingsTable.post();
    TDataModule1 again(dir.file("torvane.db"));
    EXPECT_EQ(again.SettingsTable.text("URL"), "http://127.0.0.1/form");
}

TEST(DataModuleTest, AStoreThatCannotBeOpenedNamesTheFileAndTheReason)
{
    test::TempDir dir;
    dir.write("torvane.db", std::string(4096, 'x'));
    try {
        TDataModule1 data(dir.file("torvane.db"));
        ADD_FAILURE() << "a file that is not a store was opened";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(dir.file("torvane.db")), std::string::npos) << message;
        EXPECT_NE(message.find("not a database"), std::string::npos) << message;
    }
    EXPECT_THROW(TDataModule1(dir.file("missing-folder/torvane.db")), Error);
}

}  // namespace
}  // namespace torvane
