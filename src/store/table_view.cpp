#include "store/table_view.h"

#include "util/error.h"

#include <algorithm>

namespace torvane {

TableView::TableView(Database& db, const TableDef& table) : m_db(db), m_table(table)
{
    m_dbListener = m_db.subscribe([this](const std::string& name) {
        if (name == m_table.name && isOpen())
            changed();
    });
}

TableView::~TableView()
{
    m_db.unsubscribe(m_dbListener);
}

void TableView::requireOpen() const
{
    if (m_state == State::Closed)
        throw Error("Cannot perform this operation on a closed dataset");
}

std::string TableView::columnList() const
{
    std::string cols;
    for (const FieldDef& f : m_table.fields) {
        if (!cols.empty())
            cols += ", ";
        cols += "\"" + f.name + "\"";
    }
    return cols;
}

void TableView::refreshRows() const
{
    const uint64_t gen = m_db.generation(m_table.name);
    if (gen == m_seenGeneration)
        return;
    m_seenGeneration = gen;
    m_rowIds.clear();
    for (const auto& row : m_db.query("SELECT rowid FROM " + m_table.name + " ORDER BY rowid"))
        m_rowIds.push_back(std::get<int64_t>(row[0]));
    auto* self = const_cast<TableView*>(this);
    if (m_rowIds.empty()) {
        self->m_current = -1;
    } else if (!std::binary_search(m_rowIds.begin(), m_rowIds.end(), m_current)) {
        // The current row went away (deleted elsewhere): stand on the row after it, or the last one.
        auto it = std::upper_bound(m_rowIds.begin(), m_rowIds.end(), m_current);
        self->m_current = (m_current < 0 || it == m_rowIds.end()) ? (m_current < 0 ? m_rowIds.front()
                                                                                    : m_rowIds.back())
                                                                   : *it;
    }
}

void TableView::open()
{
    if (isOpen())
        return;
    m_state = State::Browse;
    m_seenGeneration = ~uint64_t(0);
    m_current = -1;
    refreshRows();
    m_current = m_rowIds.empty() ? -1 : m_rowIds.front();
    changed();
}

void TableView::close()
{
    m_state = State::Closed;
    m_pending.clear();
    changed();
}

int TableView::indexOfCurrent() const
{
    refreshRows();
    if (m_state == State::Insert)
        return static_cast<int>(m_rowIds.size());
    auto it = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), m_current);
    if (it == m_rowIds.end() || *it != m_current)
        return -1;
    return static_cast<int>(it - m_rowIds.begin());
}

int TableView::recordCount() const
{
    if (!isOpen())
        return 0;
    refreshRows();
    return static_cast<int>(m_rowIds.size()) + (m_state == State::Insert ? 1 : 0);
}

int TableView::recNo() const
{
    if (!isOpen())
        return -1;
    return indexOfCurrent();
}

void TableView::loadCurrent() const
{
    refreshRows();
    const uint64_t gen = m_db.generation(m_table.name);
    if (m_loadedRow == m_current && m_loadedGeneration == gen)
        return;
    m_currentValues.clear();
    m_loadedRow = m_current;
    m_loadedGeneration = gen;
    if (m_current < 0)
        return;
    const auto rows =
        m_db.query("SELECT " + columnList() + " FROM " + m_table.name + " WHERE rowid = ?1", {m_current});
    if (rows.empty())
        return;
    for (size_t i = 0; i < m_table.fields.size(); ++i)
        m_currentValues[m_table.fields[i].name] = rows[0][i];
}

Cell TableView::cell(const std::string& field) const
{
    m_table.field(field);
    if (m_state == State::Edit || m_state == State::Insert) {
        auto it = m_pending.find(field);
        if (it != m_pending.end())
            return it->second;
        if (m_state == State::Insert)
            return std::monostate{};
    }
    loadCurrent();
    auto it = m_currentValues.find(field);
    return it == m_currentValues.end() ? Cell{} : it->second;
}

Cell TableView::cellAt(int index, const std::string& field) const
{
    if (index == indexOfCurrent())
        return cell(field);
    refreshRows();
    if (index < 0 || index >= static_cast<int>(m_rowIds.size()))
        return std::monostate{};
    m_table.field(field);
    const auto rows = m_db.query("SELECT \"" + field + "\" FROM " + m_table.name + " WHERE rowid = ?1",
                                 {m_rowIds[static_cast<size_t>(index)]});
    return rows.empty() ? Cell{} : rows[0][0];
}

void TableView::setCell(const std::string& field, const Cell& value)
{
    requireOpen();
    m_table.field(field);
    if (m_state == State::Browse)
        edit();
    m_pending[field] = value;
    changed();
}

void TableView::setText(const std::string& field, const std::string& text)
{
    setCell(field, cellFromText(text, m_table.field(field)));
}

void TableView::edit()
{
    requireOpen();
    if (m_state != State::Browse)
        return;
    if (recordCount() == 0) {
        append();
        return;
    }
    m_state = State::Edit;
    m_pending.clear();
    changed();
}

void TableView::append()
{
    requireOpen();
    settle();
    m_state = State::Insert;
    m_pending.clear();
    changed();
}

void TableView::post()
{
    requireOpen();
    if (m_state == State::Edit) {
        if (!m_pending.empty() && m_current >= 0) {
            std::string sets;
            std::vector<Cell> params;
            for (const auto& [name, value] : m_pending) {
                if (!sets.empty())
                    sets += ", ";
                params.push_back(value);
                sets += "\"" + name + "\" = ?" + std::to_string(params.size());
            }
            params.push_back(m_current);
            m_db.execute("UPDATE " + m_table.name + " SET " + sets + " WHERE rowid = ?" +
                             std::to_string(params.size()),
                         params);
        }
    } else if (m_state == State::Insert) {
        std::string names, marks;
        std::vector<Cell> params;
        for (const FieldDef& f : m_table.fields) {
            if (!names.empty()) {
                names += ", ";
                marks += ", ";
            }
            names += "\"" + f.name + "\"";
            auto it = m_pending.find(f.name);
            params.push_back(it == m_pending.end() ? Cell{} : it->second);
            marks += "?" + std::to_string(params.size());
        }
        m_db.execute("INSERT INTO " + m_table.name + " (" + names + ") VALUES (" + marks + ")", params);
        m_current = m_db.lastInsertRowId();
    } else {
        return;
    }
    m_state = State::Browse;
    m_pending.clear();
    m_db.notifyChanged(m_table.name);
}

void TableView::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_pending.clear();
    changed();
}

void TableView::settle()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (!m_pending.empty())
        post();
    else
        cancel();
}

void TableView::remove()
{
    requireOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    refreshRows();
    const int index = indexOfCurrent();
    if (m_rowIds.empty() || index < 0)
        throw Error("Cannot perform this operation on an empty dataset");
    m_db.execute("DELETE FROM " + m_table.name + " WHERE rowid = ?1", {m_current});
    m_rowIds.erase(m_rowIds.begin() + index);
    if (m_rowIds.empty())
        m_current = -1;
    else
        m_current = m_rowIds[std::min<size_t>(static_cast<size_t>(index), m_rowIds.size() - 1)];
    m_db.notifyChanged(m_table.name);
}

void TableView::moveTo(int index)
{
    requireOpen();
    settle();
    refreshRows();
    if (m_rowIds.empty()) {
        m_current = -1;
    } else {
        index = std::clamp(index, 0, static_cast<int>(m_rowIds.size()) - 1);
        m_current = m_rowIds[static_cast<size_t>(index)];
    }
    changed();
}

void TableView::first()
{
    moveTo(0);
}

void TableView::last()
{
    requireOpen();
    settle();
    moveTo(static_cast<int>(m_rowIds.size()) - 1);
}

void TableView::next()
{
    requireOpen();
    settle();
    moveTo(indexOfCurrent() + 1);
}

int TableView::subscribe(Observer observer)
{
    return m_observers.add(std::move(observer));
}

void TableView::unsubscribe(int id)
{
    m_observers.remove(id);
}

void TableView::changed()
{
    m_observers.notify();
}

}  // namespace torvane
