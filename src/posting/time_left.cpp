#include "posting/time_left.h"

namespace torvane {

std::string timeLeftText(int64_t done, int64_t total, int64_t elapsedMs)
{
    if (done <= 0 || total < 0 || elapsedMs < 0)
        return {};
    if (done >= total)
        return "About 0 s left";
    const long double msLeft = static_cast<long double>(elapsedMs) * static_cast<long double>(total - done) /
                               static_cast<long double>(done);
    const int64_t seconds = static_cast<int64_t>((msLeft + 999) / 1000);
    if (seconds < 60)
        return "About " + std::to_string(seconds) + " s left";
    if (seconds < 3600)
        return "About " + std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s left";
    return "About " + std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min left";
}

}  // namespace torvane
