#include "http/form_encoding.h"

#include "util/text.h"

#include <algorithm>

namespace torvane {

namespace {

bool isLetterOrDigit(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The bytes of a name that would end it early or break the body.
bool breaksBody(unsigned char c)
{
    return c <= ' ' || c == '&' || c == '=' || c >= 127;
}

// Bytes that keep stay, a blank becomes "+", every other byte "%" and two upper-case hex digits.
template <typename Keep> std::string encodeBytes(std::string_view text, Keep keep)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep(c)) {
            out.push_back(ch);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

}  // namespace

std::string encodeFormValue(std::string_view value)
{
    return encodeBytes(value, isLetterOrDigit);
}

bool nameNeedsEncoding(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return breaksBody(static_cast<unsigned char>(c)); });
}

std::string encodeFormName(std::string_view name)
{
    // Only the bytes that would break the body are encoded, so names that go out well today (a
    // "customer[name]", or one the operator stored encoded already) go out as they always did.
    return encodeBytes(name, [](unsigned char c) { return !breaksBody(c); });
}

std::string encodePostBody(const std::vector<std::string>& entries)
{
    std::string body;
    for (const auto& entry : entries) {
        const size_t eq = entry.find('=');
        const std::string_view name = std::string_view(entry).substr(0, eq);
        const std::string namePart = nameNeedsEncoding(name) ? encodeFormName(name) : std::string(name);
        if (eq == std::string::npos)
            body += entry;
        else if (eq + 1 == entry.size())
            body += namePart + "=";
        else
            body += namePart + "=" + encodeFormValue(std::string_view(entry).substr(eq + 1));
        if (entries.size() > 1)
            body += '&';
    }
    return trimControlAndBlanks(body);
}

}  // namespace torvane
