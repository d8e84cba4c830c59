// Rows written into a test's store as the operator would type them: field name to text, then saved;
// and the tracking records read back.
#pragma once

#include "store/database.h"
#include "store/table_view.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

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

// The keys of the tracking records, in the order they were written.
inline std::vector<std::string> trackedKeys(Database& database)
{
    std::vector<std::string> keys;
    for (const auto& row : database.query("SELECT DataToTrack FROM track ORDER BY rowid"))
        keys.push_back(std::get<std::string>(row[0]));
    return keys;
}

}  // namespace torvane::test
