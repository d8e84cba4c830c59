// Lets the data check watch MakeDataString build a record, one field definition at a time, and stand
// in for each definition's value. A posting run sets none and builds its records unchanged.
#pragma once

#include <string>
#include <vector>

namespace torvane {

class CharacterCutter;
struct FieldSettings;
struct FieldValueNotes;

class RecordInspector {
public:
    virtual ~RecordInspector() = default;
    // The field definitions in their order when they cannot change while the inspector looks (read once
    // from a snapshot of the store); null to have them fetched for each record as a run does.
    virtual const std::vector<FieldSettings>* fieldDefinitions() { return nullptr; }
    // Takes the place of the run's own value of one definition, cut and converted, and gives what that
    // gives (notes as the run's own would give them); it may take a failed conversion as a finding and go
    // on where the run would end.
    virtual std::string fieldValue(const FieldSettings& field, const std::string& line, std::string& overflowText,
                                   const CharacterCutter* characters, FieldValueNotes& notes) = 0;
    // A definition that makes an entry, after its cross walk and its required check (missing: the check
    // found the value missing).
    virtual void entryMade(const FieldSettings& field, const std::string& name, const std::string& value,
                           bool missing) = 0;
    // A check box whose code matched none of its option rows: it is left out, unticked.
    virtual void checkBoxUnticked(const FieldSettings& field, const std::string& code)
    {
        (void)field;
        (void)code;
    }
};

}  // namespace torvane
