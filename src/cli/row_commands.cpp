// add-field, delete-field, add-option and delete-option: rows of the field definitions and of the cross
// walk that a page did not give, or gave wrong, added and deleted one at a time.

#include "cli/arguments.h"
#include "cli/commands.h"

#include "store/data_module.h"
#include "util/error.h"

#include <limits>
#include <optional>
#include <ostream>

namespace torvane {

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

// The index of the first row with that OrderNum (and, for option rows, that field name).
std::optional<int> findRow(const TableView& view, int32_t order, const std::string* fieldName)
{
    for (int i = 0; i < view.recordCount(); ++i) {
        const Cell c = view.cellAt(i, "OrderNum");
        const int64_t* n = std::get_if<int64_t>(&c);
        if (!n || *n != order)
            continue;
        // A blank name reads as empty, as the cross walk reads it.
        if (fieldName && cellDisplayText(view.cellAt(i, "Name"), FieldKind::Text) != *fieldName)
            continue;
        return i;
    }
    return std::nullopt;
}

// Appends a row, sets its fields and saves it; a value the store refuses leaves no row behind.
template <typename Fill> void appendRow(TableView& view, Fill fill)
{
    try {
        view.append();
        fill(view);
        view.post();
    } catch (...) {
        view.cancel();
        throw;
    }
}

bool helped(const char* command, const CommandArgs& args, std::ostream& out)
{
    if (args.help)
        out << findCommand(command)->help;
    return args.help;
}

void requireBetween(const char* command, const CommandArgs& args, size_t least, size_t most)
{
    if (args.positional.size() < least || args.positional.size() > most)
        requirePositional(command, args, args.positional.size() < least ? least : most);
}

}  // namespace

int runAddField(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("add-field", argv);
    if (helped("add-field", args, out))
        return kExitOk;
    requireBetween("add-field", args, 2, 3);
    const int32_t order = parseInteger(args.positional[0], "ORDER", kIntMin, kIntMax);
    const std::string type = args.positional.size() > 2 ? args.positional[2] : std::string("TEXT");

    TDataModule1 data;
    if (findRow(data.FieldsTable, order, nullptr))
        throw Error("a field definition with order number " + std::to_string(order) + " exists already");
    appendRow(data.FieldsTable, [&](TableView& fields) {
        fields.setInteger("OrderNum", order);
        fields.setText("Name", args.positional[1]);
        fields.setText("Type", type);
    });
    return kExitOk;
}

int runDeleteField(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("delete-field", argv);
    if (helped("delete-field", args, out))
        return kExitOk;
    requirePositional("delete-field", args, 1);
    const int32_t order = parseInteger(args.positional[0], "ORDER", kIntMin, kIntMax);

    TDataModule1 data;
    const auto row = findRow(data.FieldsTable, order, nullptr);
    if (!row)
        throw Error("no field definition has order number " + std::to_string(order));
    data.FieldsTable.moveTo(*row);
    data.FieldsTable.remove();
    return kExitOk;
}

int runAddOption(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("add-option", argv);
    if (helped("add-option", args, out))
        return kExitOk;
    requireBetween("add-option", args, 3, 4);
    const std::string& fieldName = args.positional[0];
    const int32_t order = parseInteger(args.positional[1], "ORDER", kIntMin, kIntMax);

    TDataModule1 data;
    if (findRow(data.SelDataTable, order, &fieldName))
        throw Error("field '" + fieldName + "' has an option row with order number " + std::to_string(order) +
                    " already");
    appendRow(data.SelDataTable, [&](TableView& options) {
        options.setText("Name", fieldName);
        options.setInteger("OrderNum", order);
        options.setText("Value", args.positional[2]);
        if (args.positional.size() > 3)
            options.setText("ImportMap", args.positional[3]);
    });
    return kExitOk;
}

int runDeleteOption(const Args& argv, std::ostream& out, std::ostream&)
{
    const CommandArgs args = parseCommandArgs("delete-option", argv);
    if (helped("delete-option", args, out))
        return kExitOk;
    requirePositional("delete-option", args, 2);
    const std::string& fieldName = args.positional[0];
    const int32_t order = parseInteger(args.positional[1], "ORDER", kIntMin, kIntMax);

    TDataModule1 data;
    const auto row = findRow(data.SelDataTable, order, &fieldName);
    if (!row)
        throw Error("field '" + fieldName + "' has no option row with order number " + std::to_string(order));
    data.SelDataTable.moveTo(*row);
    data.SelDataTable.remove();
    return kExitOk;
}

}  // namespace torvane
