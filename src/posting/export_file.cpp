#include "posting/export_file.h"

#include "util/error.h"

#include <cstring>

namespace torvane {

ExportFileReader::ExportFileReader(const std::string& path)
{
    setWording([path](int err) { return "Read error on file \"" + path + "\". " + std::strerror(err); });
    if (const int err = openFile(path))
        throw Error("Cannot open file \"" + path + "\". " + std::strerror(err));
}

int32_t skipLeadingLines(ExportFileReader& file, int32_t count, const std::function<void(std::string_view raw)>& skipped)
{
    int32_t done = 0;
    while (done < count && file.skipLine()) {
        ++done;
        if (skipped)
            skipped(file.raw());
    }
    return done;
}

}  // namespace torvane
