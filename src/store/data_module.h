// The data module: the connection to the store, one open view on each table with its data source for
// the windows, and the three reusable statement holders. One instance lives for the whole run.
#pragma once

#include "store/database.h"
#include "store/query.h"
#include "store/table_view.h"

#include <memory>
#include <string>

namespace torvane {

inline constexpr const char* kStoreFileName = "torvane.db";

class TDataModule1 {
public:
    // Opens the store file (torvane.db in the working directory by default) and the four views; throws
    // Error naming the file and the reason when it cannot.
    explicit TDataModule1(const std::string& path = kStoreFileName);

    Database& database() { return *Database_; }

private:
    std::unique_ptr<Database> Database_;

public:
    TableView FieldsTable;
    DataSource FieldsSource{FieldsTable};
    TableView SelDataTable;
    DataSource SelDataSource{SelDataTable};
    TableView SettingsTable;
    DataSource SettingsSource{SettingsTable};
    Query FieldsQuery;
    Query SelDataQuery;
    TableView TrackTable;
    DataSource TrackSource{TrackTable};
    Query TrackQuery;

private:
    void DataModule1Create();
};

}  // namespace torvane
