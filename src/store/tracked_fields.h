// The settings that name the fields whose values make up a record's tracking key, in key order. Every
// reader and writer of them goes through this list, so a fifth one would be added here alone.
#pragma once

#include <array>

namespace torvane {

inline constexpr std::array<const char*, 4> kFieldToTrackSettings = {"FieldToTrack1", "FieldToTrack2",
                                                                     "FieldToTrack3", "FieldToTrack4"};

}  // namespace torvane
