// The data string of one export line as the engine keeps it: the record builder's result copied into
// the specified state of the record in progress, with the status panel and the panes following along.
#include "posting/posting_engine.h"

#include "posting/record_builder.h"
#include "posting/record_source.h"

namespace torvane {

void PostingEngine::MakeDataString(const std::string& line)
{
    const RecordRules rules{TrackSent,   {FieldToTrack1, FieldToTrack2, FieldToTrack3, FieldToTrack4},
                            ViewWarnings, FileFolder,
                            SendsFiles,  Encoding};
    // Cleared first: a record that ends the run with an error leaves nothing of the one before.
    DataList.clear();
    WarningList.clear();
    RequiredList.clear();
    RecordComplete = true;
    RefusalReason.clear();
    TrackKey.clear();
    FileEntries.clear();
    BuildProgress progress;
    progress.fieldStarted = [this](const FieldSettings& field) {
        m_host.setStatusText(StatusText + " Field: " + field.Name);
        m_host.repaint();
        m_host.processMessages();
    };
    if (DiagnosticsOn) {
        progress.entryMade = [this](const std::string& entry) {
            m_host.memo2Add(entry);
            m_host.memo1Add(entry);
        };
    }
    // The definitions are fetched for every record, so an edit made in the settings dialog during a
    // run applies from the next record on.
    StoreRecordSource source(m_data);
    BuiltRecord record = buildRecord(line, source, rules, nullptr, &progress);
    DataList = std::move(record.dataList);
    WarningList = std::move(record.warnings);
    RequiredList = std::move(record.requiredList);
    RecordComplete = record.complete;
    RefusalReason = std::move(record.refusalReason);
    TrackKey = std::move(record.trackKey);
    FileEntries = std::move(record.fileEntries);
}

void PostingEngine::LookupSelectOption(std::string& name, std::string& value, const std::string& type)
{
    StoreRecordSource source(m_data);
    lookUpSelectOption(source, name, value, type, WarningList);
}

}  // namespace torvane
