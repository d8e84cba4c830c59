#include "posting/record_fields.h"

#include "store/row_reader.h"
#include "store/schema.h"
#include "util/encoding.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

namespace torvane {
namespace {

// A current row of the field definitions table held in memory; unset fields are blank.
class MemoryRow : public RowReader {
public:
    explicit MemoryRow(std::map<std::string, Cell> values) : m_values(std::move(values)) {}
    const TableDef& tableDef() const override { return fieldsTableDef(); }
    Cell cell(const std::string& field) const override
    {
        tableDef().field(field);  // unknown names fail as they would in the store
        auto it = m_values.find(field);
        return it == m_values.end() ? Cell{} : it->second;
    }

private:
    std::map<std::string, Cell> m_values;
};

TEST(GetFieldSettingsTest, BlankFieldsReadAsTheirDefaults)
{
    const FieldSettings f = GetFieldSettings(MemoryRow({}));
    EXPECT_EQ(f.Name, "");
    EXPECT_EQ(f.Type, "");
    EXPECT_EQ(f.DefaultValue, "");
    EXPECT_EQ(f.MaxLength, 20);
    EXPECT_FALSE(f.Overflow);
    EXPECT_FALSE(f.Required);
    EXPECT_EQ(f.ImportStart, 0);
    EXPECT_EQ(f.ImportLength, 0);
    EXPECT_EQ(f.Format, "");
    EXPECT_TRUE(f.ZeroValid);
}

TEST(GetFieldSettingsTest, FilledFieldsAreReadAndTypeIsUpperCased)
{
    const FieldSettings f = GetFieldSettings(MemoryRow({{"Name", std::string("state")},
                                                        {"Type", std::string("Sel\xe9" "ct")},
                                                        {"DefaultValue", std::string("  NY ")},
                                                        {"MaxLength", int64_t(0)},
                                                        {"Overflow", int64_t(1)},
                                                        {"Required", int64_t(1)},
                                                        {"ImportStart", int64_t(-3)},
                                                        {"ImportLength", int64_t(7)},
                                                        {"Format", std::string("HHMM To HH:MM")},
                                                        {"ZeroValid", int64_t(0)}}));
    EXPECT_EQ(f.Name, "state");
    EXPECT_EQ(f.Type, "SEL\xe9" "CT");  // only ASCII letters are folded
    EXPECT_EQ(f.DefaultValue, "  NY ");
    EXPECT_EQ(f.MaxLength, 0);
    EXPECT_TRUE(f.Overflow);
    EXPECT_TRUE(f.Required);
    EXPECT_EQ(f.ImportStart, -3);
    EXPECT_EQ(f.ImportLength, 7);
    EXPECT_EQ(f.Format, "HHMM To HH:MM");
    EXPECT_FALSE(f.ZeroValid);
}

struct CutCase {
    const char* what;
    std::string line;
    int32_t start, length, maxLength;
    bool overflow;
    std::string format;
    std::string value, overflowText;
};

TEST(GetDataItemToSendTest, CutsTrimsConvertsAndLimits)
{
    const CutCase cases[] = {
        {"range past the end stops there", "ABCDEFGH", 5, 10, 20, false, "", "EFGH", ""},
        {"start past the end", "ABCDEFGH", 9, 3, 20, false, "", "", ""},
        {"last column", "ABCDEFGH", 8, 3, 20, false, "", "H", ""},
        {"start 0 counts as 1", "ABCDEFGH", 0, 3, 20, false, "", "ABC", ""},
        {"negative start counts as 1", "ABCDEFGH", -5, 2, 20, false, "", "AB", ""},
        {"negative length", "ABCDEFGH", 2, -1, 20, true, "", "", ""},
        {"zero length", "ABCDEFGH", 2, 0, 20, true, "", "", ""},
        {"huge start", "ABCDEFGH", INT32_MAX, INT32_MAX, 20, true, "", "", ""},
        {"huge length", "ABCDEFGH", 3, INT32_MAX, 20, true, "", "CDEFGH", ""},
        {"empty line", "", 1, 5, 20, true, "", "", ""},
        {"surrounding blanks removed", "  AB  CD  ", 1, 10, 20, false, "", "AB  CD", ""},
        {"tabs are not blanks", "\tAB\t", 1, 4, 20, false, "", "\tAB\t", ""},
        {"overflow carried, both trimmed", "JOHN SMITH", 1, 10, 5, true, "", "JOHN", "SMITH"},
        {"surplus dropped without overflow", "JOHN SMITH", 1, 10, 5, false, "", "JOHN", ""},
        {"exactly the limit", "ABCDE", 1, 5, 5, true, "", "ABCDE", ""},
        {"limit 0 carries everything", "JOHN SMITH", 1, 10, 0, true, "", "", "JOHN SMITH"},
        {"negative limit carries everything", "JOHN SMITH", 1, 10, -4, true, "", "", "JOHN SMITH"},
        {"limit 0 without overflow", "JOHN SMITH", 1, 10, 0, false, "", "", ""},
        {"blanks at the cut trimmed", "AB   CD", 1, 7, 3, true, "", "AB", "CD"},
        {"format before the cut", "20050131", 1, 8, 5, true, "YYYYMMDD To MM/DD/YY", "01/31", "/05"},
        {"format on trimmed text", "  0930  ", 1, 8, 20, false, "HHMM To HH:MM AM/PM", "09:30AM", ""},
        {"unknown format ignored", "0930", 1, 4, 20, false, "hhmm to hh:mm", "0930", ""},
        {"bytes above 127 counted singly", "\xe9\xe9\xe9XY", 2, 3, 2, true, "", "\xe9\xe9", "X"},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string overflowText = "left over";
        EXPECT_EQ(GetDataItemToSend(c.line, c.start, c.length, c.maxLength, c.overflow, c.format, overflowText),
                  c.value);
        EXPECT_EQ(overflowText, c.overflowText);
    }
}

struct OverflowCase {
    const char* what;
    std::string pending;
    int32_t maxLength;
    bool overflow;
    std::string format;
    std::string value, overflowText;
};

TEST(GetDataItemToSendOverFlowTest, WorksOnThePendingText)
{
    const OverflowCase cases[] = {
        {"fits", "SMITH", 20, false, "", "SMITH", ""},
        {"cut and carried", "SMITH JONES", 6, true, "", "SMITH", "JONES"},
        {"cut and dropped", "SMITH JONES", 6, false, "", "SMITH", ""},
        {"limit 0 carries it unchanged", "SMITH JONES", 0, true, "", "", "SMITH JONES"},
        {"own format applies", "1330", 20, false, "HHMM To HH:MM", "13:30", ""},
    };
    for (const OverflowCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string overflowText = c.pending;
        EXPECT_EQ(GetDataItemToSendOverFlow(c.maxLength, c.overflow, c.format, overflowText), c.value);
        EXPECT_EQ(overflowText, c.overflowText);
    }
}

struct ChainCase {
    const char* what;
    std::string line;
    std::vector<FieldSettings> fields;
    std::vector<std::string> values;
};

FieldSettings fromLine(int32_t start, int32_t length, int32_t maxLength, bool overflow)
{
    FieldSettings f;
    f.ImportStart = start;
    f.ImportLength = length;
    f.MaxLength = maxLength;
    f.Overflow = overflow;
    return f;
}

FieldSettings carried(int32_t maxLength, bool overflow, const std::string& defaultValue = "DEFAULT")
{
    FieldSettings f;
    f.MaxLength = maxLength;
    f.Overflow = overflow;
    f.DefaultValue = defaultValue;
    return f;
}

TEST(FieldValueTest, OverflowSpreadsOverFollowingFields)
{
    const ChainCase cases[] = {
        {"surplus goes to the next field, then the default returns", "JOHN SMITH",
         {fromLine(1, 10, 5, true), carried(20, false), carried(20, false)},
         {"JOHN", "SMITH", "DEFAULT"}},
        {"each field takes its share until one without overflow", "JOHN SMITH JONES PARKER",
         {fromLine(1, 30, 5, true), carried(6, true), carried(5, false), carried(20, false)},
         {"JOHN", "SMITH", "JONES", "DEFAULT"}},
        {"a line field without overflow clears the pending text", "JOHN SMITH  CITY",
         {fromLine(1, 10, 5, true), fromLine(13, 4, 20, false), carried(20, false)},
         {"JOHN", "CITY", "DEFAULT"}},
        {"limit 0 passes the whole text on", "JOHN SMITH",
         {fromLine(1, 10, 0, true), carried(20, false)},
         {"", "JOHN SMITH"}},
        {"default sent untrimmed and uncut", "",
         {carried(3, true, "  a long default  ")},
         {"  a long default  "}},
        {"a negative start still reads the line", "ABCDEF",
         {fromLine(-1, 2, 20, false)},
         {"AB"}},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string overflowText;
        std::vector<std::string> values;
        for (const FieldSettings& f : c.fields)
            values.push_back(fieldValue(f, c.line, overflowText));
        EXPECT_EQ(values, c.values);
    }
}

FieldSettings withFormat(FieldSettings f, const std::string& format)
{
    f.Format = format;
    return f;
}

TEST(FieldValueTest, UncutTextIsWhatTheCutStartedFrom)
{
    // What the data check shows as "before": trimmed and converted, not yet cut; a default leaves it alone.
    const ChainCase cases[] = {
        {"line field cut", "  JOHN SMITH  ", {fromLine(1, 14, 4, false)}, {"JOHN SMITH"}},
        {"carried text cut", "JOHN SMITH", {fromLine(1, 10, 5, true), carried(3, false)}, {"JOHN SMITH", "SMITH"}},
        {"converted before the cut", "1330", {withFormat(fromLine(1, 4, 3, false), "HHMM To HH:MM AM/PM")}, {"01:30PM"}},
        {"default value", "", {carried(3, true, "abcdef")}, {"untouched"}},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string overflowText;
        std::vector<std::string> uncut;
        for (const FieldSettings& f : c.fields) {
            FieldValueNotes notes;
            notes.uncut = "untouched";
            fieldValue(f, c.line, overflowText, nullptr, &notes);
            uncut.push_back(notes.uncut);
        }
        EXPECT_EQ(uncut, c.values);
    }
}

TEST(FieldValueTest, ColumnsInCharactersCountCharactersOfTheExportEncoding)
{
    // "Zoë Ångström" in UTF-8: 12 characters, 15 bytes.
    const std::string zoe = "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m";
    const std::string tokyo = "\x93\x8C\x8B\x9E \x82\xA0\x82\xA2";  // Shift-JIS: two, blank, two
    struct Case {
        const char* what;
        const char* encoding;
        std::string line;
        std::vector<FieldSettings> fields;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"columns are characters", "utf-8", zoe, {fromLine(1, 3, 20, false), fromLine(5, 8, 20, false)},
         {"Zo\xC3\xAB", "\xC3\x85ngstr\xC3\xB6m"}},
        {"the limit counts characters and overflow carries whole ones", "utf-8", zoe,
         {fromLine(1, 12, 7, true), carried(3, true), carried(20, false)},
         {"Zo\xC3\xAB \xC3\x85ng", "str", "\xC3\xB6m"}},
        {"a limit that would cut a character in two in bytes", "utf-8", zoe,
         {fromLine(1, 12, 3, false)}, {"Zo\xC3\xAB"}},
        {"a blank export encoding counts UTF-8 characters", "", zoe, {fromLine(3, 1, 20, false)}, {"\xC3\xAB"}},
        {"double-byte characters", "shift_jis", tokyo, {fromLine(2, 4, 2, true), carried(20, false)},
         {"\x8B\x9E", "\x82\xA0\x82\xA2"}},
        {"single-byte encodings count as bytes do", "windows-1252", "M\xFCller Caf\xE9",
         {fromLine(2, 5, 3, true), carried(20, false), fromLine(8, 4, 20, false)},
         {"\xFCll", "er", "Caf\xE9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CharacterCutter characters(c.encoding);
        std::string overflowText;
        std::vector<std::string> values;
        for (const FieldSettings& f : c.fields)
            values.push_back(fieldValue(f, c.line, overflowText, &characters));
        EXPECT_EQ(values, c.values);
    }
    // Counted in bytes the same cut splits the "ë".
    std::string overflowText;
    EXPECT_EQ(fieldValue(fromLine(1, 12, 3, false), zoe, overflowText), "Zo\xC3");
}

struct FormatCase {
    std::string format, in, out;
};

TEST(FormatStrTest, ConvertsDatesAndTimes)
{
    const std::string date = "YYYYMMDD To MM/DD/YY";
    const std::string hhmm = "HHMM To HH:MM";
    const std::string ampm = "HHMM To HH:MM AM/PM";
    const FormatCase cases[] = {
        {date, "20050131", "01/31/05"},
        {date, "2005", "//05"},
        {date, "200501", "01//05"},
        {date, "2005013199", "01/31/05"},
        {date, "  20050131 ", "01/31/05"},
        {date, "", ""},
        {date, "   ", ""},
        {hhmm, "0930", "09:30"},
        {hhmm, "930", "09:30"},
        {hhmm, "5", "05:"},
        {hhmm, "45", "04:5"},
        {hhmm, "12345", "12:345"},
        {hhmm, " 1330 ", "13:30"},
        {hhmm, "", ""},
        {ampm, "0000", "12:00AM"},
        {ampm, "0005", "12:05AM"},
        {ampm, "0930", "09:30AM"},
        {ampm, "1159", "11:59AM"},
        {ampm, "1200", "12:00PM"},
        {ampm, "1330", "01:30PM"},
        {ampm, "2200", "10:00PM"},
        {ampm, "2359", "11:59PM"},
        {ampm, "2400", "12:00PM"},
        {ampm, "930", "09:30AM"},
        {ampm, "5", "05:AM"},
        {ampm, "9930", "87:30PM"},
        {ampm, "12:30", "12::30PM"},
        {ampm, "", ""},
        {"", "  0930  ", "  0930  "},
        {"hhmm to hh:mm", " 0930", " 0930"},
        {"HHMM To HH:MM ", "0930", "0930"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE("'" + c.format + "' on '" + c.in + "'");
        std::string value = c.in;
        FormatStr(c.format, value);
        EXPECT_EQ(value, c.out);
    }
}

TEST(FormatStrTest, NonNumericHourThrowsTheConversionError)
{
    const std::pair<std::string, std::string> cases[] = {
        {"AB30", "'AB' is not a valid integer value"},
        {"x", "'0x' is not a valid integer value"},
        {"1 30", "'1 ' is not a valid integer value"},
        {"-", "'0-' is not a valid integer value"},
    };
    for (const auto& [in, message] : cases) {
        SCOPED_TRACE(in);
        std::string value = in;
        try {
            FormatStr("HHMM To HH:MM AM/PM", value);
            ADD_FAILURE() << "no error for " << in;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

struct RequiredCase {
    std::string value;
    bool zeroValid;
    bool missing;
};

TEST(CheckIfRequiredFieldTest, EmptyOrZeroWhenZeroIsNotValid)
{
    const RequiredCase cases[] = {
        {"", true, true},    {"", false, true},     {"0", false, true},  {"0", true, false},
        {"00", false, false}, {"0.0", false, false}, {" ", false, false}, {"A", false, false},
    };
    for (const RequiredCase& c : cases) {
        SCOPED_TRACE("'" + c.value + "' zeroValid=" + std::to_string(c.zeroValid));
        bool complete = true;
        std::vector<std::string> required{"header"};
        CheckIfRequiredField(c.value, "ZIP", c.zeroValid, complete, required);
        EXPECT_EQ(complete, !c.missing);
        if (c.missing)
            EXPECT_EQ(required, (std::vector<std::string>{"header", "     ZIP Required"}));
        else
            EXPECT_EQ(required, std::vector<std::string>{"header"});
    }
}

TEST(CheckIfRequiredFieldTest, PresentValueNeverSetsTheFlagAgain)
{
    bool complete = false;
    std::vector<std::string> required;
    CheckIfRequiredField("12345", "ZIP", true, complete, required);
    EXPECT_FALSE(complete);
    EXPECT_TRUE(required.empty());
}

}  // namespace
}  // namespace torvane
