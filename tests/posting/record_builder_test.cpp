// The record builder over plain tables, no store: columns, cross walk, required fields, formats,
// encodings and the tracking key, and what it keeps per definition for the check and the preview.
#include "posting/record_builder.h"
#include "posting/record_source.h"
#include "posting/tracking_verdict.h"
#include "util/error.h"
#include "util/text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

struct Def : FieldSettings {
    Def(std::string name, std::string type, int32_t start, int32_t length, int32_t maxLength = 20)
    {
        Name = std::move(name);
        Type = std::move(type);
        ImportStart = start;
        ImportLength = length;
        MaxLength = maxLength;
    }
    Def req(bool zeroValid = true) const { Def d = *this; d.Required = true; d.ZeroValid = zeroValid; return d; }
    Def fmt(std::string format) const { Def d = *this; d.Format = std::move(format); return d; }
    Def spill() const { Def d = *this; d.Overflow = true; return d; }
};

struct Option {
    std::string field, value, importMap;
    bool isDefault = false;
};

// The cross walk as the store matches it: names with case, codes with ASCII letters folded, a blank
// map matching nothing.
class TableSource : public RecordSource {
public:
    TableSource(std::vector<FieldSettings> fields, std::vector<Option> options)
        : m_fields(std::move(fields)), m_options(std::move(options))
    {
    }
    void eachDefinition(const std::function<void(const FieldSettings&)>& take) override
    {
        for (const FieldSettings& f : m_fields)
            take(f);
    }
    bool hasOptions(const std::string& field) override
    {
        return std::any_of(m_options.begin(), m_options.end(), [&](const Option& o) { return o.field == field; });
    }
    std::optional<std::string> optionValue(const std::string& field, const std::string& code) override
    {
        return first([&](const Option& o) { return !o.importMap.empty() && upperAscii(o.importMap) == upperAscii(code); },
                     field);
    }
    std::optional<std::string> defaultOption(const std::string& field) override
    {
        return first([](const Option& o) { return o.isDefault; }, field);
    }

private:
    template <typename Match> std::optional<std::string> first(Match match, const std::string& field) const
    {
        for (const Option& o : m_options)
            if (o.field == field && match(o))
                return o.value;
        return std::nullopt;
    }
    std::vector<FieldSettings> m_fields;
    std::vector<Option> m_options;
};

RecordRules tracking(std::vector<std::string> tracked, bool viewWarnings = false,
                     RecordEncoding encoding = RecordEncoding())
{
    RecordRules rules;
    rules.trackSent = true;
    std::copy(tracked.begin(), tracked.end(), rules.trackedFields.begin());
    rules.viewWarnings = viewWarnings;
    rules.encoding = std::move(encoding);
    return rules;
}

const std::vector<Option> kStates = {{"STATE", " New York ", "NY"}, {"STATE", "Unknown", "--", true}, {"PAY", "card", "C"}};

struct BuildCase {
    const char* name;
    std::vector<FieldSettings> fields;
    std::string line;
    Lines data;
    std::string key;
    Lines warnings = {};
    Lines required = {};  // empty: the record is complete
    RecordRules rules = tracking({"ID"});
};

TEST(RecordBuilderTest, BuildsTheRecordOfOneLine)
{
    const Def id{"ID", "TEXT", 1, 4};
    const std::string missed = "     WARNING STATE Not Found In Cross Walk. (XX)";
    const BuildCase cases[] = {
        {"fixed columns, trimmed and cut at MaxLength", {id, Def{"NAME", "TEXT", 5, 12, 4}}, "1001  Jonathan",
         {"ID=1001", "NAME=Jona"}, "1001"},
        {"the surplus fills the next field", {id, Def{"NAME", "TEXT", 5, 12, 4}.spill(), Def{"MORE", "TEXT", 0, 0}},
         "1001Jonathan", {"ID=1001", "NAME=Jona", "MORE=than"}, "1001"},
        {"cross walk hit, code matched without regard to case", {id, Def{"STATE", "SELECT", 5, 2}}, "1001ny",
         {"ID=1001", "STATE=New York"}, "1001"},
        {"cross walk miss: the default option, with a warning", {id, Def{"STATE", "SELECT", 5, 2}}, "1001XX",
         {"ID=1001", "STATE=Unknown"}, "1001", {missed}},
        {"a radio group with nothing chosen makes no entry", {id, Def{"PAY", "RADIO", 5, 1}}, "1001X", {"ID=1001"},
         "1001", {"     WARNING PAY Not Found In Cross Walk. (X)"}},
        {"a missing required field refuses, the key in the header", {id, Def{"ZIP", "TEXT", 5, 5}.req()}, "1001",
         {"ID=1001", "ZIP="}, "1001", {}, {"Data Not Sent For 1001, Missing Required Fields", "     ZIP Required"}},
        {"zero is missing where zero is not valid", {Def{"QTY", "TEXT", 1, 1}.req(false)}, "0", {"QTY=0"}, "", {},
         {"Data Not Sent For , Missing Required Fields", "     QTY Required"}},
        {"a named date format converts", {id, Def{"D", "TEXT", 5, 8}.fmt("YYYYMMDD To MM/DD/YY")}, "100120240229",
         {"ID=1001", "D=02/29/24"}, "1001"},
        {"an impossible date refuses the record", {id, Def{"D", "TEXT", 5, 8}.fmt("YYYYMMDD To YYYY-MM-DD")},
         "100120261341", {"ID=1001", "D=20261341"}, "1001", {},
         {"Data Not Sent For 1001, Invalid Date", "     D Invalid Date: 20261341"}},
        {"the form's encoding converts, the key keeps the export's", {Def{"ID", "TEXT", 1, 6}}, "M\xFCller",
         {"ID=M\xC3\xBCller"}, "M\xFCller", {}, {}, tracking({"ID"}, false, RecordEncoding::make("windows-1252", "utf-8", ""))},
        {"a character the form lacks: ?, and the warning in the refusal",
         {Def{"ID", "TEXT", 1, 3}, Def{"ZIP", "TEXT", 5, 5}.req()}, "\xE2\x82\xAC", {"ID=?", "ZIP="},
         "\xE2\x82\xAC", {"     WARNING ID Has Characters Not In iso-8859-1"},
         {"Data Not Sent For \xE2\x82\xAC, Missing Required Fields", "     WARNING ID Has Characters Not In iso-8859-1\r\n",
          "     ZIP Required"},
         tracking({"ID"}, true, RecordEncoding::make("utf-8", "iso-8859-1", ""))},
        {"the key follows the definitions, not the slots", {id, Def{"STATE", "SELECT", 5, 2}}, "1001NY",
         {"ID=1001", "STATE=New York"}, "1001New York", {}, {}, tracking({"STATE", "", "ID"})},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        TableSource source(c.fields, kStates);
        const BuiltRecord r = buildRecord(c.line, source, c.rules);
        EXPECT_EQ(r.dataList, c.data);
        EXPECT_EQ(r.trackKey, c.key);
        EXPECT_EQ(r.warnings, c.warnings);
        EXPECT_EQ(r.requiredList, c.required);
        EXPECT_EQ(r.complete, c.required.empty());
        EXPECT_TRUE(r.fields.empty());  // kept only for findings
    }
}

TEST(RecordBuilderTest, FindingsKeepWhatEachDefinitionGave)
{
    TableSource source({Def{"T", "TEXT", 1, 4}.fmt("HHMM To HH:MM AM/PM"), Def{"STATE", "SELECT", 5, 2},
                        Def{"K", "CHECKBOX", 7, 1}, Def{"ZIP", "TEXT", 8, 5}.req()},
                       {kStates[0], {"K", "on", "Y"}});
    const std::string line = "ab30XXN";
    // A run ends at the time whose hour is no number; the check goes on with the value unconverted.
    EXPECT_THROW(buildRecord(line, source, RecordRules()), Error);

    const FindingsContext findings;
    const BuiltRecord r = buildRecord(line, source, RecordRules(), &findings);
    EXPECT_EQ(r.dataList, (Lines{"T=ab30", "STATE=", "ZIP="}));
    ASSERT_EQ(r.fields.size(), 4u);
    EXPECT_TRUE(r.fields[0].findings.conversionFailed);
    EXPECT_EQ(r.fields[0].findings.warnings,
              Lines{"'ab' is not a valid integer value: the run would end here (T, Format \"HHMM To HH:MM AM/PM\")"});
    EXPECT_EQ(r.fields[1].firstWarning, 0u);
    EXPECT_EQ(r.fields[1].encodingWarning, 1u);
    EXPECT_EQ(r.warnings[0], "     WARNING STATE Not Found In Cross Walk. (XX)");
    EXPECT_FALSE(r.fields[2].makesEntry);
    EXPECT_TRUE(r.fields[2].unticked);
    EXPECT_EQ(r.fields[2].name + " " + r.fields[2].code, "K N");
    EXPECT_TRUE(r.fields[3].missing);
    EXPECT_FALSE(r.complete);
}

TEST(RecordBuilderTest, TrackingVerdictsHaveOnePrintedNameEach)
{
    EXPECT_STREQ(trackingVerdictName(TrackingVerdict::New), "new");
    EXPECT_STREQ(trackingVerdictName(TrackingVerdict::AlreadySent), "already sent");
    EXPECT_STREQ(trackingVerdictName(TrackingVerdict::MayHaveBeenSent), "in doubt");
}

}  // namespace
}  // namespace torvane
