#include "posting/run_settings.h"

#include "http/url.h"

#include "store/row_reader.h"
#include "util/text.h"

#include <filesystem>

namespace torvane {

RunSettings readRunSettings(const RowReader& settings, const std::function<void(const std::string&)>& abortMessage)
{
    RunSettings s;
    if (settings.isBlank("URL")) {
        s.aborted = true;
        abortMessage(kNoUrlMessage);
    } else {
        s.url = settings.text("URL");
        s.secure = isHttpsUrl(s.url);
    }
    s.viewWarnings = settings.logical("ViewWarnings", false);
    s.deleteFile = settings.logical("DeleteFile", false);
    if (settings.isBlank("PostType")) {
        s.aborted = true;
        abortMessage(kNoPostTypeMessage);
    } else {
        s.postType = settings.text("PostType");
    }
    s.trackSent = settings.logical("TrackSent", false);
    s.fieldToTrack1 = settings.text("FieldToTrack1");
    s.fieldToTrack2 = settings.text("FieldToTrack2");
    s.fieldToTrack3 = settings.text("FieldToTrack3");
    s.fieldToTrack4 = settings.text("FieldToTrack4");
    s.content = settings.text("Content", kDefaultContent);
    s.viewDiag = settings.logical("ViewDiag", false);
    s.postType = upperAscii(s.postType);
    s.kind = parsePostType(s.postType);
    return s;
}

bool exportFileExists(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace torvane
