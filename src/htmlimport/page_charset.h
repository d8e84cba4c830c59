// The character encoding a saved web page declares for itself, in <meta charset> or in the content
// type of <meta http-equiv>.
#pragma once

#include <string>
#include <string_view>

namespace torvane {

// How much of the start of a page is searched: the declaration belongs in its head.
inline constexpr size_t kCharsetSearchBytes = 64 * 1024;

// The charset named by the first META tag that names one, as written; empty when none does.
std::string declaredCharset(std::string_view page);
// The same for a page file, reading no more than its first kCharsetSearchBytes; empty when the file
// cannot be read.
std::string declaredCharsetOfFile(const std::string& path);

}  // namespace torvane
