// The product's name, version and maker, shown by the main window, the splash, the about box and the
// command-line companion; and the product's texts whose spelling looks like a slip.
#pragma once

namespace torvane {

inline constexpr const char* kProductName = "Torvane";
inline constexpr const char* kVersionText = "Version 1.1";
inline constexpr const char* kCopyrightNotice = "Copyright (c) 2026 Torvane Software";
inline constexpr const char* kWebAddress = "https://www.torvane.example/";
inline constexpr const char* kSalesEmail = "sales@torvane.example";

// These texts are spelled the product's own way and are kept letter for letter: operators, their
// scripts and the records they keep know them as they are, so "correcting" one breaks them. The
// code names that follow them (PrinterSetiup1) stay as well.
inline constexpr const char* kPostingAbortedNoPostAction = "Positng Aborted, Post Action Not Defined";
// Ends the heading of a record's warnings: "Data Had ..." or "Data For <key> Had ...".
inline constexpr const char* kHadTheFollowingWarnings = "Had the Following Warings:";
inline constexpr const char* kBytesTransferredLabel = "Bytes Transfered = ";
inline constexpr const char* kDefaultValueCaption = "Dafault Value";
inline constexpr const char* kPrinterSetupMenuText = "P&rinter Setiup";

}  // namespace torvane
