// What one definition would send for one line: the run's trimming, formats, Field Length, overflow and
// cross walk, the check's findings for that field only, the whole data string, and the definitions
// taken in the run's order with the pending edit of the current row.
#include "posting/field_preview.h"

#include "store/data_module.h"
#include "store/statements.h"
#include "util/error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

namespace torvane {
namespace {

using Row = std::map<std::string, std::string>;
using Lines = std::vector<std::string>;

struct PreviewStore {
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};

    void append(TableView& table, const Row& values)
    {
        table.append();
        for (const auto& [name, value] : values)
            table.setText(name, value);
        table.post();
    }
};

struct PreviewCase {
    const char* name;
    std::vector<Row> fields;
    std::vector<Row> options;
    std::string line;
    size_t current;  // in the run's order
    bool makesEntry;
    std::string value;
    Lines warnings;
    Lines dataString;
    bool complete = true;
};

const std::vector<Row> kTwoFields = {
    {{"OrderNum", "10"}, {"Name", "order"}, {"ImportStart", "1"}, {"ImportLength", "8"}},
    {{"OrderNum", "20"}, {"Name", "name"}, {"ImportStart", "9"}, {"ImportLength", "10"}},
};

const PreviewCase kCases[] = {
    {"trimmed value from its columns", kTwoFields, {}, "M4120001  Kowalski ", 1, true, "Kowalski", {},
     {"order=M4120001", "name=Kowalski"}},
    {"the date format",
     {{{"OrderNum", "1"}, {"Name", "shipdate"}, {"ImportStart", "1"}, {"ImportLength", "8"},
       {"Format", "YYYYMMDD To MM/DD/YY"}}},
     {}, "20261202", 0, true, "12/02/26", {}, {"shipdate=12/02/26"}},
    {"the time format with AM/PM",
     {{{"OrderNum", "1"}, {"Name", "at"}, {"ImportStart", "1"}, {"ImportLength", "4"},
       {"Format", "HHMM To HH:MM AM/PM"}}},
     {}, "1530", 0, true, "03:30PM", {}, {"at=03:30PM"}},
    {"Field Length with Fill Next Field carries the rest on",
     {{{"OrderNum", "1"}, {"Name", "address1"}, {"ImportStart", "1"}, {"ImportLength", "12"}, {"MaxLength", "6"},
       {"Overflow", "True"}},
      {{"OrderNum", "2"}, {"Name", "address2"}, {"MaxLength", "20"}}},
     {}, "8 Water Street", 1, true, "r Stre", {}, {"address1=8 Wate", "address2=r Stre"}},
    {"Field Length without Fill Next Field is a finding",
     {{{"OrderNum", "1"}, {"Name", "city"}, {"ImportStart", "1"}, {"ImportLength", "14"}, {"MaxLength", "8"}}},
     {}, "Traverse City", 0, true, "Traverse",
     {"city cut to MaxLength 8 without Fill Next Field: \"Traverse City\" is sent as \"Traverse\""},
     {"city=Traverse"}},
    {"the cross walk translates the export's code",
     {{{"OrderNum", "1"}, {"Name", "ship"}, {"Type", "select"}, {"ImportStart", "1"}, {"ImportLength", "3"}}},
     {{{"Name", "ship"}, {"OrderNum", "1"}, {"Value", "overnight"}, {"ImportMap", "OVN"}},
      {{"Name", "ship"}, {"OrderNum", "2"}, {"Value", "ground"}, {"ImportMap", "GRD"}, {"DefaultValue", "True"}}},
     "OVN", 0, true, "overnight", {}, {"ship=overnight"}},
    {"a code the cross walk lacks: the run's warning and the default option",
     {{{"OrderNum", "1"}, {"Name", "ship"}, {"Type", "SELECT"}, {"ImportStart", "1"}, {"ImportLength", "3"}}},
     {{{"Name", "ship"}, {"OrderNum", "1"}, {"Value", "overnight"}, {"ImportMap", "OVN"}},
      {{"Name", "ship"}, {"OrderNum", "2"}, {"Value", "ground"}, {"ImportMap", "GRD"}, {"DefaultValue", "True"}}},
     "XXX", 0, true, "ground", {"WARNING ship Not Found In Cross Walk. (XXX)"}, {"ship=ground"}},
    {"a radio group with nothing chosen makes no entry",
     {{{"OrderNum", "1"}, {"Name", "gift"}, {"Type", "radio"}, {"ImportStart", "1"}, {"ImportLength", "1"}},
      {{"OrderNum", "2"}, {"Name", "next"}, {"ImportStart", "2"}, {"ImportLength", "1"}}},
     {}, "Yx", 0, false, "", {"WARNING gift Not Found In Cross Walk. (Y)"}, {"next=x"}},
    {"a missing required value refuses the record",
     {{{"OrderNum", "1"}, {"Name", "zip"}, {"Required", "True"}, {"ImportStart", "5"}, {"ImportLength", "5"}}},
     {}, "abcd     ", 0, true, "", {"zip Required: the record would be refused"}, {"zip="}, false},
    {"a start beyond the end of the line",
     {{{"OrderNum", "1"}, {"Name", "far"}, {"ImportStart", "40"}, {"ImportLength", "2"}}},
     {}, "short", 0, true, "", {"far starts at column 40, beyond the end of the line (5 columns)"}, {"far="}},
    {"a conversion that fails in another field hides nothing of this one",
     {{{"OrderNum", "1"}, {"Name", "at"}, {"ImportStart", "1"}, {"ImportLength", "4"},
       {"Format", "HHMM To HH:MM AM/PM"}},
      {{"OrderNum", "2"}, {"Name", "name"}, {"ImportStart", "5"}, {"ImportLength", "3"}}},
     {}, "ab12Ann", 1, true, "Ann", {}, {"at=ab12", "name=Ann"}},
    {"the findings of the field looked at, not of the others",
     {{{"OrderNum", "1"}, {"Name", "far"}, {"ImportStart", "40"}, {"ImportLength", "2"}},
      {{"OrderNum", "2"}, {"Name", "near"}, {"ImportStart", "1"}, {"ImportLength", "2"}}},
     {}, "ok", 1, true, "ok", {}, {"far=", "near=ok"}},
    {"a default value for a field not in the line",
     {{{"OrderNum", "1"}, {"Name", "formid"}, {"DefaultValue", "ORD-2"}}}, {}, "anything", 0, true, "ORD-2", {},
     {"formid=ORD-2"}},
};

class FieldPreviewCases : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(FieldPreviewCases, AsTheRunWouldSendIt)
{
    const PreviewCase& c = GetParam();
    PreviewStore store;
    for (const Row& f : c.fields)
        store.append(store.data.FieldsTable, f);
    for (const Row& o : c.options)
        store.append(store.data.SelDataTable, o);
    const OrderedDefinitions ordered = definitionsInRunOrder(store.data.FieldsTable);
    const FieldPreview preview = previewField(store.data, ordered.fields, c.current, c.line);
    EXPECT_EQ(preview.makesEntry, c.makesEntry);
    EXPECT_EQ(preview.value, c.value);
    EXPECT_EQ(preview.warnings, c.warnings);
    EXPECT_EQ(preview.dataString, c.dataString);
    EXPECT_EQ(preview.recordComplete, c.complete);
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldPreviewCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PreviewCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(FieldPreviewTest, TheFormsEncodingAndCharacterColumnsOfTheSettings)
{
    PreviewStore store;
    TableView& settings = store.data.SettingsTable;
    settings.setText("ColumnsIn", "Characters");
    settings.setText("ExportEncoding", "UTF-8");
    settings.setText("FormEncoding", "ISO-8859-1");
    settings.post();
    store.append(store.data.FieldsTable, {{"OrderNum", "1"}, {"Name", "name"}, {"ImportStart", "2"},
                                          {"ImportLength", "3"}});
    const OrderedDefinitions ordered = definitionsInRunOrder(store.data.FieldsTable);
    // Columns 2 to 4 are characters; the entry goes to the form in its encoding, the value stays as read.
    const FieldPreview preview = previewField(store.data, ordered.fields, 0, "\xC3\x84\xC3\x96\xC3\x9C\xE2\x82\xAC!");
    EXPECT_EQ(preview.value, "\xC3\x96\xC3\x9C\xE2\x82\xAC");
    EXPECT_EQ(preview.dataString, Lines{"name=\xD6\xDC?"});
    EXPECT_EQ(preview.warnings, Lines{"WARNING name Has Characters Not In ISO-8859-1"});
}

TEST(FieldPreviewTest, AnUnknownEncodingIsTheSettingsError)
{
    PreviewStore store;
    store.data.SettingsTable.setText("ExportEncoding", "no-such-encoding");
    store.append(store.data.FieldsTable, {{"OrderNum", "1"}, {"Name", "a"}});
    const OrderedDefinitions ordered = definitionsInRunOrder(store.data.FieldsTable);
    EXPECT_THROW(previewField(store.data, ordered.fields, 0, "x"), Error);
}

TEST(DefinitionsInRunOrderTest, OrderNumBlankFirstThenRowsAndThePendingEdit)
{
    PreviewStore store;
    TableView& fields = store.data.FieldsTable;
    store.append(fields, {{"OrderNum", "20"}, {"Name", "b"}});
    store.append(fields, {{"Name", "blank"}});
    store.append(fields, {{"OrderNum", "10"}, {"Name", "a"}});
    store.append(fields, {{"OrderNum", "20"}, {"Name", "b2"}});
    store.append(fields, {{"OrderNum", "-5"}, {"Name", "negative"}});
    // The current row (the last) is being edited: its pending values count.
    fields.setText("ImportStart", "9");
    fields.setText("ImportLength", "10");

    const OrderedDefinitions ordered = definitionsInRunOrder(fields);
    std::vector<std::string> names;
    for (const FieldSettings& f : ordered.fields)
        names.push_back(f.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"blank", "negative", "a", "b", "b2"}));
    EXPECT_EQ(ordered.rows, (std::vector<int>{1, 4, 2, 0, 3}));
    EXPECT_EQ(ordered.fields[1].ImportStart, 9);
    EXPECT_EQ(ordered.fields[1].ImportLength, 10);
    EXPECT_EQ(fields.state(), TableView::State::Edit) << "looking does not save";

    // The order the run's statement gives, once saved.
    fields.post();
    Query query(store.data.database());
    query.open(selectFieldsInOrder());
    std::vector<std::string> run;
    for (bool found = query.findFirst(); found; found = query.findNext())
        run.push_back(query.text("Name"));
    EXPECT_EQ(run, names);
}

}  // namespace
}  // namespace torvane
