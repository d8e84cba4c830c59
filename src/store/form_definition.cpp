#include "store/form_definition.h"

#include "store/data_module.h"

namespace torvane {

void emptyFormDefinition(TDataModule1& data)
{
    data.FieldsQuery.close();
    data.FieldsQuery.execute(deleteAllFields());
    data.SelDataQuery.close();
    data.SelDataQuery.execute(deleteAllOptions());
    TableView& settings = data.SettingsTable;
    settings.edit();
    for (const char* field : {"FieldToTrack1", "FieldToTrack2", "FieldToTrack3", "FieldToTrack4"})
        settings.setBlank(field);
    settings.post();
}

}  // namespace torvane
