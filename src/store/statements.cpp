#include "store/statements.h"

namespace torvane {

namespace {
std::string selectAll(const TableDef& t)
{
    std::string cols;
    for (const FieldDef& f : t.fields) {
        if (!cols.empty())
            cols += ", ";
        cols += "\"" + f.name + "\"";
    }
    return "SELECT " + cols + " FROM " + t.name;
}
}  // namespace

// Blank fields are NULL, and NULL equals nothing, so a blank name, import map or key never matches.
// upper() folds ASCII letters only, as the cross walk's comparison requires.

Statement selectFieldsInOrder()
{
    return {&fieldsTableDef(), selectAll(fieldsTableDef()) + " ORDER BY OrderNum, rowid", {}};
}

Statement selectOptionByCode(const std::string& fieldName, const std::string& code)
{
    return {&selDataTableDef(),
            selectAll(selDataTableDef()) + " WHERE (Name = ?1) AND (upper(ImportMap) = upper(?2)) ORDER BY rowid",
            {fieldName, code}};
}

Statement selectDefaultOption(const std::string& fieldName)
{
    return {&selDataTableDef(),
            selectAll(selDataTableDef()) + " WHERE (Name = ?1) AND (DefaultValue = 1) ORDER BY rowid",
            {fieldName}};
}

Statement selectTrackByKey(const std::string& key)
{
    return {&trackTableDef(), selectAll(trackTableDef()) + " WHERE (DataToTrack = ?1) ORDER BY rowid", {key}};
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
