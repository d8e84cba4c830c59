#include "store/database.h"

#include "store/ledger.h"
#include "store/schema.h"
#include "util/error.h"

#include <sqlite3.h>

#include <filesystem>
#include <utility>

namespace torvane {

namespace {

void bindAll(sqlite3_stmt* stmt, const std::vector<Cell>& params)
{
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        const Cell& p = params[i];
        if (const int64_t* n = std::get_if<int64_t>(&p))
            sqlite3_bind_int64(stmt, index, *n);
        else if (const std::string* s = std::get_if<std::string>(&p))
            sqlite3_bind_text(stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, index);
    }
}

Cell columnCell(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return std::monostate{};
    case SQLITE_INTEGER:
        return int64_t(sqlite3_column_int64(stmt, column));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
    }
    }
}

}  // namespace

Database::Database(const std::string& path) : m_path(path)
{
    const std::string shown = std::filesystem::absolute(path).string();
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error("Cannot open the store \"" + shown + "\": " + reason);
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        execute("PRAGMA journal_mode=WAL");
        execute("PRAGMA synchronous=FULL");
        for (const TableDef* t : allTableDefs()) {
            execute(createTableSql(*t));
            addMissingColumns(*t);
        }
        for (const std::string& sql : DeliveryLedger::schemaSql())
            execute(sql);
        for (const TableDef& t : DeliveryLedger::addedColumns())
            addMissingColumns(t);
        // The cross walk looks options up by field name and code for every select field of every record.
        execute("CREATE INDEX IF NOT EXISTS seldata_name_code ON seldata (Name, upper(ImportMap))");
    } catch (const Error& e) {
        for (auto& [sql, stmt] : m_statements)
            sqlite3_finalize(stmt);
        m_statements.clear();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error("Cannot open the store \"" + shown + "\": " + e.what());
    }
}

void Database::addMissingColumns(const TableDef& table)
{
    // A store written by an earlier version keeps its rows and gains the fields added since; they
    // read as blank in every existing row.
    std::vector<std::string> present;
    for (const Row& row : query("PRAGMA table_info(" + table.name + ")"))
        if (const std::string* name = row.size() > 1 ? std::get_if<std::string>(&row[1]) : nullptr)
            present.push_back(*name);
    for (const FieldDef& f : table.fields) {
        bool found = false;
        for (const std::string& name : present)
            found = found || sqlite3_stricmp(name.c_str(), f.name.c_str()) == 0;
        if (!found)
            execute(addColumnSql(table, f));
    }
}

Database::~Database()
{
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

void Database::fail(const std::string& what) const
{
    throw Error(what.empty() ? std::string(sqlite3_errmsg(m_db)) : what + ": " + sqlite3_errmsg(m_db));
}

sqlite3_stmt* Database::prepared(const std::string& sql)
{
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
        fail("");
    m_statements.emplace(sql, stmt);
    return stmt;
}

std::vector<Database::Row> Database::query(const std::string& sql, const std::vector<Cell>& params)
{
    sqlite3_stmt* stmt = prepared(sql);
    bindAll(stmt, params);
    std::vector<Row> rows;
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Row row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnCell(stmt, c));
        rows.push_back(std::move(row));
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail("");
    return rows;
}

int Database::execute(const std::string& sql, const std::vector<Cell>& params)
{
    sqlite3_stmt* stmt = prepared(sql);
    bindAll(stmt, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        fail("");
    return sqlite3_changes(m_db);
}

int64_t Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

void Database::notifyChanged(const std::string& table)
{
    ++m_generations[table];
    m_listeners.notify(table);
}

uint64_t Database::generation(const std::string& table) const
{
    auto it = m_generations.find(table);
    return it == m_generations.end() ? 0 : it->second;
}

int Database::subscribe(Listener listener)
{
    return m_listeners.add(std::move(listener));
}

void Database::unsubscribe(int id)
{
    m_listeners.remove(id);
}

Database::Transaction::Transaction(Database& db) : m_db(&db)
{
    m_db->execute("BEGIN IMMEDIATE");
}

Database::Transaction::~Transaction()
{
    rollbackQuietly();
}

Database::Transaction::Transaction(Transaction&& other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

Database::Transaction& Database::Transaction::operator=(Transaction&& other) noexcept
{
    if (this != &other) {
        rollbackQuietly();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

void Database::Transaction::rollbackQuietly() noexcept
{
    if (m_db)
        sqlite3_exec(std::exchange(m_db, nullptr)->m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::Transaction::commit()
{
    if (!m_db)
        throw Error("The transaction has already ended.");
    m_db->execute("COMMIT");
    m_db = nullptr;
}

void Database::Transaction::rollback()
{
    if (!m_db)
        throw Error("The transaction has already ended.");
    std::exchange(m_db, nullptr)->execute("ROLLBACK");
}

}  // namespace torvane
