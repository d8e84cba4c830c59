#include "posting/field_preview.h"

#include "posting/record_builder.h"
#include "posting/record_source.h"
#include "store/data_module.h"
#include "store/table_view.h"
#include "util/encoding.h"
#include "util/text.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace torvane {

namespace {

// One row of a view, by index, read like a current row.
class ViewRow : public RowReader {
public:
    ViewRow(const TableView& view, int index) : m_view(view), m_index(index) {}
    const TableDef& tableDef() const override { return m_view.tableDef(); }
    Cell cell(const std::string& field) const override { return m_view.cellAt(m_index, field); }

private:
    const TableView& m_view;
    int m_index;
};

}  // namespace

OrderedDefinitions definitionsInRunOrder(const TableView& fields)
{
    const int count = fields.recordCount();
    std::vector<int> rows(static_cast<size_t>(count));
    std::iota(rows.begin(), rows.end(), 0);
    std::vector<FieldSettings> read;
    std::vector<std::pair<bool, int64_t>> keys;  // (not blank, OrderNum): a blank OrderNum comes first
    for (int i = 0; i < count; ++i) {
        const ViewRow row(fields, i);
        read.push_back(GetFieldSettings(row));
        keys.push_back({!row.isBlank("OrderNum"), row.isBlank("OrderNum") ? 0 : row.integer("OrderNum", 0)});
    }
    std::stable_sort(rows.begin(), rows.end(), [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    OrderedDefinitions ordered;
    for (int r : rows) {
        ordered.fields.push_back(read[size_t(r)]);
        ordered.rows.push_back(r);
    }
    return ordered;
}

FieldPreview previewField(TDataModule1& data, const std::vector<FieldSettings>& definitions, size_t current,
                          const std::string& line)
{
    RecordRules rules;
    rules.encoding = RecordEncoding::fromSettings(data.SettingsTable);
    FindingsContext findings;
    findings.exportEncoding = data.SettingsTable.text("ExportEncoding");
    std::unique_ptr<InvalidByteFinder> invalidBytes;
    if (!findings.exportEncoding.empty())
        invalidBytes = std::make_unique<InvalidByteFinder>(findings.exportEncoding);
    findings.invalidBytes = invalidBytes.get();

    // Every definition goes through the findings, so that a conversion that would end a run elsewhere
    // in the line does not hide the field looked at.
    StoreRecordSource source(data, definitions);
    BuiltRecord record = buildRecord(line, source, rules, &findings);
    FieldPreview preview;
    if (current < record.fields.size()) {
        FieldOutcome& field = record.fields[current];
        preview.warnings = std::move(field.findings.warnings);
        preview.makesEntry = field.makesEntry;
        preview.value = field.value;
        if (field.missing)
            preview.warnings.push_back(field.name + " Required: the record would be refused");
        // The run's own warnings (cross walk, form encoding) that the field added.
        for (size_t i = field.firstWarning; i < field.endWarning; ++i)
            preview.warnings.push_back(trimmedBlanks(record.warnings[i]));
    }
    preview.dataString = std::move(record.dataList);
    preview.recordComplete = record.complete;
    return preview;
}

}  // namespace torvane
