#include "store/query.h"

#include "util/error.h"

namespace torvane {

void Query::close()
{
    m_open = false;
    m_rows.clear();
    m_position = 0;
}

void Query::open(const Statement& statement)
{
    close();
    m_table = statement.table;
    m_rows = m_db.query(statement.sql, statement.params);
    m_open = true;
}

int Query::execute(const Statement& statement)
{
    close();
    m_table = statement.table;
    const int changed = m_db.execute(statement.sql, statement.params);
    m_db.notifyChanged(statement.table->name);
    return changed;
}

bool Query::findFirst()
{
    m_position = 0;
    return m_open && !m_rows.empty();
}

bool Query::findNext()
{
    if (!m_open || m_position + 1 >= m_rows.size()) {
        m_position = m_rows.size();
        return false;
    }
    ++m_position;
    return true;
}

const TableDef& Query::tableDef() const
{
    if (!m_table)
        throw Error("Query has no statement");
    return *m_table;
}

Cell Query::cell(const std::string& field) const
{
    const TableDef& t = tableDef();
    if (!m_open || m_position >= m_rows.size())
        throw Error("Query has no current row");
    for (size_t i = 0; i < t.fields.size(); ++i)
        if (t.fields[i].name == field)
            return m_rows[m_position][i];
    t.field(field);  // throws the unknown-field error
    return {};
}

}  // namespace torvane
