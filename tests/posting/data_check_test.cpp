// The data check over a store and export file of its own: what each kind of record problem reports,
// the counts of the summary, the run's abort messages, and that the check leaves everything as it was.
#include "posting/data_check.h"
#include "store/data_module.h"
#include "store/ledger.h"
#include "support/temp_dir.h"
#include "util/dates.h"

#include "support/store_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;
using test::Row;

struct CheckStore {
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};

    void settings(const Row& values) { test::setRow(data.SettingsTable, values); }
    void append(TableView& table, const Row& values) { test::appendRow(table, values); }
    Lines check(CheckResult& result, CheckOptions options = {})
    {
        Lines lines;
        result = runDataCheck(data, [&lines](const std::string& l) { lines.push_back(l); }, options);
        return lines;
    }
    int64_t count(const std::string& table)
    {
        return std::get<int64_t>(data.database().query("SELECT count(*) FROM " + table)[0][0]);
    }
};

struct RecordCase {
    const char* name;
    Row settings;  // on top of a URL, POST, a confirmation text and the export file
    std::vector<Row> fields;
    std::vector<Row> options;
    std::string exportText;
    Lines report;  // without the summary
    CheckCounts counts;
    int64_t limit = -1;
    bool onlyInformation = false;  // the report tells, but finds no problem
};

void PrintTo(const RecordCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string summaryOf(const CheckCounts& c)
{
    return checkSummaryLine(c);
}

class DataCheckRecords : public ::testing::TestWithParam<RecordCase> {};

TEST_P(DataCheckRecords, ReportsEachProblemOnItsLine)
{
    const RecordCase& c = GetParam();
    CheckStore store;
    store.dir.write("export.txt", c.exportText);
    store.settings({{"URL", "http://127.0.0.1:9/form"},
                    {"PostType", "POST"},
                    {"DataSentText", "thank you"},
                    {"ImportData", store.dir.file("export.txt")}});
    store.settings(c.settings);
    for (const Row& f : c.fields)
        store.append(store.data.FieldsTable, f);
    for (const Row& o : c.options)
        store.append(store.data.SelDataTable, o);

    Lines expected = c.report;
    expected.push_back(summaryOf(c.counts));
    // Read from one snapshot (the companion) or statement by statement (the window): the same report.
    for (const bool snapshot : {false, true}) {
        SCOPED_TRACE(snapshot ? "snapshot" : "no snapshot");
        CheckOptions options;
        options.limit = c.limit;
        options.snapshot = snapshot;
        CheckResult result;
        EXPECT_EQ(store.check(result, options), expected);
        EXPECT_EQ(result.verdict,
                  c.report.empty() || c.onlyInformation ? CheckVerdict::Clean : CheckVerdict::ProblemsFound);
        EXPECT_EQ(checkSummaryLine(result.counts), summaryOf(c.counts));
    }
}

Row field(const std::string& order, const std::string& name, const std::string& start, const std::string& length,
          Row more = {})
{
    more["OrderNum"] = order;
    more["Name"] = name;
    more["Type"] = more.count("Type") ? more["Type"] : "text";
    more["ImportStart"] = start;
    more["ImportLength"] = length;
    return more;
}

const Row kTracked{{"TrackSent", "True"}, {"FieldToTrack1", "acct"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, DataCheckRecords,
    ::testing::Values(
        RecordCase{"CleanRecordGivesTheSummaryAlone", {}, {field("10", "acct", "1", "4")}, {}, "1001\n", {},
                   {1, 1, 0, 0, 0}},
        RecordCase{"FailedTimeConversionIsReportedAndTheRecordGoesOn",
                   {},
                   {field("10", "t", "1", "4", {{"Format", "HHMM To HH:MM AM/PM"}}),
                    field("20", "zip", "6", "5", {{"Required", "True"}})},
                   {},
                   "2x30      \n0930 12345\n",
                   {"Line 1 (record 1, key ): '2x' is not a valid integer value: the run would end here (t, Format "
                    "\"HHMM To HH:MM AM/PM\")",
                    "Line 1 (record 1, key ): zip Required: the record would be refused"},
                   {2, 1, 1, 0, 1}},
        RecordCase{"CodeNotInTheCrossWalkGivesTheRunsWarning",
                   {},
                   {field("10", "color", "1", "1", {{"Type", "Select"}})},
                   {{{"Name", "color"}, {"Value", "r"}, {"ImportMap", "R"}}},
                   "R\nX\n",
                   {"Line 2 (record 2, key ): WARNING color Not Found In Cross Walk. (X)"},
                   {2, 2, 0, 0, 1}},
        RecordCase{"ValueCutWithoutFillNextFieldShowsBeforeAndAfter",
                   {},
                   {field("10", "first", "1", "10", {{"MaxLength", "4"}, {"Overflow", "True"}}),
                    field("20", "rest", "0", "0", {{"MaxLength", "3"}}),
                    field("30", "city", "12", "10", {{"MaxLength", "5"}})},
                   {},
                   "JOHN SMITH SPRINGFIELD\nANN        TROY\n",
                   {"Line 1 (record 1, key ): rest cut to MaxLength 3 without Fill Next Field: \"SMITH\" is sent as "
                    "\"SMI\"",
                    "Line 1 (record 1, key ): city cut to MaxLength 5 without Fill Next Field: \"SPRINGFIEL\" is "
                    "sent as \"SPRIN\""},
                   {2, 2, 0, 0, 1}},
        RecordCase{"ColumnsBeyondTheEndCountCharactersWhenTheRunDoes",
                   {{"ExportEncoding", "utf-8"}, {"ColumnsIn", "Characters"}},
                   {field("10", "a", "1", "2"), field("20", "b", "4", "1")},
                   {},
                   "\xC3\xA9\xC3\xA9\n\xC3\xA9\xC3\xA9xy\n",
                   {"Line 1 (record 1, key ): b starts at column 4, beyond the end of the line (2 columns)"},
                   {2, 2, 0, 0, 1}},
        RecordCase{"BytesNotValidInTheExportEncoding",
                   {{"ExportEncoding", "windows-1252"}},
                   {field("10", "name", "1", "10")},
                   {},
                   "ab\x81"
                   "c\nabc\n",
                   {"Line 1 (record 1, key ): name holds bytes not valid in windows-1252 (the first, 0x81, at byte "
                    "3)"},
                   {2, 2, 0, 0, 1}},
        RecordCase{"CharacterTheFormLacksGivesTheRunsWarning",
                   {{"ExportEncoding", "utf-8"}, {"FormEncoding", "ascii"}},
                   {field("10", "name", "1", "10")},
                   {},
                   "Jos\xC3\xA9\n",
                   {"Line 1 (record 1, key ): WARNING name Has Characters Not In ascii"},
                   {1, 1, 0, 0, 1}},
        RecordCase{"KeyRepeatedWithinTheFileNamesTheFirstLine",
                   kTracked,
                   {field("10", "acct", "1", "4")},
                   {},
                   "1001\n1002\n1001\n",
                   {"Line 3 (record 3, key 1001): the key is repeated: first on line 1, this one is skipped as "
                    "already sent if that one is accepted"},
                   {3, 3, 0, 0, 1}},
        RecordCase{"SkippedLinesCountInTheLineNumber",
                   {{"LinesToRead", "2"}},
                   {field("10", "zip", "1", "5", {{"Required", "True"}})},
                   {},
                   "HEADER\nHEADER\n12345\n\n",
                   {"Line 4 (record 2, key ): zip starts at column 1, beyond the end of the line (0 columns)",
                    "Line 4 (record 2, key ): zip Required: the record would be refused"},
                   {2, 1, 1, 0, 1}},
        RecordCase{"ImpossibleDatesForPatternsAndNamedFormats",
                   {},
                   {field("10", "due", "1", "8", {{"Format", "YYYYMMDD To YYYY-MM-DD"}}),
                    field("20", "old", "1", "8", {{"Format", "YYYYMMDD To MM/DD/YY"}}),
                    field("30", "at", "10", "4", {{"Format", "HHMM To HH:MM"}})},
                   {},
                   "20261341 2460\n20260101 0930\n",
                   {"Line 1 (record 1, key ): due \"20261341\" is no real date for Format \"YYYYMMDD To YYYY-MM-DD\": "
                    "the record would be refused",
                    "Line 1 (record 1, key ): old \"20261341\" is no real date for Format \"YYYYMMDD To MM/DD/YY\": "
                    "it is sent as \"13/41/26\"",
                    "Line 1 (record 1, key ): at \"2460\" is no real time for Format \"HHMM To HH:MM\": it is sent "
                    "as \"24:60\""},
                   {2, 1, 1, 0, 1}},
        RecordCase{"ACheckBoxCodeMatchingNothingIsSentUnticked",
                   {},
                   {field("10", "gift", "1", "1", {{"Type", "checkbox"}})},
                   {{{"Name", "gift"}, {"Value", "on"}, {"ImportMap", "Y"}}},
                   "Y\nN\n",
                   {"Line 2 (record 2, key ): gift code \"N\" matches none of its option rows: the box is sent "
                    "unticked"},
                   {2, 2, 0, 0, 0},
                   -1,
                   true},
        RecordCase{"AMissingFileRefusesAMultipartRecord",
                   {{"Content", "multipart/form-data"}},
                   {field("10", "upload", "1", "30", {{"Type", "file"}, {"MaxLength", "40"}})},
                   {},
                   "/nonexistent/scan.pdf\n",
                   {"Line 1 (record 1, key ): upload names a file that is not there: /nonexistent/scan.pdf (the "
                    "record would be refused)"},
                   {1, 0, 1, 0, 0}},
        RecordCase{"AMissingFileOfAnotherContentTypeIsAWarning",
                   {},
                   {field("10", "upload", "1", "30", {{"Type", "FILE"}, {"MaxLength", "40"}})},
                   {},
                   "/nonexistent/scan.pdf\n",
                   {"Line 1 (record 1, key ): upload names a file that is not there: /nonexistent/scan.pdf (only its "
                    "path is sent: the form is not multipart)"},
                   {1, 1, 0, 0, 1}},
        RecordCase{"AFieldNameThatWouldBreakTheBodyIsSaidOnce",
                   {},
                   {field("10", "Customer Name", "1", "3"), field("20", "order[no]", "1", "3")},
                   {},
                   "Ann\nBob\n",
                   {"Field name \"Customer Name\" holds bytes that would break the body: it is sent as "
                    "\"Customer+Name\""},
                   {2, 2, 0, 0, 0}},
        RecordCase{"LimitStopsAfterThatManyRecords",
                   {},
                   {field("10", "zip", "1", "5", {{"Required", "True"}})},
                   {},
                   "12345\n12345\n\n",
                   {},
                   {2, 2, 0, 0, 0},
                   2}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(DataCheckTest, TrackedAndInDoubtKeysAreReportedWithTheRunsMessagesAndNothingIsWritten)
{
    CheckStore store;
    store.dir.write("export.txt", "1001\n1002\n1003\n");
    store.settings({{"URL", "http://127.0.0.1:9/form"},
                    {"PostType", "POST"},
                    {"DataSentText", "thank you"},
                    {"ImportData", store.dir.file("export.txt")},
                    {"DeleteFile", "True"},
                    {"ViewDiag", "True"},
                    {"PurgeDays", "0"}});
    store.settings(kTracked);
    store.append(store.data.FieldsTable, field("10", "acct", "1", "4"));
    store.data.TrackTable.append();
    store.data.TrackTable.setText("DataToTrack", "1001");
    store.data.TrackTable.setCell("DataSent", toIsoText(today()));
    store.data.TrackTable.post();
    DeliveryLedger ledger(store.data.database());
    const int64_t run = ledger.beginRun("export.txt");
    ledger.finishDelivery(ledger.beginDelivery(run, 2, 2, "1002", true), DeliveryState::InDoubt);
    ledger.endRun(run, runoutcome::kFailed, {});
    const auto before = std::make_tuple(store.count("track"), store.count("runs"), store.count("deliveries"));

    for (const bool snapshot : {false, true}) {
        CheckOptions options;
        options.snapshot = snapshot;
        CheckResult result;
        const std::string day = formatShortDate(today());
        EXPECT_EQ(store.check(result, options),
                  (Lines{"Line 1 (record 1, key 1001): Data For 1001 Sent On " + day + ", Data Not Sent.",
                         "Line 2 (record 2, key 1002): Data For 1002 May Have Been Sent On " + day + ", Data Not Sent.",
                         "Checked 3 records: 1 would be sent, 0 refused for missing fields, 1 already sent, 1 with "
                         "warnings"}));
        EXPECT_EQ(result.verdict, CheckVerdict::ProblemsFound);
        EXPECT_EQ(std::make_tuple(store.count("track"), store.count("runs"), store.count("deliveries")), before);
        EXPECT_TRUE(std::filesystem::exists(store.dir.file("export.txt")));
    }
}

struct AbortCase {
    const char* name;
    Row settings;
    Lines report;
};

void PrintTo(const AbortCase& c, std::ostream* os)
{
    *os << c.name;
}

class DataCheckAborts : public ::testing::TestWithParam<AbortCase> {};

TEST_P(DataCheckAborts, GiveTheRunsMessagesAndNoRecords)
{
    CheckStore store;
    store.dir.write("export.txt", "1001\n");
    store.settings({{"DataSentText", "thank you"}});
    Row settings = GetParam().settings;
    if (settings.count("ImportData") && settings["ImportData"] == "export.txt")
        settings["ImportData"] = store.dir.file("export.txt");
    store.settings(settings);
    CheckResult result;
    EXPECT_EQ(store.check(result), GetParam().report);
    EXPECT_EQ(result.verdict, CheckVerdict::RunWouldAbort);
    EXPECT_EQ(result.counts.records, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataCheckAborts,
    ::testing::Values(
        AbortCase{"NoUrlNoPostType", {}, {"Posting Aborted, No URL Defined.", "Positng Aborted, Post Action Not Defined"}},
        AbortCase{"NoImportFile",
                  {{"URL", "http://h/"}, {"PostType", "GET"}},
                  {"Posting Aborted, No Import File Name Defined"}},
        AbortCase{"ExportFileMissing",
                  {{"URL", "http://h/"}, {"PostType", "GET"}, {"ImportData", "/nonexistent/export.txt"}},
                  {"Export File Could Not Be Found"}},
        AbortCase{"UnknownEncodingEndsTheRunBeforeItsFirstRecord",
                  {{"URL", "http://h/"}, {"PostType", "GET"}, {"ImportData", "export.txt"}, {"FormEncoding", "latin-99"}},
                  {"'latin-99' is not a known character encoding"}}),
    [](const ::testing::TestParamInfo<AbortCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

TEST(DataCheckTest, TheDataOfAMultipartFormShowsFilePartsAsTheTrafficLogDoes)
{
    CheckStore store;
    store.dir.write("export.txt", "Ann photo.png\n");
    store.dir.write("photo.png", std::string(5000, 'p'));
    store.settings({{"URL", "http://127.0.0.1:9/form"},
                    {"PostType", "POST"},
                    {"Content", "multipart/form-data"},
                    {"DataSentText", "thank you"},
                    {"ImportData", store.dir.file("export.txt")}});
    store.append(store.data.FieldsTable, field("10", "name", "1", "3"));
    store.append(store.data.FieldsTable, field("20", "photo", "5", "9", {{"Type", "file"}}));
    CheckOptions options;
    options.showData = true;
    CheckResult result;
    const Lines lines = store.check(result, options);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("Request for line 1 (record 1, key ): POST http://127.0.0.1:9/form, "), std::string::npos);
    const std::string& body = lines[1];
    const std::string boundary = body.substr(0, body.find("\r\n"));
    const size_t wire = std::stoul(lines[0].substr(lines[0].rfind(", ") + 2));
    EXPECT_EQ(wire, body.size() - std::string("[5000 bytes of photo.png]").size() + 5000);
    EXPECT_EQ(body, boundary + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\nAnn\r\n" + boundary +
                        "\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"photo.png\"\r\n"
                        "Content-Type: image/png\r\n\r\n[5000 bytes of photo.png]\r\n" + boundary + "--\r\n");
}

}  // namespace
}  // namespace torvane
