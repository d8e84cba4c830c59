#include "posting/value_pattern.h"

#include "posting/record_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace torvane {
namespace {

TEST(ValuePatternTest, ConvertsRealDatesAndTimesAndRefusesTheRest)
{
    struct Case {
        const char* what;
        std::string format;
        std::string in;
        std::string out;                // what FormatStr leaves
        const char* impossible;         // what impossibleValue says, "" for nothing
    };
    const Case cases[] = {
        {"ISO date from the export's digits", "YYYYMMDD To YYYY-MM-DD", "20261231", "2026-12-31", ""},
        {"blanks around the value go", "YYYYMMDD To YYYY-MM-DD", "  20260101 ", "2026-01-01", ""},
        {"an empty value stays empty", "YYYYMMDD To YYYY-MM-DD", "   ", "", ""},
        {"two-digit year 00 is 2000", "MMDDYY To DD.MM.YYYY", "010200", "02.01.2000", ""},
        {"two-digit year 68 is 2068", "MMDDYY To DD.MM.YYYY", "123168", "31.12.2068", ""},
        {"two-digit year 69 is 1969", "MMDDYY To DD.MM.YYYY", "072069", "20.07.1969", ""},
        {"four-digit year written short", "YYYYMMDD To MM/DD/YY", "19991231", "12/31/99", ""},
        {"day first", "DDMMYYYY To MM/DD/YYYY", "31012026", "01/31/2026", ""},
        {"literals on the way in", "YYYY-MM-DD To DD/MM/YYYY", "2026-02-03", "03/02/2026", ""},
        {"29 February of a leap year", "YYYYMMDD To YYYY-MM-DD", "20240229", "2024-02-29", ""},
        {"29 February 2000", "YYYYMMDD To YYYY-MM-DD", "20000229", "2000-02-29", ""},
        {"29 February of a common year", "YYYYMMDD To YYYY-MM-DD", "20260229", "20260229", "Date"},
        {"29 February 1900", "YYYYMMDD To YYYY-MM-DD", "19000229", "19000229", "Date"},
        {"13th month", "YYYYMMDD To YYYY-MM-DD", "20261341", "20261341", "Date"},
        {"31 April", "YYYYMMDD To YYYY-MM-DD", "20260431", "20260431", "Date"},
        {"day 0", "YYYYMMDD To YYYY-MM-DD", "20260100", "20260100", "Date"},
        {"letters", "YYYYMMDD To YYYY-MM-DD", "2026O101", "2026O101", "Date"},
        {"too short", "YYYYMMDD To YYYY-MM-DD", "2026011", "2026011", "Date"},
        {"too long", "YYYYMMDD To YYYY-MM-DD", "202601011", "202601011", "Date"},
        {"a literal that is not there", "YYYY-MM-DD To YYYYMMDD", "2026/01/01", "2026/01/01", "Date"},
        {"time with seconds", "HHMMSS To HH:MM:SS", "235959", "23:59:59", ""},
        {"time without seconds", "HHMMSS To HH:MM", "070809", "07:08", ""},
        {"midnight on a 12-hour clock", "HHMMSS To HH:MM:SS AM/PM", "000005", "12:00:05 AM", ""},
        {"noon on a 12-hour clock", "HHMMSS To HH:MM:SS AM/PM", "120000", "12:00:00 PM", ""},
        {"afternoon on a 12-hour clock", "HHMM To HH.MM AM/PM", "1330", "01.30 PM", ""},
        {"AM/PM alone", "HHMM To AM/PM", "2359", "PM", ""},
        {"hour 24", "HHMM To HH-MM", "2400", "2400", "Time"},
        {"minute 60", "HHMM To HH.MM", "1260", "1260", "Time"},
        {"second 60", "HHMMSS To HH:MM:SS", "120060", "120060", "Time"},
        {"a named format keeps its meaning", "YYYYMMDD To MM/DD/YY", "20261341", "13/41/26", "Date"},
        {"a named time keeps its meaning", "HHMM To HH:MM", "2400", "24:00", "Time"},
        {"a short named time is padded first", "HHMM To HH:MM AM/PM", "930", "09:30AM", ""},
        {"a near miss with a trailing blank is no pattern", "YYYYMMDD To YYYY-MM-DD ", "20261341", "20261341", ""},
        {"lower-case tokens are text", "yyyymmdd To YYYY", "20261341", "20261341", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string value = c.in;
        FormatStr(c.format, value);
        EXPECT_EQ(value, c.out);
        EXPECT_EQ(impossibleValue(c.format, c.in).value_or(""), c.impossible);
    }
}

TEST(ValuePatternTest, TellsWhyATextIsNoPattern)
{
    struct Case {
        std::string format;
        const char* reason;  // "" for a valid format
    };
    const Case cases[] = {
        {"YYYYMMDD To MM/DD/YY", ""},
        {"YYYYMMDD To YYYY-MM-DD", ""},
        {"HHMM To HH:MM AM/PM", ""},
        {"MMDD To DD/MM", ""},
        {"YYYYMMDD", "a pattern is written \"IN To OUT\", such as \"YYYYMMDD To YYYY-MM-DD\""},
        {" YYYYMMDD To YYYY", "a pattern has no blank at its start or end"},
        {"YYYYMMDD To YYYY-MM-DD ", "a pattern has no blank at its start or end"},
        {"YYYYHH To YYYY", "a pattern is all date (YYYY, YY, MM, DD) or all time (HH, MM, SS, AM/PM)"},
        {"YYYYMMDD To HH:MM", "a pattern is all date (YYYY, YY, MM, DD) or all time (HH, MM, SS, AM/PM)"},
        {"HHMM AM/PM To HH:MM", "AM/PM is written only after \"To\": the time read is a 24-hour time"},
        {"YYYYMMDDYY To YYYY", "each part of the date or time is read once"},
        {"-- To YYYY", "the part before \"To\" holds none of YYYY, YY, MM, DD, HH, SS"},
        {"HHMM To HH:MM:SS", "every part written after \"To\" must be read before it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::string reason;
        EXPECT_EQ(isValueFormat(c.format, &reason), std::string(c.reason).empty());
        EXPECT_EQ(reason, c.reason);
    }
}

}  // namespace
}  // namespace torvane
