#include "util/dates.h"

#include "util/text.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <vector>

namespace torvane {

namespace {

// A run of at most four digits, already checked by the caller, so it always converts.
int digitsValue(const std::string& digits)
{
    int32_t value = 0;
    return tryToInt32(digits, value) ? value : -1;
}

std::string& formatStorage()
{
    static std::string pattern = "MM/dd/yyyy";
    return pattern;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

struct Token {
    char kind;  // 'd', 'M', 'y' or 0 for a literal
    int width;
    std::string literal;
};

std::vector<Token> tokenize(const std::string& pattern)
{
    std::vector<Token> tokens;
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == 'd' || c == 'M' || c == 'y') {
            size_t j = i;
            while (j < pattern.size() && pattern[j] == c)
                ++j;
            tokens.push_back({c, int(j - i), {}});
            i = j;
        } else {
            if (tokens.empty() || tokens.back().kind != 0)
                tokens.push_back({0, 0, {}});
            tokens.back().literal.push_back(c);
            ++i;
        }
    }
    return tokens;
}

std::string padded(int value, int width)
{
    std::string s = std::to_string(value);
    while (static_cast<int>(s.size()) < width)
        s.insert(s.begin(), '0');
    return s;
}

}  // namespace

bool isValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

Date today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Date addDays(Date date, int days)
{
    using namespace std::chrono;
    const sys_days base = year_month_day{year{date.year}, month{unsigned(date.month)}, day{unsigned(date.day)}};
    const year_month_day result{base + std::chrono::days{days}};
    return {int(result.year()), int(unsigned(result.month())), int(unsigned(result.day()))};
}

std::string toIsoText(Date date)
{
    return padded(date.year, 4) + "-" + padded(date.month, 2) + "-" + padded(date.day, 2);
}

std::optional<Date> fromIsoText(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
    const int y = digitsValue(text.substr(0, 4)), m = digitsValue(text.substr(5, 2)), d = digitsValue(text.substr(8, 2));
    if (!isValidDate(y, m, d))
        return std::nullopt;
    return Date{y, m, d};
}

void setShortDateFormat(const std::string& pattern)
{
    if (!pattern.empty())
        formatStorage() = pattern;
}

std::string patternFromStrftime(const std::string& format)
{
    std::string pattern;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            if (std::isalpha(static_cast<unsigned char>(format[i])))
                return {};  // a letter would read as a field of the pattern
            pattern += format[i];
            continue;
        }
        if (++i == format.size())
            return {};
        switch (format[i]) {
        case 'd': pattern += "dd"; break;
        case 'e': pattern += "d"; break;
        case 'm': pattern += "MM"; break;
        case 'y': pattern += "yy"; break;
        case 'Y': pattern += "yyyy"; break;
        case 'D': pattern += "MM/dd/yy"; break;
        case 'F': pattern += "yyyy-MM-dd"; break;
        default: return {};
        }
    }
    return pattern;
}

std::string localeShortDateFormat()
{
    const std::string fallback = "MM/dd/yyyy";
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return fallback;
    const std::string pattern = patternFromStrftime(nl_langinfo_l(D_FMT, locale));
    freelocale(locale);
    return pattern.empty() ? fallback : pattern;
}

const std::string& shortDateFormat()
{
    return formatStorage();
}

std::string formatShortDate(Date date)
{
    std::string out;
    for (const Token& t : tokenize(formatStorage())) {
        switch (t.kind) {
        case 'd': out += padded(date.day, t.width >= 2 ? 2 : 1); break;
        case 'M': out += padded(date.month, t.width >= 2 ? 2 : 1); break;
        case 'y': out += t.width <= 2 ? padded(date.year % 100, 2) : padded(date.year, 4); break;
        default: out += t.literal;
        }
    }
    return out;
}

std::optional<Date> parseShortDate(const std::string& text)
{
    if (auto iso = fromIsoText(text))
        return iso;
    int y = -1, m = -1, d = -1;
    size_t pos = 0;
    for (const Token& t : tokenize(formatStorage())) {
        if (t.kind == 0) {
            if (text.compare(pos, t.literal.size(), t.literal) != 0)
                return std::nullopt;
            pos += t.literal.size();
            continue;
        }
        size_t start = pos;
        while (pos < text.size() && pos - start < 4 && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        if (pos == start)
            return std::nullopt;
        const int value = digitsValue(text.substr(start, pos - start));
        if (t.kind == 'd') d = value;
        else if (t.kind == 'M') m = value;
        else y = (pos - start <= 2) ? 2000 + value : value;
    }
    if (pos != text.size() || !isValidDate(y, m, d))
        return std::nullopt;
    return Date{y, m, d};
}

}  // namespace torvane

namespace torvane {

std::string localTimeText(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    return std::strftime(text, sizeof text, format, &local) ? text : "";
}

std::string localTimestamp()
{
    // strftime writes the offset as +hhmm; ISO 8601's extended form wants +hh:mm.
    std::string s = localTimeText("%Y-%m-%dT%H:%M:%S%z");
    if (s.size() >= 5)
        s.insert(s.size() - 2, ":");
    return s;
}

std::string shortDateOfTimestamp(const std::string& timestamp)
{
    const auto day = fromIsoText(timestamp.substr(0, 10));
    return day ? formatShortDate(*day) : timestamp;
}

}  // namespace torvane

namespace torvane {

std::optional<std::time_t> parseHttpDate(const std::string& text)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char weekday[16] = {}, month[4] = {}, zone[4] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    int consumed = 0;
    bool read = false;
    // IMF-fixdate, then RFC 850 (two-digit year), then asctime.
    if (std::sscanf(text.c_str(), "%15[A-Za-z], %2d %3s %4d %2d:%2d:%2d %3s%n", weekday, &day, month, &year, &hour,
                    &minute, &second, zone, &consumed) == 8) {
        read = true;
    } else if (std::sscanf(text.c_str(), "%15[A-Za-z], %2d-%3s-%2d %2d:%2d:%2d %3s%n", weekday, &day, month, &year,
                           &hour, &minute, &second, zone, &consumed) == 8) {
        year += year < 70 ? 2000 : 1900;
        read = true;
    } else if (std::sscanf(text.c_str(), "%3s %3s %2d %2d:%2d:%2d %4d%n", weekday, month, &day, &hour, &minute,
                           &second, &year, &consumed) == 7) {
        std::strcpy(zone, "GMT");
        read = true;
    }
    if (!read || size_t(consumed) != text.size() || std::string(zone) != "GMT")
        return std::nullopt;
    int monthNumber = 0;
    for (int m = 0; m < 12; ++m)
        if (std::string(month) == months[m])
            monthNumber = m + 1;
    if (monthNumber == 0 || !isValidDate(year, monthNumber, day) || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = monthNumber - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

}  // namespace torvane
