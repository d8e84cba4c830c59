#include "posting/field_findings.h"

#include "posting/record_fields.h"
#include "posting/value_pattern.h"
#include "util/encoding.h"
#include "util/error.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace torvane {

namespace {

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string hexByte(unsigned char c)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// The number of columns of a line: bytes, or characters when the run counts them.
int64_t columnCount(const std::string& line, const CharacterCutter* characters)
{
    if (!characters)
        return static_cast<int64_t>(line.size());
    int64_t count = 0;
    for (size_t at = 0; at < line.size(); at += characters->characterLength(line, at))
        ++count;
    return count;
}

std::string lowerWord(const std::string& word)
{
    return word == "Date" ? "date" : "time";
}

}  // namespace

std::string findFieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                           const CharacterCutter* characters, const InvalidByteFinder* invalidBytes,
                           const std::string& exportEncoding, FieldFindings& findings)
{
    std::vector<std::string>& warnings = findings.warnings;
    const bool fromLine = field.ImportStart != 0;
    const bool fromOverflow = !fromLine && !overflowText.empty();
    if (fromLine) {
        const int64_t columns = columnCount(line, characters);
        if (std::max<int64_t>(field.ImportStart, 1) > columns)
            warnings.push_back(field.Name + " starts at column " + std::to_string(field.ImportStart) +
                               ", beyond the end of the line (" + std::to_string(columns) + " columns)");
    }

    const std::string pending = overflowText;
    FieldValueNotes& notes = findings.notes;
    const std::string& uncut = notes.uncut;
    std::string value;
    try {
        value = fieldValue(field, line, overflowText, characters, &notes);
    } catch (const Error& e) {
        // The run would end at this field. The finding says why, and the value goes on unconverted.
        findings.conversionFailed = true;
        warnings.push_back(std::string(e.what()) + ": the run would end here (" + field.Name + ", Format " +
                           quoted(field.Format) + ")");
        overflowText = pending;
        FieldSettings unconverted = field;
        unconverted.Format.clear();
        notes = {};
        value = fieldValue(unconverted, line, overflowText, characters, &notes);
    }
    if (!notes.impossible.empty())
        warnings.push_back(field.Name + " " + quoted(notes.unconverted) + " is no real " + lowerWord(notes.impossible) +
                           " for Format " + quoted(field.Format) +
                           (isNamedFormat(field.Format) ? ": it is sent as " + quoted(value)
                                                        : std::string(": the record would be refused")));
    if ((fromLine || fromOverflow) && !field.Overflow && value.size() < uncut.size())
        warnings.push_back(field.Name + " cut to MaxLength " + std::to_string(field.MaxLength) +
                           " without Fill Next Field: " + quoted(uncut) + " is sent as " + quoted(value));
    if (invalidBytes) {
        const size_t at = invalidBytes->find(value);
        if (at != std::string_view::npos)
            warnings.push_back(field.Name + " holds bytes not valid in " + exportEncoding + " (the first, " +
                               hexByte(static_cast<unsigned char>(value[at])) + ", at byte " +
                               std::to_string(at + 1) + ")");
    }
    return value;
}

}  // namespace torvane
