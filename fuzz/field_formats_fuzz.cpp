// A value cut out of an export line and converted by its format. The first bytes choose the
// format, the columns and the limits (extreme ones included); the rest is the line.
#include "fuzz_check.h"

#include "posting/record_fields.h"
#include "util/error.h"

#include <cstring>
#include <string>

namespace {

using torvane::fuzz::check;

const char* const kFormats[] = {"", "YYYYMMDD To MM/DD/YY", "HHMM To HH:MM", "HHMM To HH:MM AM/PM", "other"};

int32_t pick(const uint8_t* bytes)
{
    // Mostly small columns, now and then the ends of the 32-bit range.
    const uint8_t b = bytes[0];
    switch (b % 8) {
    case 0: return INT32_MIN;
    case 1: return INT32_MAX;
    case 2: return -int32_t(bytes[1]);
    default: return int32_t(bytes[1]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    const std::string format = kFormats[data[0] % (sizeof(kFormats) / sizeof(kFormats[0]))];
    const bool overflow = data[1] & 1;
    const int32_t start = pick(data + 2), length = pick(data + 4), maxLength = pick(data + 6);
    const std::string line(reinterpret_cast<const char*>(data) + 8, size - 8);

    std::string carried;
    std::string value;
    try {
        value = torvane::GetDataItemToSend(line, start, length, maxLength, overflow, format, carried);
    } catch (const torvane::Error& e) {
        // Only a time whose hour is no number may refuse the value.
        check(format.rfind("HHMM", 0) == 0, std::string("refused under format '") + format + "': " + e.what());
        return 0;
    }
    if (maxLength >= 0)
        check(value.size() <= size_t(maxLength), "a value longer than its limit");
    if (!overflow)
        check(carried.empty(), "text carried on without overflow");
    // What was carried feeds the next fields until it is used up, and every step shortens it.
    for (int i = 0; i < 64 && !carried.empty(); ++i) {
        const size_t before = carried.size();
        try {
            torvane::GetDataItemToSendOverFlow(maxLength > 0 ? maxLength : 1, true, format, carried);
        } catch (const torvane::Error&) {
            break;
        }
        // The conversions may lengthen a piece; without one, each field takes something.
        if (format.empty() || format == "other")
            check(carried.size() < before, "carried text that never shrinks");
    }
    std::vector<std::string> required;
    bool complete = true;
    torvane::CheckIfRequiredField(value, "f", data[1] & 2, complete, required);
    check(complete == required.empty(), "a record both complete and missing a field");
    return 0;
}
