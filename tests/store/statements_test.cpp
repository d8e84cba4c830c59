#include "store/data_module.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

class StatementsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};

    void addOption(const std::string& name, const std::string& value, const std::string& map, bool isDefault)
    {
        TableView& s = data.SelDataTable;
        s.append();
        s.setText("Name", name);
        s.setText("Value", value);
        s.setText("ImportMap", map);
        s.setLogical("DefaultValue", isDefault);
        s.post();
    }
    void addTrack(const std::string& key, Date sent)
    {
        data.TrackTable.append();
        data.TrackTable.setText("DataToTrack", key);
        data.TrackTable.setCell("DataSent", toIsoText(sent));
        data.TrackTable.post();
    }
    std::vector<std::string> values(Query& q, const std::string& field)
    {
        std::vector<std::string> out;
        for (bool ok = q.findFirst(); ok; ok = q.findNext())
            out.push_back(q.text(field));
        return out;
    }
};

TEST_F(StatementsTest, FieldDefinitionsComeInOrderNumOrder)
{
    for (int order : {30, 10, 20}) {
        data.FieldsTable.append();
        data.FieldsTable.setInteger("OrderNum", order);
        data.FieldsTable.setText("Name", "f" + std::to_string(order));
        data.FieldsTable.post();
    }
    data.FieldsQuery.open(selectFieldsInOrder());
    EXPECT_EQ(values(data.FieldsQuery, "Name"), (std::vector<std::string>{"f10", "f20", "f30"}));
}

TEST_F(StatementsTest, CrossWalkMatchesCodesWithoutCaseAndNamesExactly)
{
    addOption("state", "New York", "ny", false);
    addOption("State", "Other", "NY", false);
    addOption("say \"hi\"", "quoted", "a\"b", true);

    struct Case {
        std::string name, code;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"state", "NY", {"New York"}},
        {"state", "Ny", {"New York"}},
        {"STATE", "NY", {}},
        {"state", "", {}},
        {"say \"hi\"", "A\"B", {"quoted"}},
        {"say \"hi", "a\"b", {}},
    };
    for (const Case& c : cases) {
        data.SelDataQuery.open(selectOptionByCode(c.name, c.code));
        EXPECT_EQ(values(data.SelDataQuery, "Value"), c.expected) << c.name << " / " << c.code;
    }
    data.SelDataQuery.open(selectDefaultOption("say \"hi\""));
    EXPECT_EQ(values(data.SelDataQuery, "Value"), std::vector<std::string>{"quoted"});
    data.SelDataQuery.open(selectDefaultOption("state"));
    EXPECT_TRUE(values(data.SelDataQuery, "Value").empty());
}

TEST_F(StatementsTest, TrackingLookupNeverMatchesABlankKey)
{
    addTrack("", today());
    addTrack("k\"1", today());
    data.TrackQuery.open(selectTrackByKey(""));
    EXPECT_FALSE(data.TrackQuery.findFirst());
    data.TrackQuery.open(selectTrackByKey("k\"1"));
    EXPECT_TRUE(data.TrackQuery.findFirst());
}

TEST_F(StatementsTest, PurgeComparesDatesAcrossMonthAndYearEnds)
{
    const Date dates[] = {{2025, 12, 31}, {2026, 1, 1}, {2026, 1, 31}, {2026, 2, 1}, {2026, 10, 2}, {2026, 9, 30}};
    for (const Date& d : dates)
        addTrack(toIsoText(d), d);
    setShortDateFormat("dd/MM/yyyy");  // a day-first locale must not change what is older
    data.TrackQuery.execute(deleteTrackUpTo(Date{2026, 1, 31}));
    setShortDateFormat("MM/dd/yyyy");
    std::vector<std::string> left;
    for (data.TrackTable.first(); data.TrackTable.recNo() >= 0;) {
        left.push_back(data.TrackTable.text("DataToTrack"));
        if (data.TrackTable.recNo() + 1 >= data.TrackTable.recordCount())
            break;
        data.TrackTable.next();
    }
    EXPECT_EQ(left, (std::vector<std::string>{"2026-02-01", "2026-10-02", "2026-09-30"}));
}

TEST_F(StatementsTest, DeletingAllFieldsAndOptionsEmptiesBothTables)
{
    data.FieldsTable.append();
    data.FieldsTable.setText("Name", "a");
    data.FieldsTable.post();
    addOption("a", "1", "x", false);
    EXPECT_EQ(data.FieldsQuery.execute(deleteAllFields()), 1);
    EXPECT_EQ(data.SelDataQuery.execute(deleteAllOptions()), 1);
    EXPECT_TRUE(data.FieldsTable.isEmpty());
    EXPECT_TRUE(data.SelDataTable.isEmpty());
}

}  // namespace
}  // namespace torvane
