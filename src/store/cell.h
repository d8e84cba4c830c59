// One field value as the store keeps it: blank, a number (integer and logical fields) or text (text
// fields, and date fields as ISO text). Conversions to and from the text the operator sees live here.
#pragma once

#include "store/schema.h"
#include "util/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace torvane {

using Cell = std::variant<std::monostate, int64_t, std::string>;

inline bool isBlankCell(const Cell& c) { return std::holds_alternative<std::monostate>(c); }

// The text a control shows: blank is empty, an integer in decimal, a logical "True" or "False", a date
// in the short date format.
std::string cellDisplayText(const Cell& cell, FieldKind kind);

// Reads text the operator typed into a field of the given kind; empty text is blank. Text that does not
// fit the kind throws the store's error, for instance "'abc' is not a valid integer value for field
// 'LinesToRead'".
Cell cellFromText(const std::string& text, const FieldDef& field);

}  // namespace torvane
