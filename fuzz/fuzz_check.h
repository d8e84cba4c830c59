// What the fuzz targets share: a check that reports the input's story and stops the run, so that
// libFuzzer keeps the input that broke a property (assert would vanish in an optimised build).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::fuzz {

[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}

inline void check(bool ok, const std::string& what)
{
    if (!ok)
        fail(what);
}

// What the operator is shown of an error message: the message reaches them as C text, so it ends at
// its first NUL byte.
inline std::string shownMessage(const std::string& message)
{
    return message.substr(0, message.find('\0'));
}

// The input cut at every line feed, for targets that need several texts out of one input.
inline std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            parts.emplace_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace torvane::fuzz
