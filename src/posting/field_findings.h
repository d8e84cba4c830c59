// One field definition's value for one export line, with what is wrong with it: the data check reports
// these findings for every record, the field mapper for the line it shows.
#pragma once

#include "posting/record_fields.h"

#include <string>
#include <vector>

namespace torvane {

class CharacterCutter;
class InvalidByteFinder;
struct FieldSettings;

struct FieldFindings {
    std::vector<std::string> warnings;
    bool conversionFailed = false;  // the run would end at this field
    FieldValueNotes notes;
};

// The value fieldValue (record_fields.h) gives, with the problems found on the way added to findings:
// a start beyond the end of the line, a value cut at MaxLength without Fill Next Field, bytes that are
// no characters of the export encoding (when invalidBytes is given), a value that is no real date or
// time for its format. A conversion that fails is taken as
// a finding and the value is given unconverted.
std::string findFieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                           const CharacterCutter* characters, const InvalidByteFinder* invalidBytes,
                           const std::string& exportEncoding, FieldFindings& findings);

}  // namespace torvane
