#include "store/row_reader.h"

#include "util/error.h"
#include "util/text.h"

namespace torvane {

std::string RowReader::text(const std::string& field, const std::string& blankValue) const
{
    const Cell c = cell(field);
    if (isBlankCell(c))
        return blankValue;
    return cellDisplayText(c, tableDef().field(field).kind);
}

int32_t RowReader::integer(const std::string& field, int32_t blankValue) const
{
    const Cell c = cell(field);
    if (isBlankCell(c))
        return blankValue;
    // A 64-bit value put in by another program is refused rather than cut down to 32 bits.
    if (const int64_t* n = std::get_if<int64_t>(&c)) {
        if (*n < INT32_MIN || *n > INT32_MAX)
            throw Error(notValidIntegerMessage(std::to_string(*n)));
        return static_cast<int32_t>(*n);
    }
    return toInt32(std::get<std::string>(c));
}

bool RowReader::logical(const std::string& field, bool blankValue) const
{
    const Cell c = cell(field);
    if (isBlankCell(c))
        return blankValue;
    if (const int64_t* n = std::get_if<int64_t>(&c))
        return *n != 0;
    return cellFromText(std::get<std::string>(c), FieldDef{field, FieldKind::Logical}) == Cell{int64_t(1)};
}

std::string RowReader::displayText(const std::string& field) const
{
    return cellDisplayText(cell(field), tableDef().field(field).kind);
}

}  // namespace torvane
