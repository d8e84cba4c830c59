// The product's name, version and maker, shown by the main window, the splash, the about box and the
// command-line companion.
#pragma once

namespace torvane {

inline constexpr const char* kProductName = "Torvane";
inline constexpr const char* kVersionText = "Version 1.1";
inline constexpr const char* kCopyrightNotice = "Copyright (c) 2026 Torvane Software";
inline constexpr const char* kWebAddress = "https://www.torvane.example/";
inline constexpr const char* kSalesEmail = "sales@torvane.example";

}  // namespace torvane
