// torvane-cli show, set, set-field, set-option and import-html: values reach the store with its kind
// checks, and bad input is refused with one line and changes nothing.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

const char* const kForm =
    "<FORM ACTION=\"/post.cgi\" METHOD=POST>\n"
    "<INPUT TYPE=\"text\" NAME=\"acct\" MAXLENGTH=\"6\">\n"
    "<SELECT NAME=\"color\"><OPTION VALUE=\"r\">Red<OPTION VALUE=\"b\">Blue</SELECT>\n"
    "</FORM>\n";

class ConfigTest : public test::CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        dir.write("form.html", kForm);
        ok({"import-html", "form.html"});
        ok({"set", "LinesToRead", "3"});
        ok({"set", "FieldToTrack1", "acct"});
    }
    // The line of `show` that starts with the given text.
    std::string showLine(const std::string& start) const
    {
        for (const std::string& line : test::splitOutputLines(show()))
            if (line.rfind(start, 0) == 0)
                return line;
        return "(no line starting with '" + start + "')";
    }
};

TEST_F(ConfigTest, ImportReplacesTheFormDefinitionAndBlanksTrackedFields)
{
    // A second import of the same page gives the same rows, not twice as many.
    EXPECT_EQ(ok({"import-html", "form.html"}), "Fields Imported: 6\n");
    const Lines lines = test::splitOutputLines(show());
    auto has = [&lines](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    EXPECT_TRUE(has("Field definitions (2)"));
    EXPECT_TRUE(has("Option rows (2)"));
    EXPECT_EQ(showLine("URL"), "URL            /post.cgi");
    EXPECT_EQ(showLine("PostType"), "PostType       POST");
    EXPECT_EQ(showLine("FieldToTrack1"), "FieldToTrack1");
    EXPECT_EQ(showLine("LinesToRead"), "LinesToRead    3");
}

TEST_F(ConfigTest, FieldAndOptionRowsAddedAndDeleted)
{
    ok({"add-field", "15", "gift_wrap", "checkbox"});
    ok({"add-field", "25", "notes"});
    ok({"add-option", "gift_wrap", "10", "on", "Y"});
    ok({"add-option", "gift_wrap", "20", "off"});
    ok({"delete-option", "gift_wrap", "20"});
    ok({"delete-field", "20"});
    ok({"set-field", "25", "Format", "MMDDYY To DD.MM.YYYY"});
    const Lines lines = test::splitOutputLines(show());
    auto has = [&lines](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    EXPECT_TRUE(has("Field definitions (3)"));
    EXPECT_TRUE(has("Option rows (3)"));
    EXPECT_EQ(showLine("15 "), "15        gift_wrap  checkbox");
    EXPECT_EQ(showLine("25 ").substr(0, 30), "25        notes      TEXT     ");
    EXPECT_NE(showLine("25 ").find("MMDDYY To DD.MM.YYYY"), std::string::npos);
    EXPECT_EQ(showLine("gift_wrap"), "gift_wrap  10        on                  Y");
}

TEST_F(ConfigTest, APageOfSeveralFormsSaysWhichItTook)
{
    dir.write("forms.html", "<form name=search action=/s><input name=q></form>\n"
                            "<form id=order action=/o method=post><input name=a><input name=b></form>\n");
    EXPECT_EQ(ok({"import-html", "forms.html"}),
              "The page has 2 forms; imported form 2 (order), action /o, 2 fields (the one with the most fields; "
              "choose another with --form N|NAME)\nFields Imported: 5\n");
    EXPECT_EQ(ok({"import-html", "forms.html", "--form", "search"}),
              "The page has 2 forms; imported form 1 (search), action /s, 1 fields\nFields Imported: 5\n");
    EXPECT_EQ(showLine("URL"), "URL            /s");
}

TEST_F(ConfigTest, ShowListsTheCharacterSettingsOnceSetAndPrintsUtf8)
{
    const Lines blank = test::splitOutputLines(show());
    for (const std::string& line : blank)
        EXPECT_EQ(line.find("Encoding"), std::string::npos) << line;
    ok({"set-option", "color", "10", "Description", "Gr\xFCn"});
    ok({"set-field", "10", "DefaultValue", "Caf\xE9"});
    // Without an export encoding the bytes are printed as they are.
    EXPECT_EQ(showLine("color  10"), "color  10        r      Gr\xFCn         Red        True");

    ok({"set", "ExportEncoding", "windows-1252"});
    EXPECT_EQ(showLine("color  10"), "color  10        r      Gr\xC3\xBCn        Red        True");
    EXPECT_NE(showLine("10 ").find("Caf\xC3\xA9"), std::string::npos) << showLine("10 ");
    EXPECT_EQ(showLine("ExportEncoding"), "ExportEncoding  windows-1252");
    EXPECT_EQ(showLine("URL"), "URL             /post.cgi");
    ok({"set", "ExportEncoding", ""});
    EXPECT_EQ(test::splitOutputLines(show()).size(), blank.size());
}

struct SetCase {
    const char* name;
    Lines args;
    const char* showStart;  // the line of `show` that must read
    const char* expected;
};

void PrintTo(const SetCase& c, std::ostream* os)
{
    *os << c.name;
}

class SetTest : public ConfigTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetTest, ValueShowsUp)
{
    const SetCase& c = GetParam();
    const test::CliResult r = cli(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(showLine(c.showStart), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetTest,
    ::testing::Values(
        SetCase{"Text", {"set", "DataSentText", "Thank you"}, "DataSentText", "DataSentText   Thank you"},
        SetCase{"NameInAnyCase", {"set", "linestoread", "7"}, "LinesToRead", "LinesToRead    7"},
        SetCase{"EmptyMakesBlank", {"set", "LinesToRead", ""}, "LinesToRead", "LinesToRead"},
        SetCase{"Logical", {"set", "TrackSent", "true"}, "TrackSent", "TrackSent      True"},
        SetCase{"NegativeValueIsNoOption", {"set", "PurgeDays", "-1"}, "PurgeDays", "PurgeDays      -1"},
        SetCase{"ExportEncoding", {"set", "exportencoding", "cp850"}, "Export", "ExportEncoding  cp850"},
        SetCase{"FormEncoding", {"set", "FormEncoding", "UTF-8"}, "Form", "FormEncoding   UTF-8"},
        SetCase{"ColumnsIn", {"set", "ColumnsIn", "characters"}, "Columns", "ColumnsIn      characters"},
        SetCase{"FieldDefinition", {"set-field", "10", "ImportStart", "12"}, "10 ", "10        acct   text    6          False     False     12           0"},
        SetCase{"OptionRow", {"set-option", "color", "20", "ImportMap", "BLU"}, "color  20", "color  20        b      Blue         BLU        False"}),
    [](const ::testing::TestParamInfo<SetCase>& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    Lines args;
    int status;
    const char* error;  // the one line on standard error
};

void PrintTo(const BadCase& c, std::ostream* os)
{
    *os << c.name;
}

class BadInputTest : public ConfigTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadInputTest, RefusedWithOneLineAndNothingChanged)
{
    const BadCase& c = GetParam();
    dir.write("bad.html", "<FORM ACTION=/a METHOD=GET>\n<INPUT NAME=x>\n<INPUT NAME=y MAXLENGTH=ten>\n");
    dir.write("huge.html", "<FORM ACTION=/a METHOD=GET>\n<INPUT NAME=x MAXLENGTH=\"18446744073709551620\">\n");
    dir.write("forms.html", "<form name=a><input name=x></form><form id=b><input name=y></form>\n");
    const std::string before = show();
    const test::CliResult r = cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string(c.error) + "\n");
    EXPECT_EQ(show(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInputTest,
    ::testing::Values(
        BadCase{"NonNumericInteger", {"set", "LinesToRead", "abc"}, 1,
                "torvane-cli: 'abc' is not a valid integer value for field 'LinesToRead'"},
        BadCase{"IntegerOutOfRange", {"set", "PurgeDays", "99999999999"}, 1,
                "torvane-cli: '99999999999' is not a valid integer value for field 'PurgeDays'"},
        // 2^64 + 4 and 2^64 + 10 would wrap round onto 4 and onto the order number of a field.
        BadCase{"IntegerTooLargeToHold", {"set", "PurgeDays", "18446744073709551620"}, 1,
                "torvane-cli: '18446744073709551620' is not a valid integer value for field 'PurgeDays'"},
        BadCase{"FieldIntegerTooLargeToHold", {"set-field", "10", "MaxLength", "18446744073709551620"}, 1,
                "torvane-cli: '18446744073709551620' is not a valid integer value for field 'MaxLength'"},
        BadCase{"OrderTooLargeToHold", {"set-field", "18446744073709551626", "Name", "x"}, 64,
                "torvane-cli: ORDER must be a whole number from -2147483648 to 2147483647, not "
                "'18446744073709551626'"},
        BadCase{"PageWithMaxLengthTooLargeToHold", {"import-html", "huge.html"}, 1,
                "torvane-cli: '18446744073709551620' is not a valid integer value"},
        BadCase{"NotALogical", {"set", "ViewDiag", "maybe"}, 1,
                "torvane-cli: 'maybe' is not a valid boolean value for field 'ViewDiag'"},
        BadCase{"UnknownSetting", {"set", "Colour", "red"}, 1,
                "torvane-cli: unknown setting 'Colour' (known: URL, Content, PostType, DataSentText, "
                "ViewWarnings, ViewDiag, ImportData, LinesToRead, DeleteFile, TrackSent, PurgeDays, "
                "FieldToTrack1, FieldToTrack2, FieldToTrack3, FieldToTrack4, ExportEncoding, FormEncoding, "
                "ColumnsIn, RetryCount, RetryWait, MaxErrors, LoginURL, LoginData, LoginCheckText, FormURL, "
                "RefreshHidden, TLSVerify, ClientCertificate, ClientCertificatePassword, Proxy, UseIPv6, "
                "Connections)"},
        BadCase{"ConnectionsOutOfRange", {"set", "Connections", "33"}, 1,
                "torvane-cli: '33' is not a valid value for Connections (1 to 32)"},
        BadCase{"SendConnectionsZero", {"send", "--connections", "0"}, 64,
                "torvane-cli: --connections must be a whole number from 1 to 32, not '0'"},
        BadCase{"SendConnectionsWord", {"send", "--connections", "many"}, 64,
                "torvane-cli: --connections must be a whole number from 1 to 32, not 'many'"},
        BadCase{"UnknownEncoding", {"set", "FormEncoding", "latin-99"}, 1,
                "torvane-cli: 'latin-99' is not a known character encoding"},
        BadCase{"EncodingWithOptions", {"set", "ExportEncoding", "utf-8//TRANSLIT"}, 1,
                "torvane-cli: 'utf-8//TRANSLIT' is not a known character encoding"},
        BadCase{"ColumnsInOtherThanBytesOrCharacters", {"set", "ColumnsIn", "Columns"}, 1,
                "torvane-cli: 'Columns' is not a valid value for ColumnsIn (Bytes or Characters)"},
        BadCase{"MissingValue", {"set", "URL"}, 64, "torvane-cli: set: too few arguments (see set --help)"},
        BadCase{"ExtraValue", {"set", "URL", "a", "b"}, 64, "torvane-cli: set: too many arguments (see set --help)"},
        BadCase{"UnknownCommand", {"post"}, 64, "torvane-cli: unknown command 'post' (see torvane-cli --help)"},
        BadCase{"UnknownOption", {"show", "--all"}, 64, "torvane-cli: show: unknown option '--all'"},
        BadCase{"NoSuchFieldOrder", {"set-field", "99", "Name", "x"}, 1,
                "torvane-cli: no field definition has order number 99"},
        BadCase{"NonNumericOrder", {"set-field", "ten", "Name", "x"}, 64,
                "torvane-cli: ORDER must be a whole number from -2147483648 to 2147483647, not 'ten'"},
        BadCase{"FieldIntegerColumn", {"set-field", "10", "MaxLength", "wide"}, 1,
                "torvane-cli: 'wide' is not a valid integer value for field 'MaxLength'"},
        BadCase{"OptionOfAnotherCase", {"set-option", "Color", "10", "Value", "x"}, 1,
                "torvane-cli: field 'Color' has no option row with order number 10"},
        BadCase{"UnknownOptionColumn", {"set-option", "color", "10", "Code", "x"}, 1,
                "torvane-cli: unknown option row column 'Code' (known: Name, OrderNum, Value, Description, "
                "ImportMap, DefaultValue)"},
        BadCase{"MissingPage", {"import-html", "gone.html"}, 1,
                "torvane-cli: cannot read 'gone.html': No such file or directory"},
        BadCase{"PageIsAFolder", {"import-html", "."}, 1, "torvane-cli: cannot read '.': it is a directory"},
        // The page fails halfway; the form definition it would have replaced is still all there.
        BadCase{"PageFailingHalfway", {"import-html", "bad.html"}, 1,
                "torvane-cli: 'ten' is not a valid integer value"},
        BadCase{"FormatNeitherNamedNorPattern", {"set-field", "10", "Format", "YYYYMMDD To HH:MM"}, 1,
                "torvane-cli: 'YYYYMMDD To HH:MM' is no value format: a pattern is all date (YYYY, YY, MM, DD) "
                "or all time (HH, MM, SS, AM/PM)"},
        BadCase{"AddFieldOfAnOrderTaken", {"add-field", "10", "x"}, 1,
                "torvane-cli: a field definition with order number 10 exists already"},
        BadCase{"DeleteFieldNotThere", {"delete-field", "15"}, 1, "torvane-cli: no field definition has order number 15"},
        BadCase{"AddOptionOfAnOrderTaken", {"add-option", "color", "20", "g", "G"}, 1,
                "torvane-cli: field 'color' has an option row with order number 20 already"},
        BadCase{"DeleteOptionNotThere", {"delete-option", "acct", "10"}, 1,
                "torvane-cli: field 'acct' has no option row with order number 10"},
        BadCase{"AddFieldWithTooMuch", {"add-field", "30", "x", "text", "y"}, 64,
                "torvane-cli: add-field: too many arguments (see add-field --help)"},
        BadCase{"NoSuchFormNumber", {"import-html", "forms.html", "--form", "3"}, 1,
                "torvane-cli: The page has no form 3; its forms are numbered 1 to 2"},
        BadCase{"NoSuchFormName", {"import-html", "--form", "c", "forms.html"}, 1,
                "torvane-cli: The page has no form named \"c\""},
        BadCase{"TrackingKeyNotThere", {"tracking", "delete", "1001"}, 1,
                "torvane-cli: no tracking record for '1001'"},
        BadCase{"TrackingWithoutAction", {"tracking"}, 64,
                "torvane-cli: tracking: say list or delete KEY (see tracking --help)"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(CliDirectoryTest, MissingDirectoryIsRefusedBeforeAnythingIsCreated)
{
    test::TempDir dir;
    const std::string missing = dir.file("nowhere");
    const test::CliResult r = test::runProgram(test::cliBinary(), {"-C", missing, "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "torvane-cli: cannot change to directory '" + missing + "': No such file or directory\n");
    EXPECT_NE(::access(missing.c_str(), F_OK), 0);
}

TEST(CliStoreTest, AFileThatIsNoStoreIsReportedAndLeftAlone)
{
    test::TempDir dir;
    const std::string junk = "not a database, just text\n";
    dir.write("torvane.db", junk);
    const std::string expected =
        "torvane-cli: Cannot open the store \"" + dir.file("torvane.db") + "\": file is not a database\n";
    for (const Lines& args : std::vector<Lines>{{"show"}, {"send"}, {"set", "URL", "http://127.0.0.1/"},
                                                {"import-html", TORVANE_SOURCE_DIR "/examples/order_form.html"},
                                                {"tracking", "list"}}) {
        Lines withDir{"-C", dir.path()};
        withDir.insert(withDir.end(), args.begin(), args.end());
        const test::CliResult r = test::runProgram(test::cliBinary(), withDir);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, expected) << args[0];
        EXPECT_EQ(dir.read("torvane.db"), junk) << args[0];
    }
}

struct HelpCase {
    Lines args;
    const char* outStart;
};

void PrintTo(const HelpCase& c, std::ostream* os)
{
    *os << ::testing::PrintToString(c.args);
}

class HelpTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, PrintsAndSucceedsWithoutAStore)
{
    test::TempDir dir;
    Lines args{"-C", dir.path()};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const test::CliResult r = test::runProgram(test::cliBinary(), args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(GetParam().outStart, 0), 0u) << r.out;
    // Asking for help never creates torvane.db.
    EXPECT_NE(::access(dir.file("torvane.db").c_str(), F_OK), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpTest,
                         ::testing::Values(HelpCase{{"--version"}, "Version 1.1\n"},
                                           HelpCase{{"--help"}, "Usage: torvane-cli [-C DIR] COMMAND"},
                                           HelpCase{{"send", "--help"}, "Usage: torvane-cli send [--pause"},
                                           HelpCase{{"--help", "set"}, "Usage: torvane-cli set NAME VALUE"},
                                           HelpCase{{"help", "set-field"}, "Usage: torvane-cli set-field ORDER"},
                                           HelpCase{{"set-option", "-h"}, "Usage: torvane-cli set-option FIELD"},
                                           HelpCase{{"import-html", "--help"}, "Usage: torvane-cli import-html"},
                                           HelpCase{{"show", "--help"}, "Usage: torvane-cli show"},
                                           HelpCase{{"tracking", "--help"}, "Usage: torvane-cli tracking list"}));

}  // namespace
}  // namespace torvane
