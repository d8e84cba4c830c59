// Text of the store or an export file as UTF-8, for outputs other programs read (results files, JSON):
// decoded with the export's encoding when one is set; otherwise valid UTF-8 stays as it is and any
// other text is read as Windows-1252, the code page older exports most often come in.
#pragma once

#include "util/encoding.h"

#include <memory>
#include <string>
#include <string_view>

namespace torvane {

class Utf8Output {
public:
    // An empty or unknown encoding name means: guess as above.
    explicit Utf8Output(const std::string& exportEncoding = {});
    std::string operator()(std::string_view text) const;

private:
    std::unique_ptr<TextConverter> m_fromExport;
    std::unique_ptr<TextConverter> m_fromWindows1252;
};

}  // namespace torvane
