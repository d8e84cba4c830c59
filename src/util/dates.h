// Calendar days and the user's short date format. Dates are stored as ISO text (YYYY-MM-DD) and shown
// and reported in the short date format; this is the one place that formats and parses them.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace torvane {

struct Date {
    int year = 1970;
    int month = 1;
    int day = 1;
    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

Date today();
Date addDays(Date date, int days);
bool isValidDate(int year, int month, int day);

std::string toIsoText(Date date);
std::optional<Date> fromIsoText(const std::string& text);

// The short date format as a pattern of d, dd, M, MM, yy and yyyy with separators, for instance
// "MM/dd/yyyy". The application sets it from the desktop's locale at start; the default is month-first.
void setShortDateFormat(const std::string& pattern);
// The short date format of the user's locale (the LC_TIME settings of the environment) as such a
// pattern; the month-first default when the locale's format cannot be expressed.
std::string localeShortDateFormat();
// The same translation for a strftime-style format such as "%m/%d/%y"; empty when it cannot.
std::string patternFromStrftime(const std::string& format);
const std::string& shortDateFormat();
std::string formatShortDate(Date date);
// Reads a date written in the short date format, or as ISO text.
std::optional<Date> parseShortDate(const std::string& text);

}  // namespace torvane

namespace torvane {

// The local time now as ISO 8601 with its offset from UTC, for instance "2026-12-09T10:14:37+01:00":
// the form the delivery history and the results files keep times in.
std::string localTimestamp();
// The local time now, as strftime writes it with format (at most 63 bytes).
std::string localTimeText(const char* format);
// The calendar day of such a timestamp in the short date format, as the tracking messages show dates;
// the timestamp itself when it starts with no date.
std::string shortDateOfTimestamp(const std::string& timestamp);

}  // namespace torvane

namespace torvane {

// An HTTP date (IMF-fixdate "Sun, 06 Nov 1994 08:49:37 GMT", or the obsolete RFC 850 and asctime forms)
// as seconds since the epoch.
std::optional<std::time_t> parseHttpDate(const std::string& text);

}  // namespace torvane
