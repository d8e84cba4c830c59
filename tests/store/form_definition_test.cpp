#include "store/data_module.h"
#include "store/form_definition.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(FormDefinitionTest, EmptyingRemovesFieldsOptionsAndTrackedFieldsOnly)
{
    test::TempDir dir;
    TDataModule1 data(dir.file("torvane.db"));
    data.SettingsTable.setText("URL", "http://127.0.0.1/x");
    for (const char* f : {"FieldToTrack1", "FieldToTrack2", "FieldToTrack3", "FieldToTrack4"})
        data.SettingsTable.setText(f, "ACCT");
    data.SettingsTable.post();
    data.FieldsTable.append();
    data.FieldsTable.setText("Name", "ACCT");
    data.FieldsTable.post();
    data.SelDataTable.append();
    data.SelDataTable.setText("Name", "STATE");
    data.SelDataTable.post();
    data.TrackTable.append();
    data.TrackTable.setText("DataToTrack", "1001");
    data.TrackTable.post();

    emptyFormDefinition(data);

    TDataModule1 reopened(dir.file("torvane.db"));  // what was saved, not what is pending
    EXPECT_TRUE(reopened.FieldsTable.isEmpty());
    EXPECT_TRUE(reopened.SelDataTable.isEmpty());
    EXPECT_EQ(reopened.TrackTable.recordCount(), 1);
    EXPECT_EQ(reopened.SettingsTable.text("URL"), "http://127.0.0.1/x");
    for (const char* f : {"FieldToTrack1", "FieldToTrack2", "FieldToTrack3", "FieldToTrack4"})
        EXPECT_TRUE(reopened.SettingsTable.isBlank(f)) << f;
}

TEST(FormDefinitionTest, AnEmptyStoreGetsItsSettingsRecord)
{
    test::TempDir dir;
    TDataModule1 data(dir.file("torvane.db"));
    emptyFormDefinition(data);
    EXPECT_EQ(data.SettingsTable.recordCount(), 1);
}

}  // namespace
}  // namespace torvane
