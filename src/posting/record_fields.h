// One field definition applied to one export line: where its value lies, how it is converted and cut,
// how the surplus of a long value spills into the next fields, and whether a required value is missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

class CharacterCutter;
class RowReader;

// A field definition as the posting run reads it, blank fields already replaced by their defaults.
struct FieldSettings {
    std::string Name;
    std::string Type;  // upper case (ASCII letters)
    std::string DefaultValue;
    int32_t MaxLength = 20;
    bool Overflow = false;
    bool Required = false;
    int32_t ImportStart = 0;
    int32_t ImportLength = 0;
    std::string Format;
    bool ZeroValid = true;
};

// What taking a value found besides the value itself.
struct FieldValueNotes {
    std::string uncut;        // trimmed and converted, before the cut at MaxLength
    std::string impossible;   // "Date" or "Time" when the value is no real one for its format
    std::string unconverted;  // the value before its format, when it is impossible
};

// Reads the definition from the current row of a field definitions result.
FieldSettings GetFieldSettings(const RowReader& row);

// Cuts the value out of the line (columns counted from 1), trims, converts and limits it to maxLength;
// overflowText receives what is carried to the following fields (empty when nothing is). Columns and
// maxLength count bytes, or the characters of characters when it is given. notes, when given, receive
// the text as it stood before the cut at maxLength, and whether it was a real date or time.
std::string GetDataItemToSend(const std::string& line, int32_t importStart, int32_t importLength,
                              int32_t maxLength, bool overflow, const std::string& format,
                              std::string& overflowText, const CharacterCutter* characters = nullptr,
                              FieldValueNotes* notes = nullptr);

// The same, taking the text carried from the fields before instead of a piece of the line.
std::string GetDataItemToSendOverFlow(int32_t maxLength, bool overflow, const std::string& format,
                                      std::string& overflowText, const CharacterCutter* characters = nullptr,
                                      FieldValueNotes* notes = nullptr);

// Converts value in place when format names one of the three known conversions or writes a pattern
// (value_pattern.h; a value that is no real date or time then stays unchanged); any other format leaves
// it unchanged. A time with a non-numeric hour throws Error.
void FormatStr(const std::string& format, std::string& value);

// For a required field: an empty value (or "0" when zero does not count) clears recordComplete and
// adds the field's line to requiredList. A present value changes nothing.
void CheckIfRequiredField(const std::string& value, const std::string& name, bool zeroValid,
                          bool& recordComplete, std::vector<std::string>& requiredList);

// The value of one definition before the cross walk: from the line when it has a start column, else
// from the pending overflow text, else the default value exactly as stored (notes are then left alone).
std::string fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                       const CharacterCutter* characters = nullptr, FieldValueNotes* notes = nullptr);

}  // namespace torvane
