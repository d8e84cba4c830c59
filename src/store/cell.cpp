#include "store/cell.h"

#include "util/error.h"
#include "util/text.h"

namespace torvane {

std::string cellDisplayText(const Cell& cell, FieldKind kind)
{
    if (isBlankCell(cell))
        return {};
    if (const int64_t* n = std::get_if<int64_t>(&cell)) {
        if (kind == FieldKind::Logical)
            return *n ? "True" : "False";
        return std::to_string(*n);
    }
    const std::string& text = std::get<std::string>(cell);
    if (kind == FieldKind::Date) {
        if (auto d = fromIsoText(text))
            return formatShortDate(*d);
    }
    return text;
}

Cell cellFromText(const std::string& text, const FieldDef& field)
{
    if (text.empty())
        return std::monostate{};
    switch (field.kind) {
    case FieldKind::Text:
        return text;
    case FieldKind::Integer: {
        int32_t v = 0;
        if (!tryToInt32(trimmedBlanks(text), v))
            throw Error("'" + text + "' is not a valid integer value for field '" + field.name + "'");
        return int64_t(v);
    }
    case FieldKind::Logical: {
        const std::string t = upperAscii(trimmedBlanks(text));
        if (t == "TRUE" || t == "1")
            return int64_t(1);
        if (t == "FALSE" || t == "0")
            return int64_t(0);
        throw Error("'" + text + "' is not a valid boolean value for field '" + field.name + "'");
    }
    case FieldKind::Date: {
        if (auto d = parseShortDate(trimmedBlanks(text)))
            return toIsoText(*d);
        throw Error("'" + text + "' is not a valid date for field '" + field.name + "'");
    }
    }
    return std::monostate{};
}

}  // namespace torvane
