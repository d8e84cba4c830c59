#include "store/data_module.h"

namespace torvane {

TDataModule1::TDataModule1(const std::string& path)
    : Database_(std::make_unique<Database>(path)),
      FieldsTable(*Database_, fieldsTableDef()),
      SelDataTable(*Database_, selDataTableDef()),
      SettingsTable(*Database_, settingsTableDef()),
      FieldsQuery(*Database_),
      SelDataQuery(*Database_),
      TrackTable(*Database_, trackTableDef()),
      TrackQuery(*Database_)
{
    DataModule1Create();
}

void TDataModule1::DataModule1Create()
{
    FieldsTable.open();
    SelDataTable.open();
    SettingsTable.open();
    TrackTable.open();
}

}  // namespace torvane
