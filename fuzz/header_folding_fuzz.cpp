// Long request header lines folded into continuation lines. Unfolding must give the line back, and
// every break must come after a blank, a tab or a comma outside double quotes.
#include "fuzz_check.h"

#include "http/http_client.h"

#include <string>

namespace {

using torvane::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Short inputs are stretched past the fold width by repeating them, so that folding happens.
    std::string line(reinterpret_cast<const char*>(data), size);
    if (line.find_first_of("\r\n") != std::string::npos)
        return 0;
    if (!line.empty())
        while (line.size() <= 1100)
            line += line;
    const std::string folded = torvane::foldHeaderLine(line);

    std::string unfolded;
    bool quoted = false;
    size_t pieceStart = 0;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (folded.compare(i, 3, "\r\n ") == 0) {
            check(i > pieceStart, "an empty continuation line");
            const char before = folded[i - 1];
            check(!quoted && (before == ' ' || before == '\t' || before == ','),
                  "a break after '" + std::string(1, before) + "'" + (quoted ? " inside quotes" : ""));
            i += 2;
            pieceStart = i + 1;
            continue;
        }
        if (folded[i] == '"')
            quoted = !quoted;
        unfolded += folded[i];
    }
    check(unfolded == line, "unfolding does not give the line back");
    return 0;
}
