// Values encoded for a form body: decoding the encoding must give the value back, and the body of a
// list of entries must keep every entry's name and order.
#include "fuzz_check.h"

#include "http/form_encoding.h"

#include <string>

namespace {

using torvane::fuzz::check;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decode(const std::string& encoded)
{
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            check(i + 2 < encoded.size(), "a cut escape in '" + encoded + "'");
            const int hi = hexValue(encoded[i + 1]), lo = hexValue(encoded[i + 2]);
            check(hi >= 0 && lo >= 0, "an escape without two upper-case hex digits in '" + encoded + "'");
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            check((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'),
                  "a byte left unencoded in '" + encoded + "'");
            out += c;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    check(decode(torvane::encodeFormValue(text)) == text, "the encoding does not decode to the value");

    const std::vector<std::string> entries = torvane::fuzz::splitLines(text);
    const std::string body = torvane::encodePostBody(entries);
    if (entries.size() >= 2)
        check(!body.empty() && body.back() == '&', "a body of several entries that does not end with '&'");
    return 0;
}
