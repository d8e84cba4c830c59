// Rows written into a test's store as the operator would type them: field name to text, then saved.
#pragma once

#include "store/table_view.h"

#include <map>
#include <string>

namespace torvane::test {

using Row = std::map<std::string, std::string>;

// Sets these fields of the view's current row (the settings record, say) and saves it.
inline void setRow(TableView& view, const Row& values)
{
    for (const auto& [name, value] : values)
        view.setText(name, value);
    view.post();
}

// Appends a row with these fields and saves it.
inline void appendRow(TableView& view, const Row& values)
{
    view.append();
    setRow(view, values);
}

}  // namespace torvane::test
