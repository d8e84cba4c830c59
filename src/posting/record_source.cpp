#include "posting/record_source.h"

#include "store/data_module.h"
#include "store/statements.h"

namespace torvane {

namespace {

// The Value of the first row the statement finds. The shared holder is used, as the run always did: a
// record looks its options up one at a time and keeps nothing open between them.
std::optional<std::string> firstValue(Query& options, const Statement& statement)
{
    options.close();
    options.open(statement);
    if (!options.findFirst())
        return std::nullopt;
    return options.text("Value");
}

// A holder of its own: the settings dialog, which can open while a run handles messages between two
// fields, uses the shared one to empty the table for an import, and that must not cut a field list short.
void eachStoredDefinition(TDataModule1& data, const std::function<void(const FieldSettings&)>& take)
{
    Query fields(data.database());
    fields.open(selectFieldsInOrder());
    for (bool found = fields.findFirst(); found; found = fields.findNext())
        take(GetFieldSettings(fields));
}

}  // namespace

std::vector<FieldSettings> readFieldDefinitions(TDataModule1& data)
{
    std::vector<FieldSettings> definitions;
    eachStoredDefinition(data, [&definitions](const FieldSettings& field) { definitions.push_back(field); });
    return definitions;
}

void StoreRecordSource::eachDefinition(const std::function<void(const FieldSettings&)>& take)
{
    if (!m_fixed) {
        eachStoredDefinition(m_data, take);
        return;
    }
    for (const FieldSettings& field : m_definitions)
        take(field);
}

bool StoreRecordSource::hasOptions(const std::string& field)
{
    Query& options = m_data.SelDataQuery;
    options.close();
    options.open(selectOptionsOfField(field));
    return options.findFirst();
}

std::optional<std::string> StoreRecordSource::optionValue(const std::string& field, const std::string& code)
{
    // Name and code are bound, not pasted into the statement, so double quotes in either are looked up
    // like any other character.
    return firstValue(m_data.SelDataQuery, selectOptionByCode(field, code));
}

std::optional<std::string> StoreRecordSource::defaultOption(const std::string& field)
{
    return firstValue(m_data.SelDataQuery, selectDefaultOption(field));
}

}  // namespace torvane
