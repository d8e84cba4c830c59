// show, set, set-field and set-option: the settings dialog's editing, one field at a time, with the
// store's own kind checks.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/table_printer.h"

#include "posting/delivery_policy.h"
#include "posting/network_settings.h"
#include "posting/value_pattern.h"
#include "store/data_module.h"
#include "util/encoding_settings.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

#include <limits>
#include <memory>
#include <ostream>

namespace torvane {

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

// The field of that name, letter case aside; an unknown name lists the known ones.
const FieldDef& fieldNamed(const TableDef& table, const std::string& name, const std::string& what)
{
    for (const FieldDef& f : table.fields)
        if (equalsIgnoreCaseAscii(f.name, name))
            return f;
    std::string known;
    for (const FieldDef& f : table.fields)
        known += (known.empty() ? "" : ", ") + f.name;
    throw Error("unknown " + what + " '" + name + "' (known: " + known + ")");
}

// Writes one field of the view's current row and saves it. A value the store refuses leaves the row
// as it was: the pending edit is dropped, not saved later by someone else.
void writeField(TableView& view, const FieldDef& field, const std::string& value)
{
    try {
        view.setText(field.name, value);
        view.post();
    } catch (...) {
        view.cancel();
        throw;
    }
}

bool hasOrder(const TableView& view, int index, int32_t order)
{
    const Cell c = view.cellAt(index, "OrderNum");
    const int64_t* n = std::get_if<int64_t>(&c);
    return n && *n == order;
}

int printHelp(const char* command, std::ostream& out)
{
    out << findCommand(command)->help;
    return kExitOk;
}

}  // namespace

int runShow(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("show", argv, {"--json"});
    if (args.help)
        return printHelp("show", out);
    requirePositional("show", args, 0);

    TDataModule1 data;
    if (args.has("--json")) {
        const Utf8Output text = storeText(data);
        out << jsonText(Json{{"settings", rowJson(data.SettingsTable, text)},
                             {"fields", rowsJson(data.FieldsTable, text)},
                             {"options", rowsJson(data.SelDataTable, text)},
                             {"tracking", rowsJson(data.TrackTable, text)}})
            << '\n';
        return kExitOk;
    }
    const TableView& settings = data.SettingsTable;
    // The texts of the store are in the export file's encoding; the terminal reads UTF-8.
    const std::string exportEncoding = settings.text("ExportEncoding");
    std::unique_ptr<TextConverter> toUtf8;
    if (isKnownEncoding(exportEncoding))
        toUtf8 = std::make_unique<TextConverter>(exportEncoding, "UTF-8");
    const auto utf8 = [&toUtf8](const std::string& text) { return toUtf8 ? toUtf8->convert(text) : text; };
    TextTable settingsTable{{"Setting", "Value"}, {}};
    for (const FieldDef& f : settings.tableDef().fields) {
        // Settings added later are listed once they are set, so that a configuration without them
        // shows as it always has.
        if (isAddedSetting(f.name) && settings.isBlank(f.name))
            continue;
        const std::string shown = settings.displayText(f.name);
        // A path is the file system's, not the export file's.
        const bool isText = f.kind == FieldKind::Text && f.name != "ImportData";
        settingsTable.rows.push_back({f.name, isText ? utf8(shown) : shown});
    }
    out << "Settings\n";
    printTable(out, settingsTable);
    out << "\nField definitions (" << data.FieldsTable.recordCount() << ")\n";
    printTable(out, tableOf(data.FieldsTable, utf8));
    out << "\nOption rows (" << data.SelDataTable.recordCount() << ")\n";
    printTable(out, tableOf(data.SelDataTable, utf8));
    out << "\nTracking records (" << data.TrackTable.recordCount() << ")\n";
    printTable(out, tableOf(data.TrackTable, utf8));
    return kExitOk;
}

namespace {

// A run clamps what it reads; what is typed in is held to the range so that it reads back as given.
void checkConnectionsSetting(const std::string& name, const std::string& value)
{
    int32_t n = 0;
    if (name == "Connections" && !value.empty() &&
        (!tryToInt32(value, n) || n < 1 || n > DeliveryPolicy::kMaxConnections))
        throw Error("'" + value + "' is not a valid value for Connections (1 to " +
                    std::to_string(DeliveryPolicy::kMaxConnections) + ")");
}

}  // namespace

int runSet(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("set", argv);
    if (args.help)
        return printHelp("set", out);
    requirePositional("set", args, 2);
    const FieldDef& field = fieldNamed(settingsTableDef(), args.positional[0], "setting");
    checkEncodingSetting(field.name, args.positional[1]);
    checkNetworkSetting(field.name, args.positional[1]);
    checkConnectionsSetting(field.name, args.positional[1]);

    TDataModule1 data;
    // The application uses the first row only; on an empty table the edit creates it.
    data.SettingsTable.first();
    writeField(data.SettingsTable, field, args.positional[1]);
    return kExitOk;
}

int runSetField(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("set-field", argv);
    if (args.help)
        return printHelp("set-field", out);
    requirePositional("set-field", args, 3);
    const int32_t order = parseInteger(args.positional[0], "ORDER", kIntMin, kIntMax);
    const FieldDef& field = fieldNamed(fieldsTableDef(), args.positional[1], "field definition column");
    std::string reason;
    if (field.name == "Format" && !args.positional[2].empty() && !isValueFormat(args.positional[2], &reason))
        throw Error("'" + args.positional[2] + "' is no value format: " + reason);

    TDataModule1 data;
    TableView& fields = data.FieldsTable;
    for (int i = 0; i < fields.recordCount(); ++i) {
        if (hasOrder(fields, i, order)) {
            fields.moveTo(i);
            writeField(fields, field, args.positional[2]);
            return kExitOk;
        }
    }
    throw Error("no field definition has order number " + std::to_string(order));
}

int runSetOption(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("set-option", argv);
    if (args.help)
        return printHelp("set-option", out);
    requirePositional("set-option", args, 4);
    const std::string& fieldName = args.positional[0];
    const int32_t order = parseInteger(args.positional[1], "ORDER", kIntMin, kIntMax);
    const FieldDef& field = fieldNamed(selDataTableDef(), args.positional[2], "option row column");

    TDataModule1 data;
    TableView& options = data.SelDataTable;
    for (int i = 0; i < options.recordCount(); ++i) {
        // A blank name reads as empty, as the cross walk reads it.
        const std::string name = cellDisplayText(options.cellAt(i, "Name"), FieldKind::Text);
        if (name == fieldName && hasOrder(options, i, order)) {
            options.moveTo(i);
            writeField(options, field, args.positional[3]);
            return kExitOk;
        }
    }
    throw Error("field '" + fieldName + "' has no option row with order number " + std::to_string(order));
}

}  // namespace torvane
