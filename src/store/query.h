// A reusable statement holder: opened with one of the store's statements it stands on the first result
// row (find-first, find-next), and keeps its last result until it is reused; executed, it changes a table.
#pragma once

#include "store/database.h"
#include "store/row_reader.h"
#include "store/statements.h"

namespace torvane {

class Query : public RowReader {
public:
    explicit Query(Database& db) : m_db(db) {}

    void close();
    void open(const Statement& statement);
    // Runs a statement that returns no rows; returns the number of rows it changed.
    int execute(const Statement& statement);

    bool isOpen() const { return m_open; }
    bool findFirst();
    bool findNext();
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    const TableDef& tableDef() const override;
    Cell cell(const std::string& field) const override;

private:
    Database& m_db;
    const TableDef* m_table = nullptr;
    std::vector<Database::Row> m_rows;
    size_t m_position = 0;
    bool m_open = false;
};

}  // namespace torvane
