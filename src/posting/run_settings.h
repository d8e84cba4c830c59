// The settings a posting run copies at its start, read in the run's order with the messages that abort
// it. Send Data and the data check both read them here, so the check sees what a run would see.
#pragma once

#include "posting/post_type.h"
#include "util/product_info.h"

#include <functional>
#include <string>

namespace torvane {

class RowReader;

inline constexpr const char* kNoUrlMessage = "Posting Aborted, No URL Defined.";
// Spelled as the product has always shown it (see util/product_info.h).
inline constexpr const char* kNoPostTypeMessage = kPostingAbortedNoPostAction;
inline constexpr const char* kNoImportFileMessage = "Posting Aborted, No Import File Name Defined";
inline constexpr const char* kExportFileMissingMessage = "Export File Could Not Be Found";
inline constexpr const char* kDefaultContent = "application/x-www-form-urlencoded";

struct RunSettings {
    std::string url;  // empty when blank
    bool secure = false;  // the URL begins with "https:", in any letter case
    bool viewWarnings = false;
    bool deleteFile = false;
    std::string postType;  // upper case (ASCII letters), as the settings summary shows it
    PostType kind = PostType::None;  // postType parsed
    bool trackSent = false;
    std::string fieldToTrack1, fieldToTrack2, fieldToTrack3, fieldToTrack4;
    std::string content;
    bool viewDiag = false;
    bool aborted = false;  // URL or PostType blank
};

// Reads URL, ViewWarnings, DeleteFile, PostType, TrackSent, FieldToTrack1 to 4, Content and ViewDiag;
// each abort message goes to abortMessage at the point the run shows it.
RunSettings readRunSettings(const RowReader& settings, const std::function<void(const std::string&)>& abortMessage);

// True when the path names a file (not a folder) that exists.
bool exportFileExists(const std::string& path);

}  // namespace torvane
