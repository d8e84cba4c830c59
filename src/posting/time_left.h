// The time a run still needs at the pace it has kept so far, as the status bar shows it.
#pragma once

#include <cstdint>
#include <string>

namespace torvane {

// "About 4 min 10 s left" for the records not done yet at the pace of those done; empty while nothing
// is done or the total is not known. Whole seconds, rounded up, so the last record never shows "0 s".
std::string timeLeftText(int64_t done, int64_t total, int64_t elapsedMs);

}  // namespace torvane
