// The record of one export line, built as a value: every field definition in order, its value cut from
// the line and translated through the cross walk, the tracking key, the missing required fields, the
// warnings and the refusals. A run, the data check and the field mapper's preview all build records here.
#pragma once

#include "http/multipart_body.h"
#include "posting/field_findings.h"
#include "posting/record_encoding.h"
#include "posting/record_fields.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace torvane {

class InvalidByteFinder;
class RecordSource;

// What a record is built by besides its line, its definitions and its cross walk.
struct RecordRules {
    bool trackSent = false;
    std::array<std::string, 4> trackedFields;  // the fields of the key, in key order
    bool viewWarnings = false;                 // a refused record lists its warnings
    std::string fileFolder;                    // where relative paths of file fields start
    bool sendsFiles = false;                   // multipart: a missing file refuses the record
    RecordEncoding encoding;
};

// Asked for by the check and the preview: each value's problems as findings, and a conversion that
// would end a run taken as one, the value going on unconverted.
struct FindingsContext {
    const InvalidByteFinder* invalidBytes = nullptr;  // bytes that are no characters of exportEncoding
    std::string exportEncoding;
};

// Called as the record is built, for a run's status panel and panes: before each definition, and with
// each entry in the export file's encoding as it is made.
struct BuildProgress {
    std::function<void(const FieldSettings&)> fieldStarted;
    std::function<void(const std::string&)> entryMade;
};

using FileEntry = std::pair<size_t, std::string>;  // index of the entry in the data list, path of its file

// What one definition gave, kept when findings are asked for.
struct FieldOutcome {
    FieldFindings findings;
    bool makesEntry = false;  // a radio group with nothing chosen, say, makes none
    std::string name;         // after the cross walk; the definition's for a box left unticked
    std::string value;        // after the cross walk, in the export file's encoding
    bool missing = false;     // required and missing
    bool unticked = false;    // a check box whose code matched none of its option rows
    std::string code;         // that code
    bool isFile = false;
    std::string filePath;
    bool fileMissing = false;  // names no file that is there
    // The record's warnings this definition added: [firstWarning, encodingWarning) from the cross walk,
    // [encodingWarning, endWarning) from the form's encoding.
    size_t firstWarning = 0, encodingWarning = 0, endWarning = 0;
};

struct BuiltRecord {
    std::vector<std::string> dataList;      // "name=value" entries as they go to the form
    std::vector<std::string> warnings;      // the run's warnings, in the order they arose
    std::vector<std::string> requiredList;  // a refused record's block: header, warnings, one line each
    bool complete = true;
    // Why the record was refused when nothing was missing: "Invalid Date", "Invalid Time" or "File Not Found".
    std::string refusalReason;
    std::string trackKey;
    std::vector<FileEntry> fileEntries;
    std::vector<FieldOutcome> fields;  // one per definition, only when findings are asked for
};

// Builds the record of line. Without findings a conversion error (a time whose hour is no number)
// throws Error, as it ends a run.
BuiltRecord buildRecord(const std::string& line, RecordSource& source, const RecordRules& rules,
                        const FindingsContext* findings = nullptr, const BuildProgress* progress = nullptr);

// Translates a select or radio value through the cross walk, warning when its code is not there; a
// radio group left with no value loses its name (it is not part of the form's data).
void lookUpSelectOption(RecordSource& source, std::string& name, std::string& value, const std::string& type,
                        std::vector<std::string>& warnings);
// A check box with option rows sends the Value of the row its code matches, and nothing at all when none
// matches (the name is emptied); false when it has no option rows, as earlier imports wrote it.
bool lookUpCheckBox(RecordSource& source, std::string& name, std::string& value);

// The folder relative file paths start from: the export file's.
std::string fileFolderOf(const std::string& exportPath);
// True for a multipart content type, which sends files.
bool sendsFilesFor(const std::string& content);
// The data list as the parts of a multipart body, file fields with their files.
std::vector<MultipartEntry> multipartEntries(const std::vector<std::string>& dataList,
                                             const std::vector<FileEntry>& fileEntries);

}  // namespace torvane
