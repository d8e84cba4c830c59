#include "posting/value_pattern.h"

#include "util/dates.h"
#include "util/text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace torvane {

namespace {

constexpr std::string_view kSeparator = " To ";
constexpr const char* kNamedDate = "YYYYMMDD To MM/DD/YY";
constexpr const char* kNamedTime = "HHMM To HH:MM";
constexpr const char* kNamedTime12 = "HHMM To HH:MM AM/PM";
// Two-digit years up to this one are of this century, later ones of the last.
constexpr int kLastYearOfThisCentury = 68;

std::string twoDigits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

bool readDigits(const std::string& value, size_t& at, size_t count, int& number)
{
    if (at + count > value.size())
        return false;
    number = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (value[i] < '0' || value[i] > '9')
            return false;
        number = number * 10 + (value[i] - '0');
    }
    at += count;
    return true;
}

}  // namespace

bool isNamedFormat(const std::string& format)
{
    return format == kNamedDate || format == kNamedTime || format == kNamedTime12;
}

std::optional<std::vector<ValuePattern::Piece>> ValuePattern::tokens(const std::string& side, Kind& kind,
                                                                     bool& kindKnown, std::string* reason)
{
    struct Word {
        std::string_view text;
        Token token;
        int kind;  // 0 date, 1 time, 2 either (MM)
    };
    static constexpr std::array<Word, 7> kWords = {{{"YYYY", Token::Year4, 0},
                                                    {"AM/PM", Token::AmPm, 1},
                                                    {"YY", Token::Year2, 0},
                                                    {"MM", Token::Month, 2},
                                                    {"DD", Token::Day, 0},
                                                    {"HH", Token::Hour, 1},
                                                    {"SS", Token::Second, 1}}};
    std::vector<Piece> pieces;
    for (size_t at = 0; at < side.size();) {
        const auto word = std::find_if(kWords.begin(), kWords.end(), [&](const Word& w) {
            return std::string_view(side).substr(at, w.text.size()) == w.text;
        });
        if (word == kWords.end()) {
            pieces.push_back({Token::Literal, side[at++]});
            continue;
        }
        if (word->kind != 2) {
            const Kind wordKind = word->kind == 0 ? Kind::Date : Kind::Time;
            if (kindKnown && wordKind != kind) {
                if (reason)
                    *reason = "a pattern is all date (YYYY, YY, MM, DD) or all time (HH, MM, SS, AM/PM)";
                return std::nullopt;
            }
            kind = wordKind;
            kindKnown = true;
        }
        pieces.push_back({word->token});
        at += word->text.size();
    }
    return pieces;
}

std::optional<ValuePattern> ValuePattern::parse(const std::string& format, std::string* reason)
{
    const auto fail = [reason](const std::string& why) -> std::optional<ValuePattern> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    if (isNamedFormat(format))
        return fail("a format of its own, not a pattern");
    const size_t split = format.find(kSeparator);
    if (split == std::string::npos)
        return fail("a pattern is written \"IN To OUT\", such as \"YYYYMMDD To YYYY-MM-DD\"");
    if (format.front() == ' ' || format.back() == ' ')
        return fail("a pattern has no blank at its start or end");
    ValuePattern pattern;
    bool kindKnown = false;
    const auto in = tokens(format.substr(0, split), pattern.m_kind, kindKnown, reason);
    if (!in)
        return std::nullopt;
    const auto out = tokens(format.substr(split + kSeparator.size()), pattern.m_kind, kindKnown, reason);
    if (!out)
        return std::nullopt;
    pattern.m_in = *in;
    pattern.m_out = *out;
    // In a time pattern MM is the minutes.
    for (std::vector<Piece>* side : {&pattern.m_in, &pattern.m_out})
        for (Piece& piece : *side)
            if (piece.token == Token::Month && pattern.m_kind == Kind::Time)
                piece.token = Token::Minute;
    // Both year tokens are the one year.
    const auto field = [](Token t) { return t == Token::Year2 ? Token::Year4 : t; };
    std::vector<Token> inFields;
    for (const Piece& piece : pattern.m_in) {
        if (piece.token == Token::Literal)
            continue;
        if (piece.token == Token::AmPm)
            return fail("AM/PM is written only after \"To\": the time read is a 24-hour time");
        if (std::find(inFields.begin(), inFields.end(), field(piece.token)) != inFields.end())
            return fail("each part of the date or time is read once");
        inFields.push_back(field(piece.token));
    }
    if (inFields.empty())
        return fail("the part before \"To\" holds none of YYYY, YY, MM, DD, HH, SS");
    for (const Piece& piece : pattern.m_out)
        if (piece.token != Token::Literal && piece.token != Token::AmPm &&
            std::find(inFields.begin(), inFields.end(), field(piece.token)) == inFields.end())
            return fail("every part written after \"To\" must be read before it");
    return pattern;
}

std::optional<ValuePattern::Parts> ValuePattern::read(const std::string& value) const
{
    Parts parts;
    size_t at = 0;
    for (const Piece& piece : m_in) {
        int n = 0;
        bool ok = true;
        switch (piece.token) {
        case Token::Literal:
            ok = at < value.size() && value[at++] == piece.literal;
            break;
        case Token::Year4:
            ok = readDigits(value, at, 4, parts.year);
            break;
        case Token::Year2:
            ok = readDigits(value, at, 2, n);
            parts.year = n + (n <= kLastYearOfThisCentury ? 2000 : 1900);
            break;
        case Token::Month:
            ok = readDigits(value, at, 2, parts.month);
            break;
        case Token::Day:
            ok = readDigits(value, at, 2, parts.day);
            break;
        case Token::Hour:
            ok = readDigits(value, at, 2, parts.hour);
            break;
        case Token::Minute:
            ok = readDigits(value, at, 2, parts.minute);
            break;
        case Token::Second:
            ok = readDigits(value, at, 2, parts.second);
            break;
        case Token::AmPm:
            ok = false;
            break;
        }
        if (!ok)
            return std::nullopt;
    }
    if (at != value.size())
        return std::nullopt;
    const bool real = m_kind == Kind::Date ? isValidDate(parts.year, parts.month, parts.day)
                                           : parts.hour < 24 && parts.minute < 60 && parts.second < 60;
    return real ? std::optional<Parts>(parts) : std::nullopt;
}

std::string ValuePattern::write(const Parts& parts) const
{
    const bool twelveHour = std::any_of(m_out.begin(), m_out.end(), [](const Piece& p) { return p.token == Token::AmPm; });
    std::string out;
    for (const Piece& piece : m_out) {
        switch (piece.token) {
        case Token::Literal:
            out.push_back(piece.literal);
            break;
        case Token::Year4:
            out += twoDigits(parts.year / 100) + twoDigits(parts.year);
            break;
        case Token::Year2:
            out += twoDigits(parts.year);
            break;
        case Token::Month:
            out += twoDigits(parts.month);
            break;
        case Token::Day:
            out += twoDigits(parts.day);
            break;
        case Token::Hour:
            out += twoDigits(twelveHour ? (parts.hour + 11) % 12 + 1 : parts.hour);
            break;
        case Token::Minute:
            out += twoDigits(parts.minute);
            break;
        case Token::Second:
            out += twoDigits(parts.second);
            break;
        case Token::AmPm:
            out += parts.hour < 12 ? "AM" : "PM";
            break;
        }
    }
    return out;
}

std::optional<std::string> ValuePattern::convert(const std::string& value) const
{
    const auto parts = read(value);
    if (!parts)
        return std::nullopt;
    return write(*parts);
}

bool isValueFormat(const std::string& format, std::string* reason)
{
    return isNamedFormat(format) || ValuePattern::parse(format, reason).has_value();
}

std::optional<std::string> impossibleValue(const std::string& format, const std::string& value)
{
    std::string text = trimmedBlanks(value);
    if (text.empty())
        return std::nullopt;
    std::optional<ValuePattern> pattern;
    if (format == kNamedDate) {
        pattern = ValuePattern::parse("YYYYMMDD To YYYYMMDD");
    } else if (format == kNamedTime || format == kNamedTime12) {
        // The named time formats put a "0" before a short time.
        if (text.size() < 4)
            text.insert(0, 1, '0');
        pattern = ValuePattern::parse("HHMM To HHMM");
    } else {
        pattern = ValuePattern::parse(format);
    }
    if (!pattern || pattern->convert(text))
        return std::nullopt;
    return pattern->kindName();
}

}  // namespace torvane
