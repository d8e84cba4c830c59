// Where the record builder reads the field definitions and the cross walk: the store for a run, the
// check and the preview, plain tables for tests.
#pragma once

#include "posting/record_fields.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

class TDataModule1;

class RecordSource {
public:
    virtual ~RecordSource() = default;
    // Hands each definition to take, in the order a run takes them.
    virtual void eachDefinition(const std::function<void(const FieldSettings&)>& take) = 0;
    // How many definitions there are when that is known before they are taken (0 when not), so that a
    // record makes room for them once.
    virtual size_t knownDefinitionCount() const { return 0; }
    // True when the field has option rows at all.
    virtual bool hasOptions(const std::string& field) = 0;
    // The Value of the first option row of the field whose ImportMap matches code, ASCII letters folded.
    virtual std::optional<std::string> optionValue(const std::string& field, const std::string& code) = 0;
    // The Value of the field's first option row marked as its default.
    virtual std::optional<std::string> defaultOption(const std::string& field) = 0;
};

// The store's definitions and cross walk. Without definitions given they are read for every record, so
// an edit made in the settings dialog during a run applies from the next record on; with them (read
// once by a check, or the pending rows of the mapper) those are used.
class StoreRecordSource : public RecordSource {
public:
    explicit StoreRecordSource(TDataModule1& data) : m_data(data) {}
    StoreRecordSource(TDataModule1& data, std::vector<FieldSettings> definitions)
        : m_data(data), m_definitions(std::move(definitions)), m_fixed(true)
    {
    }

    void eachDefinition(const std::function<void(const FieldSettings&)>& take) override;
    size_t knownDefinitionCount() const override { return m_fixed ? m_definitions.size() : 0; }
    bool hasOptions(const std::string& field) override;
    std::optional<std::string> optionValue(const std::string& field, const std::string& code) override;
    std::optional<std::string> defaultOption(const std::string& field) override;

private:
    TDataModule1& m_data;
    std::vector<FieldSettings> m_definitions;
    bool m_fixed = false;
};

// The store's definitions in the order a run takes them.
std::vector<FieldSettings> readFieldDefinitions(TDataModule1& data);

}  // namespace torvane
