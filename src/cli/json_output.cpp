#include "cli/json_output.h"

#include "store/data_module.h"
#include "store/table_view.h"

namespace torvane {

namespace {

Json cellJson(const Cell& cell, FieldKind kind, const Utf8Output& text)
{
    if (isBlankCell(cell))
        return nullptr;
    if (const int64_t* n = std::get_if<int64_t>(&cell)) {
        if (kind == FieldKind::Logical)
            return *n != 0;
        return *n;
    }
    return text(std::get<std::string>(cell));
}

// Empty text is blank: the ledger keeps no empty texts, so an empty one was never written.
Json textJson(const std::string& value, const Utf8Output& text)
{
    if (value.empty())
        return nullptr;
    return text(value);
}

}  // namespace

Utf8Output storeText(TDataModule1& data)
{
    return Utf8Output(data.SettingsTable.text("ExportEncoding"));
}

Json rowJson(const RowReader& row, const Utf8Output& text)
{
    Json object = Json::object();
    for (const FieldDef& f : row.tableDef().fields)
        object[f.name] = cellJson(row.cell(f.name), f.kind, text);
    return object;
}

Json rowsJson(const TableView& view, const Utf8Output& text)
{
    Json rows = Json::array();
    const TableDef& def = view.tableDef();
    for (int i = 0; i < view.recordCount(); ++i) {
        Json object = Json::object();
        for (const FieldDef& f : def.fields)
            object[f.name] = cellJson(view.cellAt(i, f.name), f.kind, text);
        rows.push_back(std::move(object));
    }
    return rows;
}

Json deliveriesJson(const std::vector<DeliveryRecord>& rows, const Utf8Output& text)
{
    Json out = Json::array();
    for (const DeliveryRecord& d : rows)
        out.push_back(Json{{"RunNum", d.run},
                           {"LineNum", d.line},
                           {"RecordNum", d.record},
                           {"TrackKey", textJson(d.key, text)},
                           {"State", d.state},
                           {"Started", textJson(d.started, text)},
                           {"Finished", textJson(d.finished, text)},
                           {"StatusLine", textJson(d.statusLine, text)},
                           {"Message", textJson(d.message, text)}});
    return out;
}

Json runsJson(const std::vector<RunRecord>& runs, const Utf8Output& text)
{
    Json out = Json::array();
    for (const RunRecord& r : runs) {
        const RunSummary& c = r.counts;
        out.push_back(Json{{"RunNum", r.run},
                           {"Started", textJson(r.started, text)},
                           {"Ended", textJson(r.ended, text)},
                           {"ExportFile", textJson(r.exportFile, text)},
                           {"Outcome", r.outcome},
                           {"RecordsRead", c.recordsRead},
                           {"Accepted", c.accepted},
                           {"NotConfirmed", c.notConfirmed},
                           {"Refused", c.refused},
                           {"AlreadySent", c.alreadySent},
                           {"InDoubt", c.inDoubt},
                           {"Failed", c.failed}});
    }
    return out;
}

std::string jsonText(const Json& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace torvane
