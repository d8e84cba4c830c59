#include "store/schema.h"

#include "util/error.h"

namespace torvane {

using K = FieldKind;

const FieldDef* TableDef::find(const std::string& fieldName) const
{
    for (const FieldDef& f : fields)
        if (f.name == fieldName)
            return &f;
    return nullptr;
}

const FieldDef& TableDef::field(const std::string& fieldName) const
{
    if (const FieldDef* f = find(fieldName))
        return *f;
    throw Error(name + ": Field '" + fieldName + "' not found");
}

const TableDef& settingsTableDef()
{
    static const TableDef def{"settings",
                              {{"URL", K::Text},
                               {"Content", K::Text},
                               {"PostType", K::Text},
                               {"DataSentText", K::Text},
                               {"ViewWarnings", K::Logical},
                               {"ViewDiag", K::Logical},
                               {"ImportData", K::Text},
                               {"LinesToRead", K::Integer},
                               {"DeleteFile", K::Logical},
                               {"TrackSent", K::Logical},
                               {"PurgeDays", K::Integer},
                               {"FieldToTrack1", K::Text},
                               {"FieldToTrack2", K::Text},
                               {"FieldToTrack3", K::Text},
                               {"FieldToTrack4", K::Text},
                               // Added later; an older store gains them when it opens.
                               {"ExportEncoding", K::Text},
                               {"FormEncoding", K::Text},
                               {"ColumnsIn", K::Text},
                               {"RetryCount", K::Integer},
                               {"RetryWait", K::Integer},
                               {"MaxErrors", K::Integer},
                               {"LoginURL", K::Text},
                               {"LoginData", K::Text},
                               {"LoginCheckText", K::Text},
                               {"FormURL", K::Text},
                               {"RefreshHidden", K::Logical},
                               {"TLSVerify", K::Text},
                               {"ClientCertificate", K::Text},
                               {"ClientCertificatePassword", K::Text},
                               {"Proxy", K::Text},
                               {"UseIPv6", K::Logical},
                               {"Connections", K::Integer}}};
    return def;
}

bool isAddedSetting(const std::string& name)
{
    const auto& fields = settingsTableDef().fields;
    for (size_t i = kFirstAddedSetting; i < fields.size(); ++i)
        if (fields[i].name == name)
            return true;
    return false;
}

const TableDef& fieldsTableDef()
{
    static const TableDef def{"fields",
                              {{"OrderNum", K::Integer},
                               {"Name", K::Text},
                               {"Type", K::Text},
                               {"MaxLength", K::Integer},
                               {"Overflow", K::Logical},
                               {"Required", K::Logical},
                               {"ImportStart", K::Integer},
                               {"ImportLength", K::Integer},
                               {"DefaultValue", K::Text},
                               {"Format", K::Text},
                               {"ZeroValid", K::Logical}}};
    return def;
}

const TableDef& selDataTableDef()
{
    static const TableDef def{"seldata",
                              {{"Name", K::Text},
                               {"OrderNum", K::Integer},
                               {"Value", K::Text},
                               {"Description", K::Text},
                               {"ImportMap", K::Text},
                               {"DefaultValue", K::Logical}}};
    return def;
}

const TableDef& trackTableDef()
{
    static const TableDef def{"track", {{"DataToTrack", K::Text}, {"DataSent", K::Date}}};
    return def;
}

const std::vector<const TableDef*>& allTableDefs()
{
    static const std::vector<const TableDef*> all{&settingsTableDef(), &fieldsTableDef(), &selDataTableDef(),
                                                  &trackTableDef()};
    return all;
}

std::string columnTypeSql(FieldKind kind)
{
    return (kind == K::Integer || kind == K::Logical) ? "INTEGER" : "TEXT";
}

std::string addColumnSql(const TableDef& table, const FieldDef& field)
{
    return "ALTER TABLE " + table.name + " ADD COLUMN \"" + field.name + "\" " + columnTypeSql(field.kind);
}

std::string createTableSql(const TableDef& table)
{
    std::string sql = "CREATE TABLE IF NOT EXISTS " + table.name + " (";
    bool first = true;
    for (const FieldDef& f : table.fields) {
        if (!first)
            sql += ", ";
        first = false;
        sql += "\"" + f.name + "\" ";
        sql += columnTypeSql(f.kind);
    }
    return sql + ")";
}

}  // namespace torvane
