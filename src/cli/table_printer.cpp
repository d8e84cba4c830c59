#include "cli/table_printer.h"

#include "store/table_view.h"

#include <algorithm>
#include <ostream>

namespace torvane {

namespace {
// Line breaks inside a value would tear the table apart; they are shown as a visible mark instead.
std::string oneLine(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += (c == '\r' || c == '\n') ? std::string("\\n") : std::string(1, c);
    return out;
}
}  // namespace

void printTable(std::ostream& out, const TextTable& table)
{
    std::vector<size_t> widths(table.headers.size(), 0);
    auto measure = [&widths](const std::vector<std::string>& row) {
        for (size_t c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], oneLine(row[c]).size());
    };
    measure(table.headers);
    for (const auto& row : table.rows)
        measure(row);

    auto printRow = [&](const std::vector<std::string>& row) {
        std::string line;
        for (size_t c = 0; c < widths.size(); ++c) {
            const std::string cell = c < row.size() ? oneLine(row[c]) : std::string();
            line += cell;
            if (c + 1 < widths.size())
                line += std::string(widths[c] - cell.size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << '\n';
    };
    printRow(table.headers);
    std::vector<std::string> rule;
    for (size_t w : widths)
        rule.push_back(std::string(w, '-'));
    printRow(rule);
    for (const auto& row : table.rows)
        printRow(row);
}

TextTable tableOf(const TableView& view, const std::function<std::string(const std::string&)>& text)
{
    TextTable table;
    const TableDef& def = view.tableDef();
    for (const FieldDef& f : def.fields)
        table.headers.push_back(f.name);
    const int count = view.recordCount();
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> row;
        for (const FieldDef& f : def.fields) {
            std::string shown = cellDisplayText(view.cellAt(i, f.name), f.kind);
            row.push_back(text && f.kind == FieldKind::Text ? text(shown) : std::move(shown));
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace torvane
