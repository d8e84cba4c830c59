// Readable tables for the terminal: a title, a header row and aligned columns.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace torvane {

class TableView;

struct TextTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

// Columns are as wide as their widest cell; each line is written without trailing blanks.
void printTable(std::ostream& out, const TextTable& table);

// Every row of a table view with every field of its table, as the windows show them (blank is empty,
// logical fields "True"/"False", dates in the short date format). text, when given, turns the value of
// each text field into what is printed.
TextTable tableOf(const TableView& view, const std::function<std::string(const std::string&)>& text = {});

}  // namespace torvane
