// The companion's --json output: tables as arrays of objects keyed by the store's column names, with
// integers and logicals as JSON numbers and booleans, blank as null and text as UTF-8.
#pragma once

#include "store/ledger.h"
#include "util/utf8_output.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace torvane {

class RowReader;
class TableView;
class TDataModule1;

using Json = nlohmann::ordered_json;

// How the store's texts are turned into UTF-8: with the export's encoding when one is set.
Utf8Output storeText(TDataModule1& data);

// The current row of a view (or of any reader of a row) as an object.
Json rowJson(const RowReader& row, const Utf8Output& text);
// Every row of a view.
Json rowsJson(const TableView& view, const Utf8Output& text);
Json deliveriesJson(const std::vector<DeliveryRecord>& rows, const Utf8Output& text);
Json runsJson(const std::vector<RunRecord>& runs, const Utf8Output& text);

// The document as one line of text.
std::string jsonText(const Json& json);

}  // namespace torvane
