// Cookies a server sets: the header values, the dates they carry, and the Cookie line built from
// them. Input lines: the request host, the request directory, then one header value per line (a
// leading "2" makes it a Set-cookie2 value).
#include "fuzz_check.h"

#include "http/cookie_store.h"

#include <ctime>
#include <string>

namespace {

using torvane::fuzz::check;

constexpr std::time_t kNow = 1700000000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> lines =
        torvane::fuzz::splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (lines.size() < 3)
        return 0;
    const std::string& host = lines[0];
    const std::string& directory = lines[1];

    std::vector<torvane::CookieStore::Header> headers;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (!l.empty() && l[0] == '2')
            headers.emplace_back("Set-Cookie2", l.substr(1));
        else
            headers.emplace_back("set-cookie", l);

        // Every date that reads must read back from the form the store writes.
        std::time_t when = 0;
        if (torvane::parseInternetDate(l, when)) {
            std::time_t again = 0;
            const std::string written = torvane::formatInternetDate(when);
            check(torvane::parseInternetDate(written, again) && again == when,
                  "date '" + l + "' written as '" + written + "' does not read back");
        }
    }

    torvane::CookieStore store([] { return kNow; });
    store.takeCookies(headers, host);
    size_t kept = 0;
    for (const auto& d : store.domains())
        kept += d.cookies.size();
    check(kept <= headers.size(), "more cookies kept than were set");

    for (const bool secure : {false, true}) {
        const std::string line = store.cookieHeader(host, directory, secure);
        check(line.find('\n') == std::string::npos, "a Cookie line with a line break");
    }
    store.removeExpired();
    return 0;
}
