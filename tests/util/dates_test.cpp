#include "util/dates.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

class DatesTest : public ::testing::Test {
protected:
    void TearDown() override { setShortDateFormat("MM/dd/yyyy"); }
};

TEST_F(DatesTest, ShortDateFormatsBothWays)
{
    struct Case {
        const char* pattern;
        Date date;
        const char* text;
    };
    const Case cases[] = {
        {"MM/dd/yyyy", {2005, 1, 31}, "01/31/2005"},
        {"M/d/yy", {2026, 12, 9}, "12/9/26"},
        {"dd.MM.yyyy", {2026, 3, 4}, "04.03.2026"},
        {"yyyy-MM-dd", {1999, 12, 31}, "1999-12-31"},
    };
    for (const Case& c : cases) {
        setShortDateFormat(c.pattern);
        EXPECT_EQ(formatShortDate(c.date), c.text) << c.pattern;
        EXPECT_EQ(parseShortDate(c.text), c.date) << c.pattern;
    }
    setShortDateFormat("MM/dd/yyyy");
    EXPECT_EQ(parseShortDate("2026-02-28"), (Date{2026, 2, 28})) << "ISO text is always understood";
    for (const char* bad : {"02/30/2026", "13/01/2026", "1/1", "01/01/2026x", ""})
        EXPECT_FALSE(parseShortDate(bad).has_value()) << bad;
}

TEST_F(DatesTest, LocaleFormatsBecomePatterns)
{
    struct Case {
        const char* strftime;
        const char* pattern;
    };
    const Case cases[] = {
        {"%m/%d/%y", "MM/dd/yy"}, {"%d.%m.%Y", "dd.MM.yyyy"}, {"%Y-%m-%d", "yyyy-MM-dd"},
        {"%D", "MM/dd/yy"},       {"%e/%m/%Y", "d/MM/yyyy"},  {"%A %d", ""},
        {"%d de %m", ""},         {"%", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(patternFromStrftime(c.strftime), c.pattern) << c.strftime;
    EXPECT_FALSE(localeShortDateFormat().empty());
}

TEST_F(DatesTest, DayArithmeticCrossesMonthsYearsAndLeapDays)
{
    EXPECT_EQ(addDays({2026, 1, 1}, -1), (Date{2025, 12, 31}));
    EXPECT_EQ(addDays({2024, 2, 28}, 1), (Date{2024, 2, 29}));
    EXPECT_EQ(addDays({2026, 3, 1}, -1), (Date{2026, 2, 28}));
    EXPECT_EQ(addDays({2026, 12, 9}, -365), (Date{2025, 12, 9}));
    EXPECT_EQ(toIsoText({2026, 1, 5}), "2026-01-05");
    EXPECT_FALSE(fromIsoText("2026-13-01").has_value());
    EXPECT_LT((Date{2025, 12, 31}), (Date{2026, 1, 1}));
}

TEST(HttpDateTest, ReadInItsThreeForms)
{
    const std::pair<const char*, std::optional<std::time_t>> cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
        {"Sun, 06 Nov 1994 08:49:37 CET", std::nullopt},
        {"Sun, 31 Feb 1994 08:49:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 25:49:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 08:49:37 GMT trailing", std::nullopt},
        {"", std::nullopt},
        {"120", std::nullopt},
    };
    for (const auto& [text, when] : cases)
        EXPECT_EQ(parseHttpDate(text), when) << text;
}

}  // namespace
}  // namespace torvane
