// The product's texts whose spelling looks like a slip: it is the product's own and is kept letter
// for letter. Operators, their scripts and the records they keep know these texts as they are, so
// "correcting" one breaks them; the code names that follow them (PrinterSetiup1) stay as well.
#pragma once

namespace torvane {

inline constexpr const char* kPostingAbortedNoPostAction = "Positng Aborted, Post Action Not Defined";
// Ends the heading of a record's warnings: "Data Had ..." or "Data For <key> Had ...".
inline constexpr const char* kHadTheFollowingWarnings = "Had the Following Warings:";
inline constexpr const char* kBytesTransferredLabel = "Bytes Transfered = ";
inline constexpr const char* kDefaultValueCaption = "Dafault Value";
inline constexpr const char* kPrinterSetupMenuText = "P&rinter Setiup";

}  // namespace torvane
