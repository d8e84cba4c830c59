// The decimal conversion against a reference that never does arithmetic that could overflow: it
// compares digit strings with the limits, so it is exact by construction.
#include "fuzz_check.h"

#include "util/error.h"
#include "util/text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

using torvane::fuzz::check;

// The value when text is an optional sign and one or more digits whose value lies in [-2^63, 2^63-1].
std::optional<int64_t> reference(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    while (text.size() > 1 && text[0] == '0')
        text.remove_prefix(1);
    const std::string_view limit = negative ? "9223372036854775808" : "9223372036854775807";
    if (text.size() > limit.size() || (text.size() == limit.size() && text > limit))
        return std::nullopt;
    // At most 19 digits below 2^63 + 1: the sum fits 64 unsigned bits at every step.
    uint64_t magnitude = 0;
    for (const char c : text)
        magnitude = magnitude * 10 + uint64_t(c - '0');
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int64_t> expected = reference(text);

    int64_t got64 = 12345;
    const bool ok64 = torvane::tryToInt64(text, got64);
    check(ok64 == expected.has_value(), "64-bit acceptance differs for '" + text + "'");
    check(ok64 ? got64 == *expected : got64 == 12345, "64-bit value differs for '" + text + "'");

    const bool fits32 = expected && *expected >= INT32_MIN && *expected <= INT32_MAX;
    int32_t got32 = 12345;
    const bool ok32 = torvane::tryToInt32(text, got32);
    check(ok32 == fits32, "32-bit acceptance differs for '" + text + "'");
    check(ok32 ? got32 == *expected : got32 == 12345, "32-bit value differs for '" + text + "'");

    try {
        const int32_t v = torvane::toInt32(text);
        check(fits32 && v == *expected, "toInt32 accepted '" + text + "'");
    } catch (const torvane::Error& e) {
        check(!fits32, "toInt32 refused '" + text + "'");
        check(e.what() == torvane::fuzz::shownMessage(torvane::notValidIntegerMessage(text)),
              "toInt32 message for '" + text + "'");
    }
    return 0;
}
