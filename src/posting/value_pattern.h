// Value formats written as a conversion pattern "IN To OUT" ("YYYYMMDD To YYYY-MM-DD", "HHMM To HH:MM
// AM/PM"), and the check that a value is a real date or time for its format.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace torvane {

class ValuePattern {
public:
    enum class Kind { Date, Time };

    // The pattern a format text writes; nothing, with the reason in *reason when given, when it writes
    // none. The three formats with names of their own are no patterns.
    static std::optional<ValuePattern> parse(const std::string& format, std::string* reason = nullptr);

    Kind kind() const { return m_kind; }
    // "Date" or "Time", as the refusal message names it.
    const char* kindName() const { return m_kind == Kind::Date ? "Date" : "Time"; }
    // The value written as OUT; nothing when it is no real date or time as IN reads it. An empty value
    // is the caller's to keep.
    std::optional<std::string> convert(const std::string& value) const;

private:
    enum class Token { Year4, Year2, Month, Day, Hour, Minute, Second, AmPm, Literal };
    struct Piece {
        Token token;
        char literal = 0;
    };
    struct Parts {
        int year = 2000;  // a leap year, so that a pattern without a year takes 29 February
        int month = 1;
        int day = 1;
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    static std::optional<std::vector<Piece>> tokens(const std::string& side, Kind& kind, bool& kindKnown,
                                                    std::string* reason);
    std::optional<Parts> read(const std::string& value) const;
    std::string write(const Parts& parts) const;

    Kind m_kind = Kind::Date;
    std::vector<Piece> m_in;
    std::vector<Piece> m_out;
};

// The three formats with names of their own, compared exactly.
bool isNamedFormat(const std::string& format);
// Whether the format converts a date or time at all: a named format or a valid pattern.
bool isValueFormat(const std::string& format, std::string* reason = nullptr);
// "Date" or "Time" when a value that the format converts is no real date or time for it (the named
// formats included, which still send what they send); nothing when it is one, or the format converts
// nothing, or the value is empty.
std::optional<std::string> impossibleValue(const std::string& format, const std::string& value);

}  // namespace torvane
