// The seven statements the application issues against the store, with their values bound rather than
// pasted into the text, so names, codes and keys holding double quotes are looked up correctly.
#pragma once

#include "store/cell.h"
#include "store/schema.h"
#include "util/dates.h"

#include <string>
#include <vector>

namespace torvane {

struct Statement {
    const TableDef* table;  // the table whose rows an opened statement returns or a statement changes
    std::string sql;
    std::vector<Cell> params;
};

// S1: every field definition in OrderNum order.
Statement selectFieldsInOrder();
// S2: the option rows of a field whose import map equals the code without regard to case.
Statement selectOptionByCode(const std::string& fieldName, const std::string& code);
// S3: the field's default options.
Statement selectDefaultOption(const std::string& fieldName);
// S4: the tracking records of a key.
Statement selectTrackByKey(const std::string& key);
// S5: removes the tracking records sent on or before the cut-off day.
Statement deleteTrackUpTo(Date cutOff);
// S6 and S7: remove every field definition, every option row.
Statement deleteAllFields();
Statement deleteAllOptions();

// Beyond the seven: the option rows of a field, for a check box, which goes through the cross walk only
// when it has some.
Statement selectOptionsOfField(const std::string& fieldName);

}  // namespace torvane
