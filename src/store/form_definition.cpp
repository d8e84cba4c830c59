#include "store/form_definition.h"

#include "store/data_module.h"
#include "store/tracked_fields.h"

namespace torvane {

void emptyFormDefinition(TDataModule1& data)
{
    data.FieldsQuery.close();
    data.FieldsQuery.execute(deleteAllFields());
    data.SelDataQuery.close();
    data.SelDataQuery.execute(deleteAllOptions());
    TableView& settings = data.SettingsTable;
    settings.edit();
    for (const char* field : kFieldToTrackSettings)
        settings.setBlank(field);
    settings.post();
}

}  // namespace torvane
