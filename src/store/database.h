// The connection to the store file torvane.db: opens or creates it with the four tables, runs
// statements with bound values, and tells table views when another view or a statement changed a table.
#pragma once

#include "store/cell.h"
#include "util/observers.h"

#include <functional>
#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace torvane {

struct TableDef;

class Database {
public:
    // Opens (creating when missing) the store file and its four tables. A file that cannot be opened,
    // is not a store or cannot be written throws Error naming the file and the reason.
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return m_path; }

    using Row = std::vector<Cell>;
    // Runs a statement with bound values and returns its rows (every column of each row).
    std::vector<Row> query(const std::string& sql, const std::vector<Cell>& params = {});
    // Runs a statement that returns no rows; returns the number of rows changed.
    int execute(const std::string& sql, const std::vector<Cell>& params = {});
    int64_t lastInsertRowId() const;

    // Writers call this after changing a table; views of that table refresh their row lists.
    void notifyChanged(const std::string& table);
    // A counter that grows with every change to the table.
    uint64_t generation(const std::string& table) const;
    using Listener = std::function<void(const std::string& table)>;
    int subscribe(Listener listener);
    void unsubscribe(int id);

    // Groups writes; a transaction not committed is rolled back when it ends. Never throws from its
    // destructor. Moving it hands the transaction on; it cannot be copied (two owners would end it
    // twice).
    class Transaction {
    public:
        explicit Transaction(Database& db);
        // Rolls back an open transaction; never throws, whatever the store says.
        ~Transaction();
        Transaction(Transaction&& other) noexcept;
        Transaction& operator=(Transaction&& other) noexcept;
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        // Both end the transaction and throw the store's error when that fails; a failed commit
        // leaves it open, to be rolled back.
        void commit();
        void rollback();
        bool open() const { return m_db != nullptr; }

    private:
        void rollbackQuietly() noexcept;

        Database* m_db;  // null once ended or moved from
    };

private:
    void addMissingColumns(const TableDef& table);
    sqlite3_stmt* prepared(const std::string& sql);
    [[noreturn]] void fail(const std::string& what) const;

    std::string m_path;
    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
    std::map<std::string, uint64_t> m_generations;
    Observers<std::string> m_listeners;
};

}  // namespace torvane
