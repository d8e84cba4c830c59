// An open view on one table with a current row, like a dataset: read and write fields of the current
// row by name, append, edit, post, cancel, delete, and move between rows. A pending edit is what every
// reader of the view gets until it is posted; moving or appending first posts it if a field was changed
// and drops it otherwise. Rows come in the order they were added.
#pragma once

#include "store/database.h"
#include "store/row_reader.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace torvane {

class TableView : public RowReader {
public:
    enum class State { Closed, Browse, Edit, Insert };

    TableView(Database& db, const TableDef& table);
    ~TableView() override;
    TableView(const TableView&) = delete;
    TableView& operator=(const TableView&) = delete;

    // Opens the view; it stands on the first row.
    void open();
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }
    Database& database() const { return m_db; }

    const TableDef& tableDef() const override { return m_table; }
    // The current row's value; blank when the table is empty.
    Cell cell(const std::string& field) const override;

    // Number of rows, counting a row being inserted.
    int recordCount() const;
    // Index of the current row (the row being inserted is the last), -1 when there is none.
    int recNo() const;
    bool isEmpty() const { return recordCount() == 0; }
    // A value of any row by index, for lists and grids; the pending values for the current row.
    Cell cellAt(int index, const std::string& field) const;

    // Writing a field puts the current row into editing (on an empty table this starts a new row).
    void setCell(const std::string& field, const Cell& value);
    // Text as the operator typed it; checked against the field's kind.
    void setText(const std::string& field, const std::string& text);
    void setInteger(const std::string& field, int32_t value) { setCell(field, int64_t(value)); }
    void setLogical(const std::string& field, bool value) { setCell(field, int64_t(value ? 1 : 0)); }
    void setBlank(const std::string& field) { setCell(field, std::monostate{}); }

    void append();
    // Puts the current row into editing; on an empty table this starts an append.
    void edit();
    void post();
    void cancel();
    // Deletes the current row; the next row becomes current (the previous one after the last). While a
    // row is being inserted, abandons it instead. On an empty table: "Cannot perform this operation on an
    // empty dataset".
    void remove();

    void first();
    void next();
    void last();
    void moveTo(int index);

    // Called whenever the rows, the current row or a pending value change.
    using Observer = std::function<void()>;
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    void refreshRows() const;
    void loadCurrent() const;
    void settle();  // posts a changed pending edit, drops an unchanged one
    void requireOpen() const;
    void changed();
    int indexOfCurrent() const;
    std::string columnList() const;

    Database& m_db;
    const TableDef& m_table;
    State m_state = State::Closed;
    int64_t m_current = -1;  // rowid of the current row, -1 for none
    std::map<std::string, Cell> m_pending;  // the edited fields; none: the row is unchanged

    mutable std::vector<int64_t> m_rowIds;
    mutable uint64_t m_seenGeneration = ~uint64_t(0);
    mutable std::map<std::string, Cell> m_currentValues;
    mutable int64_t m_loadedRow = -2;
    mutable uint64_t m_loadedGeneration = ~uint64_t(0);

    int m_dbListener = 0;
    Observers<> m_observers;
};

// The data source of a view, for the data-aware controls of the windows.
struct DataSource {
    TableView& DataSet;
};

}  // namespace torvane
