#include "posting/sample_lines.h"

#include "posting/export_file.h"
#include "posting/record_fields.h"
#include "util/encoding.h"

#include <algorithm>
#include <map>

namespace torvane {

std::vector<SampleLine> readSampleLines(const std::string& path, int32_t skip, int count, size_t maxLineBytes)
{
    ExportFileReader file(path);
    const int64_t skipped = skipLeadingLines(file, skip);
    std::vector<SampleLine> lines;
    SampleLine line;
    while (static_cast<int>(lines.size()) < count && file.readLine(line.text, maxLineBytes, line.cut)) {
        line.lineNumber = skipped + static_cast<int64_t>(lines.size()) + 1;
        lines.push_back(line);
    }
    return lines;
}

std::vector<size_t> columnOffsets(const std::string& line, const CharacterCutter* characters)
{
    std::vector<size_t> offsets;
    offsets.reserve(line.size() + 1);
    for (size_t at = 0; at < line.size(); at += characters ? characters->characterLength(line, at) : 1)
        offsets.push_back(at);
    offsets.push_back(line.size());
    return offsets;
}

std::vector<ColumnRange> lineMappedRanges(const std::vector<FieldSettings>& definitions)
{
    std::vector<ColumnRange> ranges;
    for (size_t i = 0; i < definitions.size(); ++i) {
        const FieldSettings& f = definitions[i];
        if (f.ImportStart == 0 || f.ImportLength < 1)
            continue;
        const int64_t first = std::max<int64_t>(f.ImportStart, 1);
        ranges.push_back({i, first, first + int64_t(f.ImportLength) - 1});
    }
    return ranges;
}

std::vector<ColumnOverlap> columnOverlaps(const std::vector<ColumnRange>& ranges)
{
    // A sweep over the points where a range begins or ends: between two such points the set of
    // definitions stays the same.
    std::map<int64_t, std::vector<std::pair<size_t, bool>>> events;  // column -> (range, begins)
    for (size_t r = 0; r < ranges.size(); ++r) {
        events[ranges[r].first].push_back({r, true});
        events[ranges[r].last + 1].push_back({r, false});
    }
    std::vector<ColumnOverlap> overlaps;
    std::vector<size_t> open;  // ranges covering the columns from here on
    for (auto it = events.begin(); it != events.end(); ++it) {
        for (const auto& [r, begins] : it->second) {
            if (begins)
                open.push_back(r);
            else
                open.erase(std::find(open.begin(), open.end(), r));
        }
        const auto next = std::next(it);
        if (open.size() < 2 || next == events.end())
            continue;
        std::vector<size_t> fields;
        for (size_t r : open)
            fields.push_back(ranges[r].field);
        std::sort(fields.begin(), fields.end());
        fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
        if (fields.size() < 2)
            continue;
        const int64_t last = next->first - 1;
        if (!overlaps.empty() && overlaps.back().last + 1 == it->first && overlaps.back().fields == fields)
            overlaps.back().last = last;
        else
            overlaps.push_back({it->first, last, std::move(fields)});
    }
    return overlaps;
}

}  // namespace torvane
