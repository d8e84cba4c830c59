// Placeholder until the field extraction and cross walk land: every record is complete and empty.
#include "posting/posting_engine.h"

namespace torvane {

void PostingEngine::MakeDataString(const std::string&)
{
    WarningList.clear();
    RequiredList.clear();
    RecordComplete = true;
    TrackKey.clear();
    DataList.clear();
}

void PostingEngine::LookupSelectOption(std::string&, std::string&, const std::string&) {}

}  // namespace torvane
