// The four tables of the store: their names, their fields and each field's kind.
#pragma once

#include <string>
#include <vector>

namespace torvane {

enum class FieldKind { Text, Integer, Logical, Date };

struct FieldDef {
    std::string name;
    FieldKind kind;
};

struct TableDef {
    std::string name;  // SQL table name
    std::vector<FieldDef> fields;

    // The field of this name, or nullptr.
    const FieldDef* find(const std::string& field) const;
    // The field of this name; throws the store's error for an unknown name.
    const FieldDef& field(const std::string& field) const;
};

const TableDef& settingsTableDef();
// The settings record's fields from this index on were added after the first fifteen: blank, they leave
// everything as it was, and listings show them only once they are set.
inline constexpr size_t kFirstAddedSetting = 15;
bool isAddedSetting(const std::string& name);
const TableDef& fieldsTableDef();
const TableDef& selDataTableDef();
const TableDef& trackTableDef();
const std::vector<const TableDef*>& allTableDefs();

// CREATE TABLE IF NOT EXISTS for one table.
std::string createTableSql(const TableDef& table);
// The column type a field of that kind is stored in.
std::string columnTypeSql(FieldKind kind);
// ALTER TABLE ... ADD COLUMN for a field that a store of an earlier version lacks.
std::string addColumnSql(const TableDef& table, const FieldDef& field);

}  // namespace torvane
