#include "posting/record_fields.h"

#include "posting/value_pattern.h"
#include "store/row_reader.h"
#include "util/encoding.h"
#include "util/text.h"

#include <algorithm>

namespace torvane {

namespace {

// The count bytes of text from the 1-based position start. A start below 1 counts as 1, a start past
// the end or a count below 1 gives empty text, and a range running past the end stops there. Worked in
// 64 bits so that extreme columns from a hand-edited definition cannot wrap around.
std::string copyText(const std::string& text, int64_t start, int64_t count)
{
    if (start < 1)
        start = 1;
    const int64_t size = static_cast<int64_t>(text.size());
    if (count <= 0 || start > size)
        return {};
    count = std::min(count, size - start + 1);
    return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

// The columns of a line in bytes, or in characters when the run counts them so.
std::string copyColumns(const std::string& line, int64_t start, int64_t count, const CharacterCutter* characters)
{
    return characters ? characters->copy(line, start, count) : copyText(line, start, count);
}

// Steps shared by both ways of taking a value: trim, convert, cut at maxLength, trim both parts.
std::string cutValue(std::string text, int32_t maxLength, bool overflow, const std::string& format,
                     std::string& overflowText, const CharacterCutter* characters, FieldValueNotes* notes)
{
    TrimBlanks(text);
    if (!format.empty()) {
        if (notes) {
            if (auto kind = impossibleValue(format, text)) {
                notes->impossible = std::move(*kind);
                notes->unconverted = text;
            }
        }
        FormatStr(format, text);
    }
    if (notes)
        notes->uncut = text;
    std::string value;
    // A limit of 0 or below keeps nothing here and, with overflow, carries the whole text on.
    size_t keep = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
    bool longer = static_cast<int64_t>(text.size()) > maxLength;
    if (characters) {
        // Counted in characters, the cut never falls inside one.
        keep = characters->advance(text, 0, keep);
        longer = keep < text.size();
    }
    if (longer) {
        value = text.substr(0, keep);
        overflowText = overflow ? text.substr(keep) : std::string();
    } else {
        value = std::move(text);
        overflowText.clear();
    }
    TrimBlanks(value);
    TrimBlanks(overflowText);
    return value;
}

// Puts ":" before the third character, or after the last when there are only two.
void insertColon(std::string& value)
{
    value.insert(std::min<size_t>(2, value.size()), 1, ':');
}

void padTime(std::string& value)
{
    if (value.size() < 4)
        value.insert(0, 1, '0');
}

void dateToMmDdYy(std::string& value)
{
    value = copyText(value, 5, 2) + "/" + copyText(value, 7, 2) + "/" + copyText(value, 3, 2);
}

void timeToHhMm(std::string& value)
{
    padTime(value);
    insertColon(value);
}

void timeToHhMmAmPm(std::string& value)
{
    padTime(value);
    // The hour is whatever the first two characters say; text that is no number ends the run with
    // the conversion error naming those two characters.
    const int32_t hour = toInt32(value.substr(0, 2));
    std::string suffix;
    if (hour < 12) {
        if (hour == 0)
            value.replace(0, 2, "12");
        suffix = "AM";
    } else if (hour == 12) {
        suffix = "PM";
    } else {
        const std::string twelveHour = std::to_string(hour - 12);
        value.replace(0, 2, twelveHour.size() == 1 ? "0" + twelveHour : twelveHour);
        suffix = "PM";
    }
    insertColon(value);
    value += suffix;
}

// Any other format that writes a pattern converts a real date or time; a value that is none stays as it
// is, for the run to refuse the record.
void convertByPattern(const std::string& format, std::string& value)
{
    const auto pattern = ValuePattern::parse(format);
    if (!pattern)
        return;
    TrimBlanks(value);
    if (value.empty())
        return;
    if (auto converted = pattern->convert(value))
        value = std::move(*converted);
}

}  // namespace

FieldSettings GetFieldSettings(const RowReader& row)
{
    FieldSettings f;
    f.Name = row.text("Name");
    f.Type = upperAscii(row.text("Type"));
    f.DefaultValue = row.text("DefaultValue");
    f.MaxLength = row.integer("MaxLength", 20);
    f.Overflow = row.logical("Overflow", false);
    f.Required = row.logical("Required", false);
    f.ImportStart = row.integer("ImportStart", 0);
    f.ImportLength = row.integer("ImportLength", 0);
    f.Format = row.text("Format");
    f.ZeroValid = row.logical("ZeroValid", true);
    return f;
}

std::string GetDataItemToSend(const std::string& line, int32_t importStart, int32_t importLength,
                              int32_t maxLength, bool overflow, const std::string& format,
                              std::string& overflowText, const CharacterCutter* characters, FieldValueNotes* notes)
{
    return cutValue(copyColumns(line, importStart, importLength, characters), maxLength, overflow, format,
                    overflowText, characters, notes);
}

std::string GetDataItemToSendOverFlow(int32_t maxLength, bool overflow, const std::string& format,
                                      std::string& overflowText, const CharacterCutter* characters,
                                      FieldValueNotes* notes)
{
    std::string pending;
    pending.swap(overflowText);
    return cutValue(std::move(pending), maxLength, overflow, format, overflowText, characters, notes);
}

void FormatStr(const std::string& format, std::string& value)
{
    const bool date = format == "YYYYMMDD To MM/DD/YY";
    const bool time = format == "HHMM To HH:MM";
    const bool time12 = format == "HHMM To HH:MM AM/PM";
    if (!date && !time && !time12) {
        convertByPattern(format, value);
        return;
    }
    TrimBlanks(value);
    if (value.empty())
        return;
    if (date)
        dateToMmDdYy(value);
    else if (time)
        timeToHhMm(value);
    else
        timeToHhMmAmPm(value);
}

void CheckIfRequiredField(const std::string& value, const std::string& name, bool zeroValid,
                          bool& recordComplete, std::vector<std::string>& requiredList)
{
    const bool missing = value.empty() || (!zeroValid && value == "0");
    if (!missing)
        return;
    recordComplete = false;
    requiredList.push_back("     " + name + " Required");
}

std::string fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                       const CharacterCutter* characters, FieldValueNotes* notes)
{
    if (field.ImportStart != 0)
        return GetDataItemToSend(line, field.ImportStart, field.ImportLength, field.MaxLength, field.Overflow,
                                 field.Format, overflowText, characters, notes);
    if (!overflowText.empty())
        return GetDataItemToSendOverFlow(field.MaxLength, field.Overflow, field.Format, overflowText,
                                         characters, notes);
    return field.DefaultValue;
}

}  // namespace torvane
