#include "http/sliced_wait.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "util/clock.h"

namespace torvane {

int waitInSlices(Clock& clock, int limitMs, const std::function<void()>& pump,
                 const std::function<int(int sliceMs)>& waitOnce)
{
    const int64_t start = limitMs > 0 ? clock.nowMs() : 0;
    for (;;) {
        int slice = kWaitSliceMs;
        if (limitMs > 0) {
            const int64_t left = limitMs - (clock.nowMs() - start);
            if (left <= 0)
                return 0;
            slice = int(std::min<int64_t>(slice, left));
        }
        const int rc = waitOnce(slice);
        if (rc > 0)
            return 1;
        if (rc == -EINTR)
            continue;
        if (rc < 0)
            return rc;
        if (pump)
            pump();
    }
}

}  // namespace torvane
