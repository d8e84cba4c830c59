// The settings problems of the data check: each mistake alone gives its one line naming the setting or
// field definition, and a sound configuration gives none.
#include "posting/run_settings.h"
#include "posting/settings_check.h"
#include "store/data_module.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;
using Row = std::map<std::string, std::string>;

struct SettingsCase {
    const char* name;
    Row settings;  // replaces the sound value of the same name; "" makes it blank
    std::vector<Row> fields;
    std::vector<Row> options;
    Lines problems;
};

void PrintTo(const SettingsCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsCheck : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsCheck, NamesWhatItConcerns)
{
    const SettingsCase& c = GetParam();
    test::TempDir dir;
    TDataModule1 data(dir.file("torvane.db"));
    Row settings{{"URL", "http://example.com/form"},
                 {"PostType", "post"},
                 {"DataSentText", "thank you"},
                 {"TrackSent", "True"},
                 {"FieldToTrack1", "acct"}};
    for (const auto& [name, value] : c.settings)
        settings[name] = value;
    for (const auto& [name, value] : settings)
        data.SettingsTable.setText(name, value);
    data.SettingsTable.post();
    auto append = [](TableView& table, const Row& row) {
        table.append();
        for (const auto& [name, value] : row)
            table.setText(name, value);
        table.post();
    };
    append(data.FieldsTable, {{"OrderNum", "10"}, {"Name", "acct"}, {"ImportStart", "1"}, {"ImportLength", "4"}});
    for (const Row& f : c.fields)
        append(data.FieldsTable, f);
    for (const Row& o : c.options)
        append(data.SelDataTable, o);

    const RunSettings run = readRunSettings(data.SettingsTable, [](const std::string&) {});
    EXPECT_EQ(settingsProblems(data, run), c.problems);
}

const Row kStateField{{"OrderNum", "20"}, {"Name", "state"}, {"Type", "Select"}, {"ImportStart", "5"},
                      {"ImportLength", "2"}};
Row option(const std::string& value, const std::string& importMap, bool isDefault = false)
{
    return {{"Name", "state"}, {"Value", value}, {"ImportMap", importMap}, {"DefaultValue", isDefault ? "True" : "False"}};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsCheck,
    ::testing::Values(
        SettingsCase{"SoundConfiguration", {}, {kStateField}, {option("NY", "ny", true), option("OH", "oh")}, {}},
        SettingsCase{"RelativeUrl",
                     {{"URL", "/cgi-bin/order.cgi"}},
                     {},
                     {},
                     {"URL \"/cgi-bin/order.cgi\" has no \"://\": a relative address, as a page's ACTION is "
                      "imported, that no request can be sent to"}},
        SettingsCase{"UnknownPostAction",
                     {{"PostType", "Send"}},
                     {},
                     {},
                     {"PostType \"Send\" is not GET, POST or PUT: no request would be sent for any record"}},
        SettingsCase{"PostActionWithALeadingBlank",
                     {{"PostType", " POST"}},
                     {},
                     {},
                     {"PostType \" POST\" is not GET, POST or PUT: no request would be sent for any record"}},
        SettingsCase{"NoConfirmationText",
                     {{"DataSentText", ""}},
                     {},
                     {},
                     {"DataSentText is blank: no record would be confirmed or tracked"}},
        SettingsCase{"TrackedFieldNamesNoDefinition",
                     {{"FieldToTrack1", "ACCT"}, {"FieldToTrack3", "account"}},
                     {},
                     {},
                     {"TrackSent is on but none of FieldToTrack1 to FieldToTrack4 names a field definition: every "
                      "key would be empty and no record would ever be skipped as already sent"}},
        SettingsCase{"TrackedFieldsDoNotMatterWithTrackingOff", {{"TrackSent", "False"}, {"FieldToTrack1", ""}}, {}, {}, {}},
        SettingsCase{"ZeroFieldLengthOnALineField",
                     {},
                     {{{"OrderNum", "30"}, {"Name", "city"}, {"MaxLength", "0"}, {"ImportStart", "7"}},
                      {{"OrderNum", "40"}, {"Name", "hidden"}, {"MaxLength", "0"}, {"DefaultValue", "x"}}},
                     {},
                     {"Field definition 30 (city): MaxLength 0 on a field taken from the line: its value is always "
                      "sent empty"}},
        SettingsCase{"UnknownFormat",
                     {},
                     {{{"OrderNum", "30"}, {"Name", "born"}, {"Format", "MM/DD/YYYY"}, {"ImportStart", "7"}}},
                     {},
                     {"Field definition 30 (born): Format \"MM/DD/YYYY\" is not \"YYYYMMDD To MM/DD/YY\", \"HHMM To "
                      "HH:MM\" or \"HHMM To HH:MM AM/PM\": the value is sent unconverted"}},
        SettingsCase{"APatternIsAFormatAndABrokenOneSaysWhy",
                     {},
                     {{{"OrderNum", "30"}, {"Name", "born"}, {"Format", "MMDDYY To DD.MM.YYYY"}, {"ImportStart", "7"}},
                      {{"OrderNum", "40"}, {"Name", "at"}, {"Format", "HHMM To HH:MM:SS"}, {"ImportStart", "9"}}},
                     {},
                     {"Field definition 40 (at): Format \"HHMM To HH:MM:SS\" is not \"YYYYMMDD To MM/DD/YY\", \"HHMM To "
                      "HH:MM\" or \"HHMM To HH:MM AM/PM\" nor a pattern (every part written after \"To\" must be read "
                      "before it): the value is sent unconverted"}},
        SettingsCase{"SelectWithoutOptionRows",
                     {},
                     {kStateField},
                     {},
                     {"Field definition 20 (state): a select field without option rows: every code is Not Found In "
                      "Cross Walk and the value is sent empty"}},
        SettingsCase{"RadioWithoutOptionRows",
                     {},
                     {{{"OrderNum", "20"}, {"Name", "state"}, {"Type", "radio"}}},
                     {},
                     {"Field definition 20 (state): a radio field without option rows: every code is Not Found In "
                      "Cross Walk and the field is left out"}},
        SettingsCase{"NoOptionRowHasAnImportMap",
                     {},
                     {kStateField},
                     {option("NY", ""), option("OH", "", true)},
                     {"Field definition 20 (state): none of its 2 option rows has an Import Map: every code is Not "
                      "Found In Cross Walk and the default option is sent"}},
        SettingsCase{"TwoDefaultOptions",
                     {},
                     {kStateField},
                     {option("NY", "ny", true), option("OH", "oh", true), option("PA", "pa")},
                     {"Field definition 20 (state): 2 option rows are marked default: the fallback is whichever the "
                      "store returns first"}},
        SettingsCase{"SettingsComeBeforeDefinitions",
                     {{"DataSentText", ""}, {"FieldToTrack1", "x"}},
                     {{{"OrderNum", "30"}, {"Name", "born"}, {"Format", "yymmdd"}}},
                     {},
                     {"DataSentText is blank: no record would be confirmed or tracked",
                      "TrackSent is on but none of FieldToTrack1 to FieldToTrack4 names a field definition: every "
                      "key would be empty and no record would ever be skipped as already sent",
                      "Field definition 30 (born): Format \"yymmdd\" is not \"YYYYMMDD To MM/DD/YY\", \"HHMM To "
                      "HH:MM\" or \"HHMM To HH:MM AM/PM\": the value is sent unconverted"}}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane
