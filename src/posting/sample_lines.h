// What the field mapper shows of an export file: its first records, read as a run reads them but no
// further than they go, cut into the columns a run counts (bytes, or the characters of the export
// encoding), and the columns each line-mapped field definition takes, with the overlaps between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

class CharacterCutter;
struct FieldSettings;

struct SampleLine {
    int64_t lineNumber = 0;  // in the file, counted from 1 with the skipped lines
    std::string text;        // the record as a run reads it (carriage returns dropped)
    bool cut = false;        // longer than the sample keeps; text holds its beginning
};

constexpr int kSampleRecords = 20;
constexpr size_t kSampleLineBytes = 64 * 1024;

// The first count records after skip leading lines. Throws Error when the file cannot be opened or read.
std::vector<SampleLine> readSampleLines(const std::string& path, int32_t skip, int count = kSampleRecords,
                                        size_t maxLineBytes = kSampleLineBytes);

// Where each column of a line begins: the byte offset of column c (1-based) is at [c - 1]; one entry
// more than there are columns, the last being the line's size.
std::vector<size_t> columnOffsets(const std::string& line, const CharacterCutter* characters);

// The columns a field definition takes from a line, 1-based and inclusive.
struct ColumnRange {
    size_t field = 0;  // the index of the definition
    int64_t first = 0;
    int64_t last = 0;
};

// The ranges of the definitions that take their value from the line (an Import Start other than 0), in
// the run's terms: a start below 1 counts as 1, a length below 1 takes nothing and gives no range.
std::vector<ColumnRange> lineMappedRanges(const std::vector<FieldSettings>& definitions);

// Columns taken by more than one definition: each run of columns with the same set of definitions,
// in column order, with the indexes of those definitions.
struct ColumnOverlap {
    int64_t first = 0;
    int64_t last = 0;
    std::vector<size_t> fields;
};
std::vector<ColumnOverlap> columnOverlaps(const std::vector<ColumnRange>& ranges);

}  // namespace torvane
