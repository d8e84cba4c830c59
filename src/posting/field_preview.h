// What one field definition would send for one export line, built by the run's own record builder
// (its field values, cross walk and form encoding), with its warnings and the whole data string of
// the line. The field mapper of the settings dialog shows it; nothing is sent or written.
#pragma once

#include "posting/record_fields.h"

#include <cstddef>
#include <string>
#include <vector>

namespace torvane {

class TableView;
class TDataModule1;

// The field definitions of a view in the order a run takes them (OrderNum, blank first, then the order
// of the rows), each with the index of its row in the view. The current row gives its pending values,
// so an edit shows before it is saved.
struct OrderedDefinitions {
    std::vector<FieldSettings> fields;
    std::vector<int> rows;
};
OrderedDefinitions definitionsInRunOrder(const TableView& fields);

struct FieldPreview {
    bool makesEntry = false;             // a radio group with nothing chosen, say, is not in the data string
    std::string value;                   // after trimming, format, Field Length, overflow and the cross walk
    std::vector<std::string> warnings;   // this field's, in the words of the data check and the run
    std::vector<std::string> dataString; // every entry of the line, as it goes to the form
    bool recordComplete = true;          // false: the record would be refused for a missing required field
};

// The preview of definitions[current] for line; the settings record gives the character settings.
// Throws Error when the store cannot be read or a character setting names an unknown encoding.
FieldPreview previewField(TDataModule1& data, const std::vector<FieldSettings>& definitions, size_t current,
                          const std::string& line);

}  // namespace torvane
