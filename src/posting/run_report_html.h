// A run's report as one self-contained HTML page: no script, nothing fetched from elsewhere, charts as
// inline SVG, so it opens offline, prints, and can be mailed as it is.
#pragma once

#include "posting/run_report.h"

#include <string>

namespace torvane {

std::string runReportHtml(const RunReport& report);
// Writes the page to path (replaced); throws Error naming the file when it cannot.
void writeRunReportHtml(const std::string& path, const RunReport& report);

// Text made safe for HTML content and attribute values.
std::string htmlEscape(const std::string& text);

}  // namespace torvane
