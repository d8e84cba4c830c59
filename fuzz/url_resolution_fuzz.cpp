// URLs resolved against the place of the previous request, as every redirection does. Input lines:
// the URL, then the current scheme, host, port and directory.
#include "fuzz_check.h"

#include "http/url.h"
#include "util/error.h"
#include "util/text.h"

#include <string>

namespace {

using torvane::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines =
        torvane::fuzz::splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    lines.resize(std::max<size_t>(lines.size(), 5));
    torvane::Location current;
    current.scheme = lines[1];
    current.host = lines[2];
    current.port = lines[3];
    current.directory = lines[4].empty() ? "/" : lines[4];

    torvane::Location next;
    try {
        next = torvane::resolveUrl(lines[0], current);
    } catch (const torvane::Error&) {
        return 0;
    }
    check(!next.directory.empty() && next.directory.front() == '/' && next.directory.back() == '/',
          "directory '" + next.directory + "' is not enclosed in slashes");
    check(next.directory.find("//") == std::string::npos, "doubled slash left in '" + next.directory + "'");
    check(!next.scheme.empty(), "no scheme");
    // A port the client will connect to is a number it can hold, or one kept from the current place.
    int32_t port = 0;
    check(next.port == current.port || torvane::tryToInt32(next.port, port),
          "port '" + next.port + "' is neither a number nor the current one");
    return 0;
}
