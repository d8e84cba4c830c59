// Waiting for the network in short slices, so the window can repaint between them: every blocking
// wait of the HTTP side (connecting, waiting for data) goes through here.
#pragma once

#include <functional>

namespace torvane {

class Clock;

// How long one wait lasts before the pump gets a turn.
inline constexpr int kWaitSliceMs = 50;

// Calls waitOnce(sliceMs) until it reports ready (> 0), pumping after every slice that ran out (0),
// for at most limitMs (0: for ever) measured on clock. A negative result is a negated POSIX error
// number: -EINTR waits again, any other is returned as it is. Returns 1 when ready, 0 when the
// limit ran out.
int waitInSlices(Clock& clock, int limitMs, const std::function<void()>& pump,
                 const std::function<int(int sliceMs)>& waitOnce);

}  // namespace torvane
