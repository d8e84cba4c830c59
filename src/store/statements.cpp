#include "store/statements.h"

namespace torvane {

namespace {
std::string columnsOf(const TableDef& t)
{
    std::string cols;
    for (const FieldDef& f : t.fields) {
        if (!cols.empty())
            cols += ", ";
        cols += "\"" + f.name + "\"";
    }
    return "SELECT " + cols + " FROM " + t.name;
}

// Built once: the store keeps its prepared statements by their text.
const std::string& selectAll(const TableDef& t)
{
    static const std::string fields = columnsOf(fieldsTableDef());
    static const std::string selData = columnsOf(selDataTableDef());
    static const std::string track = columnsOf(trackTableDef());
    if (&t == &fieldsTableDef())
        return fields;
    if (&t == &selDataTableDef())
        return selData;
    return track;
}
}  // namespace

// Blank fields are NULL, and NULL equals nothing, so a blank name, import map or key never matches.
// upper() folds ASCII letters only, as the cross walk's comparison requires.

Statement selectFieldsInOrder()
{
    static const std::string sql = selectAll(fieldsTableDef()) + " ORDER BY OrderNum, rowid";
    return {&fieldsTableDef(), sql, {}};
}

Statement selectOptionByCode(const std::string& fieldName, const std::string& code)
{
    static const std::string sql =
        selectAll(selDataTableDef()) + " WHERE (Name = ?1) AND (upper(ImportMap) = upper(?2)) ORDER BY rowid";
    return {&selDataTableDef(), sql, {fieldName, code}};
}

Statement selectDefaultOption(const std::string& fieldName)
{
    static const std::string sql =
        selectAll(selDataTableDef()) + " WHERE (Name = ?1) AND (DefaultValue = 1) ORDER BY rowid";
    return {&selDataTableDef(), sql, {fieldName}};
}

Statement selectOptionsOfField(const std::string& fieldName)
{
    static const std::string sql = selectAll(selDataTableDef()) + " WHERE Name = ?1 ORDER BY rowid";
    return {&selDataTableDef(), sql, {fieldName}};
}

Statement selectTrackByKey(const std::string& key)
{
    static const std::string sql = selectAll(trackTableDef()) + " WHERE (DataToTrack = ?1) ORDER BY rowid";
    return {&trackTableDef(), sql, {key}};
}

Statement deleteTrackUpTo(Date cutOff)
{
    return {&trackTableDef(), "DELETE FROM track WHERE DataSent <= ?1", {toIsoText(cutOff)}};
}

Statement deleteAllFields()
{
    return {&fieldsTableDef(), "DELETE FROM fields", {}};
}

Statement deleteAllOptions()
{
    return {&selDataTableDef(), "DELETE FROM seldata", {}};
}

}  // namespace torvane
