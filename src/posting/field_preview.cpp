#include "posting/field_preview.h"

#include "posting/dry_run.h"
#include "posting/field_findings.h"
#include "posting/posting_engine.h"
#include "posting/record_inspector.h"
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

// Follows MakeDataString through the definitions handed to it and keeps what concerns the one looked at.
class PreviewInspector : public RecordInspector {
public:
    PreviewInspector(const std::vector<FieldSettings>& definitions, size_t current, PostingEngine& engine,
                     const InvalidByteFinder* invalidBytes, std::string exportEncoding)
        : m_definitions(definitions), m_current(current), m_engine(engine), m_invalidBytes(invalidBytes),
          m_exportEncoding(std::move(exportEncoding))
    {
    }

    const std::vector<FieldSettings>* fieldDefinitions() override { return &m_definitions; }

    std::string fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                           const CharacterCutter* characters, FieldValueNotes& notes) override
    {
        takeRunWarnings();
        const bool current = m_index++ == m_current;
        FieldFindings findings;
        // Every definition goes through the check's findings, so that a conversion that would end a run
        // elsewhere in the line does not hide the field looked at.
        std::string value = findFieldValue(field, line, overflowText, characters, m_invalidBytes, m_exportEncoding,
                                           findings);
        notes = findings.notes;
        if (current) {
            m_inCurrent = true;
            m_warningMark = m_engine.WarningList.size();
            for (std::string& w : findings.warnings)
                preview.warnings.push_back(std::move(w));
        }
        return value;
    }

    void entryMade(const FieldSettings&, const std::string& name, const std::string& value, bool missing) override
    {
        if (!m_inCurrent)
            return;
        preview.makesEntry = true;
        preview.value = value;
        if (missing)
            preview.warnings.push_back(name + " Required: the record would be refused");
    }

    // The run's own warnings (cross walk, form encoding) that the field looked at added.
    void takeRunWarnings()
    {
        if (!m_inCurrent)
            return;
        m_inCurrent = false;
        const std::vector<std::string>& list = m_engine.WarningList;
        for (size_t i = m_warningMark; i < list.size(); ++i)
            preview.warnings.push_back(trimmedBlanks(list[i]));
    }

    FieldPreview preview;

private:
    const std::vector<FieldSettings>& m_definitions;
    size_t m_current;
    PostingEngine& m_engine;
    const InvalidByteFinder* m_invalidBytes;
    std::string m_exportEncoding;
    size_t m_index = 0;
    bool m_inCurrent = false;
    size_t m_warningMark = 0;
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
    SilentHost host;
    NoRequests client;
    PostingEngine engine(data, host, host, client);
    engine.Encoding = RecordEncoding::fromSettings(data.SettingsTable);
    const std::string exportEncoding = data.SettingsTable.text("ExportEncoding");
    std::unique_ptr<InvalidByteFinder> invalidBytes;
    if (!exportEncoding.empty())
        invalidBytes = std::make_unique<InvalidByteFinder>(exportEncoding);

    PreviewInspector inspector(definitions, current, engine, invalidBytes.get(), exportEncoding);
    engine.Inspector = &inspector;
    engine.MakeDataString(line);
    inspector.takeRunWarnings();

    FieldPreview preview = std::move(inspector.preview);
    preview.dataString = engine.DataList;
    preview.recordComplete = engine.RecordComplete;
    return preview;
}

}  // namespace torvane
