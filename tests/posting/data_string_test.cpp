#include "posting/posting_engine.h"
#include "store/form_definition.h"

#include "support/engine_bench.h"
#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <optional>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

// One row of the field definitions; unset optionals stay blank.
struct FieldRow {
    // Written out as a definition row is, left to right; what is left out is as a new row has it.
    FieldRow(std::string name, std::string type = "TEXT", std::optional<int32_t> start = {},
             std::optional<int32_t> length = {}, std::optional<int32_t> maxLength = {}, bool overflow = false,
             bool required = false, std::string defaultValue = {}, std::string format = {},
             std::optional<bool> zeroValid = {}, std::optional<int32_t> orderNum = {})
        : name(std::move(name)), type(std::move(type)), start(start), length(length), maxLength(maxLength),
          overflow(overflow), required(required), defaultValue(std::move(defaultValue)), format(std::move(format)),
          zeroValid(zeroValid), orderNum(orderNum)
    {
    }

    std::string name;
    std::string type;
    std::optional<int32_t> start, length, maxLength;
    bool overflow;
    bool required;
    std::string defaultValue;
    std::string format;
    std::optional<bool> zeroValid;
    std::optional<int32_t> orderNum;

    FieldRow req() const { FieldRow f = *this; f.required = true; return f; }
    FieldRow zero(bool valid) const { FieldRow f = *this; f.zeroValid = valid; return f; }
    FieldRow def(const std::string& v) const { FieldRow f = *this; f.defaultValue = v; return f; }
    FieldRow fmt(const std::string& v) const { FieldRow f = *this; f.format = v; return f; }
    FieldRow order(int32_t n) const { FieldRow f = *this; f.orderNum = n; return f; }
};

// One option row of the cross walk; a blank default flag is not a default.
struct OptionRow {
    OptionRow(std::string name, std::string value, std::string importMap, std::optional<bool> isDefault = {})
        : name(std::move(name)), value(std::move(value)), importMap(std::move(importMap)), isDefault(isDefault)
    {
    }

    std::string name, value, importMap;
    std::optional<bool> isDefault;
};

struct Bench : test::EngineBench {
    int32_t nextOrder = 10;

    void addField(const FieldRow& f)
    {
        TableView& t = data.FieldsTable;
        t.append();
        t.setInteger("OrderNum", f.orderNum.value_or(nextOrder));
        nextOrder += 10;
        t.setText("Name", f.name);
        t.setText("Type", f.type);
        if (f.start)
            t.setInteger("ImportStart", *f.start);
        if (f.length)
            t.setInteger("ImportLength", *f.length);
        if (f.maxLength)
            t.setInteger("MaxLength", *f.maxLength);
        t.setLogical("Overflow", f.overflow);
        t.setLogical("Required", f.required);
        t.setText("DefaultValue", f.defaultValue);
        t.setText("Format", f.format);
        if (f.zeroValid)
            t.setLogical("ZeroValid", *f.zeroValid);
        t.post();
    }

    void addOption(const OptionRow& o)
    {
        TableView& t = data.SelDataTable;
        t.append();
        t.setText("Name", o.name);
        t.setText("Value", o.value);
        t.setText("ImportMap", o.importMap);
        if (o.isDefault)
            t.setLogical("DefaultValue", *o.isDefault);
        t.post();
    }

    void setUp(const std::vector<FieldRow>& fields, const std::vector<OptionRow>& options = {})
    {
        for (const FieldRow& f : fields)
            addField(f);
        for (const OptionRow& o : options)
            addOption(o);
    }
};

const OptionRow kStates[] = {
    {"STATE", "New York ", "NY", false},
    {"STATE", "California", "ca", std::nullopt},
};

struct CrossWalkCase {
    const char* what;
    std::vector<FieldRow> fields;
    std::vector<OptionRow> options;
    std::string line;
    Lines data;
    Lines warnings;
};

TEST(MakeDataStringTest, CrossWalkTranslatesSelectAndRadioValues)
{
    const std::vector<OptionRow> states(std::begin(kStates), std::end(kStates));
    std::vector<OptionRow> withDefault = states;
    withDefault.push_back({"STATE", " Unknown ", "--", true});
    const std::string warnXX = "     WARNING STATE Not Found In Cross Walk. (XX)";

    const CrossWalkCase cases[] = {
        {"found: the option's value, trimmed", {{"STATE", "SELECT", 1, 2}}, states, "NY", {"STATE=New York"}, {}},
        {"import map compared without regard to case", {{"STATE", "SELECT", 1, 2}}, states, "ny",
         {"STATE=New York"}, {}},
        {"lower-case map matches an upper-case code", {{"STATE", "Select", 1, 2}}, states, "CA",
         {"STATE=California"}, {}},
        {"missing code falls back to the default option", {{"STATE", "SELECT", 1, 2}}, withDefault, "XX",
         {"STATE=Unknown"}, {warnXX}},
        {"missing code without a default option is empty", {{"STATE", "SELECT", 1, 2}}, states, "XX",
         {"STATE="}, {warnXX}},
        {"empty code is looked up and warned about", {{"STATE", "SELECT", 1, 2}}, states, "  ",
         {"STATE="}, {"     WARNING STATE Not Found In Cross Walk. ()"}},
        {"radio found", {{"PAY", "radio", 1, 1}}, {{"PAY", "card", "C"}, {"PAY", "cash", "K"}}, "k",
         {"PAY=cash"}, {}},
        {"radio group without a value is left out",
         {{"A", "TEXT", 2, 1}, {"PAY", "RADIO", 1, 1}},
         {{"PAY", "card", "C"}},
         "XY",
         {"A=Y"},
         {"     WARNING PAY Not Found In Cross Walk. (X)"}},
        {"radio whose option has a blank value is left out", {{"PAY", "RADIO", 1, 1}}, {{"PAY", "", "C"}}, "C",
         {}, {}},
        {"select whose option has a blank value is sent empty", {{"S", "SELECT", 1, 1}}, {{"S", "", "C"}}, "C",
         {"S="}, {}},
        {"option names match with case", {{"Color", "SELECT", 1, 1}}, {{"color", "red", "R"}}, "R", {"Color="},
         {"     WARNING Color Not Found In Cross Walk. (R)"}},
        {"double quotes in names and codes",
         {{"A\"B", "SELECT", 1, 3}},
         {{"A\"B", "quoted", "\"X\""}, {"A", "wrong", "\"X\""}},
         "\"x\"",
         {"A\"B=quoted"},
         {}},
        {"other types bypass the cross walk", {{"STATE", "TEXT", 1, 2}}, states, "NY", {"STATE=NY"}, {}},
        {"default value goes through the cross walk", {FieldRow{"STATE", "SELECT"}.def("ca")}, states, "",
         {"STATE=California"}, {}},
        {"blank name gives no entry", {{"", "TEXT", 1, 2}, {"B", "TEXT", 3, 1}}, {}, "NY!", {"B=!"}, {}},
        {"no field definitions", {}, {}, "anything", {}, {}},
        {"OrderNum decides the order",
         {FieldRow{"LAST", "TEXT", 1, 1}.order(20), FieldRow{"FIRST", "TEXT", 2, 1}.order(10)},
         {},
         "LF",
         {"FIRST=F", "LAST=L"},
         {}},
        {"repeated names give repeated entries", {{"N", "TEXT", 1, 1}, {"N", "TEXT", 2, 1}}, {}, "ab",
         {"N=a", "N=b"}, {}},
        {"check box ticked: its option's value", {{"gift_wrap", "checkbox", 1, 1}}, {{"gift_wrap", "on", "Y"}}, "y",
         {"gift_wrap=on"}, {}},
        {"check box unticked: no entry and no warning",
         {{"gift_wrap", "CheckBox", 1, 1}, {"B", "TEXT", 2, 1}},
         {{"gift_wrap", "on", "Y"}, {"gift_wrap", "yes", "", true}},
         "N!",
         {"B=!"},
         {}},
        {"check box whose option is not yet mapped sends nothing", {{"K", "checkbox", 1, 1}}, {{"K", "on", ""}},
         " ", {}, {}},
        {"check box without option rows is sent as it always was", {{"K", "checkbox", 1, 1}}, {}, "N", {"K=N"}, {}},
    };
    for (const CrossWalkCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.setUp(c.fields, c.options);
        b.engine.MakeDataString(c.line);
        EXPECT_EQ(b.engine.DataList, c.data);
        EXPECT_EQ(b.engine.WarningList, c.warnings);
        EXPECT_TRUE(b.engine.RecordComplete);
        EXPECT_TRUE(b.engine.RequiredList.empty());
    }
}

struct EncodingCase {
    const char* what;
    const char* exportEncoding;
    const char* formEncoding;
    const char* columnsIn;
    std::vector<FieldRow> fields;
    std::vector<OptionRow> options;
    std::string line;
    Lines data;
    Lines warnings;
    std::string trackKey;
};

TEST(MakeDataStringTest, ValuesAreConvertedToTheFormsEncodingAsTheyJoinTheDataString)
{
    const std::string notIn = "     WARNING NAME Has Characters Not In ";
    const EncodingCase cases[] = {
        {"windows-1252 to UTF-8", "windows-1252", "utf-8", "", {{"NAME", "TEXT", 1, 6}, {"CITY", "TEXT", 7, 4}},
         {}, "M\xFCllerCaf\xE9", {"NAME=M\xC3\xBCller", "CITY=Caf\xC3\xA9"}, {}, "M\xFCller"},
        {"blank settings send the bytes as they are", "", "", "", {{"NAME", "TEXT", 1, 6}}, {}, "M\xFCller",
         {"NAME=M\xFCller"}, {}, "M\xFCller"},
        {"one encoding alone converts nothing", "windows-1252", "", "", {{"NAME", "TEXT", 1, 6}}, {},
         "M\xFCller", {"NAME=M\xFCller"}, {}, "M\xFCller"},
        {"a character the form lacks is sent as ? with a warning", "utf-8", "iso-8859-1", "",
         {{"NAME", "TEXT", 1, 20}}, {}, "Z\xC3\xBC\xE2\x82\xAC\xE6\x9D\xB1!", {"NAME=Z\xFC?" "?!"},
         {notIn + "iso-8859-1"}, "Z\xC3\xBC\xE2\x82\xAC\xE6\x9D\xB1!"},
        {"default values are converted too", "windows-1252", "UTF-8", "",
         {FieldRow{"NAME", "TEXT"}.def(" Gr\xFC\xDF ")}, {}, "", {"NAME= Gr\xC3\xBC\xC3\x9F "}, {}, " Gr\xFC\xDF "},
        {"the cross walk matches in the export encoding and sends the option value converted",
         "windows-1252", "utf-8", "", {{"NAME", "SELECT", 1, 3}},
         {{"NAME", "Z\xFCrich", "z\xFCr"}}, "Z\xFCR", {"NAME=Z\xC3\xBCrich"}, {}, "Z\xFCrich"},
        {"upper-casing in the cross walk stays ASCII-only", "windows-1252", "utf-8", "",
         {{"NAME", "SELECT", 1, 3}}, {{"NAME", "x", "Z\xFCR"}}, "Z\xDCR", {"NAME="},
         {"     WARNING NAME Not Found In Cross Walk. (Z\xDCR)"}, ""},
        {"Shift-JIS to UTF-8 counted in characters", "shift_jis", "utf-8", "Characters",
         {{"NAME", "TEXT", 1, 2}, {"CITY", "TEXT", 3, 2}}, {}, "\x93\x8C\x8B\x9E\x82\xA0\x82\xA2",
         {"NAME=\xE6\x9D\xB1\xE4\xBA\xAC", "CITY=\xE3\x81\x82\xE3\x81\x84"}, {}, "\x93\x8C\x8B\x9E"},
        {"UTF-8 cut at characters", "utf-8", "utf-8", "characters", {{"NAME", "TEXT", 1, 3}, {"CITY", "TEXT", 5, 8}},
         {}, "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m", {"NAME=Zo\xC3\xAB", "CITY=\xC3\x85ngstr\xC3\xB6m"}, {},
         "Zo\xC3\xAB"},
    };
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.setUp(c.fields, c.options);
        b.engine.Encoding = RecordEncoding::make(c.exportEncoding, c.formEncoding, c.columnsIn);
        b.engine.TrackSent = true;
        b.engine.FieldToTrack1 = "NAME";
        b.engine.MakeDataString(c.line);
        EXPECT_EQ(b.engine.DataList, c.data);
        EXPECT_EQ(b.engine.WarningList, c.warnings);
        // The key, like the panes, stays in the export file's encoding.
        EXPECT_EQ(b.engine.TrackKey, c.trackKey);
    }
}

TEST(MakeDataStringTest, EncodingSettingsAreCheckedWhenRead)
{
    struct Case {
        const char* exportEncoding;
        const char* formEncoding;
        const char* columnsIn;
        const char* message;
    };
    const Case cases[] = {
        {"windows-9999", "utf-8", "", "'windows-9999' is not a known character encoding"},
        {"", "utf-8//TRANSLIT", "", "'utf-8//TRANSLIT' is not a known character encoding"},
        {"utf-8", "", "Columns", "'Columns' is not a valid value for ColumnsIn (Bytes or Characters)"},
        {"", "", "", nullptr},
        {"", "", "bytes", nullptr},
    };
    for (const Case& c : cases) {
        Bench b;
        b.set("ExportEncoding", c.exportEncoding);
        b.set("FormEncoding", c.formEncoding);
        b.set("ColumnsIn", c.columnsIn);
        try {
            const RecordEncoding e = RecordEncoding::fromSettings(b.data.SettingsTable);
            EXPECT_EQ(c.message, nullptr) << c.exportEncoding << c.formEncoding << c.columnsIn;
            EXPECT_FALSE(e.converts());
            EXPECT_EQ(e.columns(), nullptr);
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

struct RefusalCase {
    const char* what;
    std::string fieldToTrack1;
    bool trackSent;
    bool viewWarnings;
    std::string line;
    bool complete;
    Lines required;
};

TEST(MakeDataStringTest, RefusedRecordListsHeaderWarningsAndMissingFields)
{
    // ACCT 1-4, STATE 5-6 (select), ZIP 7-11 (required), QTY 12 (required, zero not valid), FLAG 13
    // (required, zero valid when blank).
    const std::vector<FieldRow> fields = {
        {"ACCT", "TEXT", 1, 4},
        {"STATE", "SELECT", 5, 2},
        FieldRow{"ZIP", "TEXT", 7, 5}.req(),
        FieldRow{"QTY", "TEXT", 12, 1}.req().zero(false),
        FieldRow{"FLAG", "TEXT", 13, 1}.req(),
    };
    const std::string warning = "     WARNING STATE Not Found In Cross Walk. (XX)\r\n";
    const RefusalCase cases[] = {
        {"complete record: warnings alone refuse nothing", "ACCT", true, true, "1001XX1234510", true, {}},
        {"header names the key", "ACCT", true, false, "1002NY     10", false,
         {"Data Not Sent For 1002, Missing Required Fields", "     ZIP Required"}},
        {"tracking off: the key is empty but still named", "ACCT", false, false, "1002NY     10", false,
         {"Data Not Sent For , Missing Required Fields", "     ZIP Required"}},
        {"no tracked field: the plain header", "", true, false, "1002NY     10", false,
         {"Data Not Sent Missing Required Fields", "     ZIP Required"}},
        {"warnings shown: an empty entry when there are none", "ACCT", true, true, "1002NY     10", false,
         {"Data Not Sent For 1002, Missing Required Fields", "", "     ZIP Required"}},
        {"warnings shown as one entry", "", false, true, "1003XX     10", false,
         {"Data Not Sent Missing Required Fields", warning, "     ZIP Required"}},
        {"each missing field adds its line", "", false, false, "1004NY     0 ", false,
         {"Data Not Sent Missing Required Fields", "     ZIP Required", "     QTY Required", "     FLAG Required"}},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.setUp(fields, {kStates[0]});
        b.engine.FieldToTrack1 = c.fieldToTrack1;
        b.engine.TrackSent = c.trackSent;
        b.engine.ViewWarnings = c.viewWarnings;
        b.engine.MakeDataString(c.line);
        EXPECT_EQ(b.engine.RecordComplete, c.complete);
        EXPECT_EQ(b.engine.RequiredList, c.required);
        // A refused record still has all its entries built.
        EXPECT_EQ(b.engine.DataList.size(), 5u);
    }
}

TEST(MakeDataStringTest, ImpossibleDatesAndMissingFilesRefuseTheRecord)
{
    test::TempDir dir;
    dir.write("scan.pdf", "%PDF");
    const std::vector<FieldRow> fields = {
        {"ID", "TEXT", 1, 4},
        FieldRow{"order_date", "TEXT", 5, 8}.fmt("YYYYMMDD To YYYY-MM-DD"),
        FieldRow{"old_date", "TEXT", 5, 8}.fmt("YYYYMMDD To MM/DD/YY"),
        {"upload", "file", 13, 8},
        FieldRow{"ZIP", "TEXT", 21, 5}.req(),
    };
    struct Case {
        const char* what;
        bool sendsFiles;
        std::string line;
        bool complete;
        Lines required;
        Lines data;
    };
    const Case cases[] = {
        {"a real date is converted, a named format keeps its output", false, "100120240229scan.pdf12345", true,
         {}, {"ID=1001", "order_date=2024-02-29", "old_date=02/29/24", "upload=scan.pdf", "ZIP=12345"}},
        {"an impossible date refuses the record", false, "100220261341scan.pdf12345", false,
         {"Data Not Sent For 1002, Invalid Date", "     order_date Invalid Date: 20261341"},
         {"ID=1002", "order_date=20261341", "old_date=13/41/26", "upload=scan.pdf", "ZIP=12345"}},
        {"a missing field names the refusal as before", false, "100320261341scan.pdf     ", false,
         {"Data Not Sent For 1003, Missing Required Fields", "     order_date Invalid Date: 20261341",
          "     ZIP Required"},
         {"ID=1003", "order_date=20261341", "old_date=13/41/26", "upload=scan.pdf", "ZIP="}},
        {"a missing file refuses a multipart record", true, "100420260101gone.pdf12345", false,
         {"Data Not Sent For 1004, File Not Found", "     upload File Not Found: " + dir.file("gone.pdf")},
         {"ID=1004", "order_date=2026-01-01", "old_date=01/01/26", "upload=gone.pdf", "ZIP=12345"}},
        {"a missing file is no matter for other content types", false, "100520260101gone.pdf12345", true, {},
         {"ID=1005", "order_date=2026-01-01", "old_date=01/01/26", "upload=gone.pdf", "ZIP=12345"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.setUp(fields);
        b.engine.FieldToTrack1 = "ID";
        b.engine.TrackSent = true;
        b.engine.setFileSettings(dir.file("export.txt"), c.sendsFiles ? "multipart/form-data" : "");
        b.engine.MakeDataString(c.line);
        EXPECT_EQ(b.engine.RecordComplete, c.complete);
        EXPECT_EQ(b.engine.RequiredList, c.required);
        EXPECT_EQ(b.engine.DataList, c.data);
        ASSERT_EQ(b.engine.FileEntries.size(), 1u);
        EXPECT_EQ(b.engine.FileEntries[0].first, 3u);
    }
}

struct TrackCase {
    const char* what;
    bool trackSent;
    std::string track1, track2, track3, track4;
    std::string key;
};

TEST(MakeDataStringTest, TrackingKeyFollowsFieldOrder)
{
    const TrackCase cases[] = {
        {"definition order, not slot order", true, "LAST", "FIRST", "", "", "JohnSmith"},
        {"any slot", true, "", "", "", "LAST", "Smith"},
        {"names compared with case", true, "last", "First", "", "", ""},
        {"translated value of a select", true, "STATE", "FIRST", "", "", "JohnNew York"},
        {"tracking off", false, "LAST", "FIRST", "", "", ""},
        {"left-out radio adds nothing", true, "PAY", "FIRST", "", "", "John"},
    };
    for (const TrackCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.setUp({{"FIRST", "TEXT", 1, 5}, {"LAST", "TEXT", 6, 6}, {"STATE", "SELECT", 12, 2},
                 {"PAY", "RADIO", 14, 1}},
                {kStates[0]});
        b.engine.TrackSent = c.trackSent;
        b.engine.FieldToTrack1 = c.track1;
        b.engine.FieldToTrack2 = c.track2;
        b.engine.FieldToTrack3 = c.track3;
        b.engine.FieldToTrack4 = c.track4;
        b.engine.MakeDataString("John Smith NYZ");
        EXPECT_EQ(b.engine.TrackKey, c.key);
    }
}

TEST(MakeDataStringTest, StartsEveryRecordAfresh)
{
    Bench b;
    b.setUp({{"STATE", "SELECT", 1, 2}, FieldRow{"ZIP", "TEXT", 3, 5}.req()}, {kStates[0]});
    b.engine.TrackSent = true;
    b.engine.FieldToTrack1 = "STATE";
    b.engine.ViewWarnings = true;
    b.engine.MakeDataString("XX");
    ASSERT_FALSE(b.engine.RecordComplete);

    b.engine.MakeDataString("NY12345");
    EXPECT_TRUE(b.engine.RecordComplete);
    EXPECT_TRUE(b.engine.WarningList.empty());
    EXPECT_TRUE(b.engine.RequiredList.empty());
    EXPECT_EQ(b.engine.TrackKey, "New York");
    EXPECT_EQ(b.engine.DataList, (Lines{"STATE=New York", "ZIP=12345"}));
}

TEST(MakeDataStringTest, OverflowTextDoesNotLeakIntoTheNextRecord)
{
    Bench b;
    b.setUp({{"NAME", "TEXT", 1, 20, 5, true}, {"NAME2", "TEXT", 0, 0, 20, false, false, "none"}});
    b.engine.MakeDataString("JOHN SMITH");
    EXPECT_EQ(b.engine.DataList, (Lines{"NAME=JOHN", "NAME2=SMITH"}));
    b.engine.MakeDataString("ANN");
    EXPECT_EQ(b.engine.DataList, (Lines{"NAME=ANN", "NAME2=none"}));
}

TEST(MakeDataStringTest, FieldDefinitionsAreReadForEveryRecord)
{
    Bench b;
    b.setUp({{"A", "TEXT", 1, 1}});
    b.engine.MakeDataString("xy");
    EXPECT_EQ(b.engine.DataList, Lines{"A=x"});
    b.addField({"B", "TEXT", 2, 1});
    b.engine.MakeDataString("xy");
    EXPECT_EQ(b.engine.DataList, (Lines{"A=x", "B=y"}));
}

TEST(MakeDataStringTest, StatusPanelShowsEachField)
{
    Bench b;
    b.setUp({{"A", "TEXT", 1, 1}, {"", "TEXT", 1, 1}, {"B", "RADIO", 1, 1}});
    b.engine.StatusText = "Processing Export Record# 7";
    const int pumpsBefore = b.host.messagePumps;
    b.engine.MakeDataString("x");
    EXPECT_EQ(b.host.statuses, (Lines{"Processing Export Record# 7 Field: A", "Processing Export Record# 7 Field: ",
                                      "Processing Export Record# 7 Field: B"}));
    EXPECT_EQ(b.host.messagePumps - pumpsBefore, 3);
}

TEST(MakeDataStringTest, DiagnosticsEchoEveryEntryIntoBothPanes)
{
    for (const bool diagnostics : {false, true}) {
        SCOPED_TRACE(diagnostics ? "diagnostics on" : "diagnostics off");
        Bench b;
        b.setUp({{"A", "TEXT", 1, 1}, FieldRow{"ZIP", "TEXT", 2, 5}.req(), {"", "TEXT", 1, 1}});
        b.engine.DiagnosticsOn = diagnostics;
        b.engine.MakeDataString("x");
        EXPECT_FALSE(b.engine.RecordComplete);
        if (diagnostics) {
            EXPECT_EQ(b.host.memo2, (Lines{"A=x", "ZIP="}));
            EXPECT_EQ(b.host.memo1, "A=x\r\nZIP=");
        } else {
            EXPECT_TRUE(b.host.memo2.empty());
            EXPECT_EQ(b.host.memo1, "");
        }
    }
}

TEST(MakeDataStringTest, BadTimeEndsTheRecordWithTheConversionError)
{
    Bench b;
    b.setUp({FieldRow{"T", "TEXT", 1, 4}.fmt("HHMM To HH:MM AM/PM")});
    try {
        b.engine.MakeDataString("ab30");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "'ab' is not a valid integer value");
    }
}

// Two records through a whole run: the first with a code the cross walk lacks, the second complete in
// the cross walk but without its required ZIP.
TEST(DataStringRunTest, WarningsAcceptanceAndRefusalInTheInformationPane)
{
    Bench b;
    b.setUp({{"ACCT", "TEXT", 1, 4}, {"STATE", "SELECT", 5, 2}, FieldRow{"ZIP", "TEXT", 7, 5}.req()},
            {kStates[0], kStates[1]});
    b.dir.write("export.txt", "1001XX12345\r\n1002NY\r\n");
    TableView& s = b.data.SettingsTable;
    s.edit();
    s.setText("URL", "http://127.0.0.1:9/form");
    s.setText("PostType", "POST");
    s.setText("ImportData", b.dir.file("export.txt"));
    s.setLogical("TrackSent", true);
    s.setText("FieldToTrack1", "ACCT");
    s.setLogical("ViewWarnings", true);
    s.setLogical("ViewDiag", false);
    s.setText("DataSentText", "thank you");
    s.post();
    b.client.reply = "<html>Thank You for your order</html>";
    b.engine.setPauseSeconds(0);

    b.engine.runPosting();

    EXPECT_EQ(b.engine.lastOutcome(), RunOutcome::Completed);
    EXPECT_EQ(b.host.memo2, (Lines{
                                "Data For 1001 Had the Following Warings:",
                                "     WARNING STATE Not Found In Cross Walk. (XX)",
                                "",
                                "Data Accepted By Server For: 1001",
                                "Data Not Sent For 1002, Missing Required Fields",
                                "",
                                "     ZIP Required",
                                "",
                            }));
    ASSERT_EQ(b.client.requests.size(), 1u);
    EXPECT_EQ(b.client.requests[0].entries, (Lines{"ACCT=1001", "STATE=", "ZIP=12345"}));
}

TEST(DataStringRunTest, AnUnknownEncodingEndsTheRunBeforeAnyRecord)
{
    Bench b;
    b.setUp({{"A", "TEXT", 1, 1}});
    b.dir.write("export.txt", "x\r\n");
    b.set("URL", "http://127.0.0.1:9/form");
    b.set("PostType", "POST");
    b.set("ImportData", b.dir.file("export.txt"));
    b.set("FormEncoding", "klingon");
    try {
        b.engine.runPosting();
        ADD_FAILURE() << "the run went on";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'klingon' is not a known character encoding");
    }
    EXPECT_EQ(b.engine.lastOutcome(), RunOutcome::Failed);
    EXPECT_EQ(b.engine.summary().recordsRead, 0);
    EXPECT_TRUE(b.client.requests.empty());
}

TEST(MakeDataStringTest, AnImportStartedWhileMessagesAreHandledDoesNotCutTheRecordShort)
{
    // The settings dialog can open while the run handles messages; its Import empties the field
    // definitions. The record in progress keeps the list it started with; the next one sees the new one.
    struct ImportingHost : test::RecordingHost {
        TDataModule1* data = nullptr;
        bool imported = false;
        void processMessages() override
        {
            if (!imported && data) {
                imported = true;
                emptyFormDefinition(*data);
            }
        }
    };
    test::TempDir dir;
    TDataModule1 data(dir.file("torvane.db"));
    for (const char* name : {"A", "B", "C"}) {
        data.FieldsTable.append();
        data.FieldsTable.setText("Name", name);
        data.FieldsTable.setInteger("ImportStart", 1);
        data.FieldsTable.setInteger("ImportLength", 1);
        data.FieldsTable.post();
    }
    ImportingHost host;
    host.data = &data;
    test::ScriptedDialogs dialogs;
    test::FakePostingClient client;
    test::FakeClock clock;
    PostingEngine engine(data, host, dialogs, client, clock);

    engine.MakeDataString("x");
    EXPECT_TRUE(host.imported);
    EXPECT_EQ(engine.DataList, (Lines{"A=x", "B=x", "C=x"}));
    engine.MakeDataString("y");
    EXPECT_TRUE(engine.DataList.empty());
}

}  // namespace
}  // namespace torvane
