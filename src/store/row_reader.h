// Reading the fields of a current row, shared by table views and statement holders. Every reader tests
// for blank first and uses the caller's value for a blank field; only a non-blank value is converted.
#pragma once

#include "store/cell.h"

#include <string>

namespace torvane {

class RowReader {
public:
    virtual ~RowReader() = default;
    virtual const TableDef& tableDef() const = 0;
    // The value of a field of the current row; throws for an unknown field or when there is no row.
    virtual Cell cell(const std::string& field) const = 0;

    bool isBlank(const std::string& field) const { return isBlankCell(cell(field)); }
    // The value, or blankValue when the field is blank.
    std::string text(const std::string& field, const std::string& blankValue = {}) const;
    int32_t integer(const std::string& field, int32_t blankValue) const;
    bool logical(const std::string& field, bool blankValue) const;
    // The display text: "True"/"False", decimal, short date.
    std::string displayText(const std::string& field) const;
};

}  // namespace torvane
