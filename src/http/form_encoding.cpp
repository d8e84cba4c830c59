#include "http/form_encoding.h"

#include "util/text.h"

namespace torvane {

std::string encodeFormValue(std::string_view value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
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

std::string encodePostBody(const std::vector<std::string>& entries)
{
    std::string body;
    for (const auto& entry : entries) {
        const size_t eq = entry.find('=');
        if (eq == std::string::npos || eq + 1 == entry.size())
            body += entry;
        else
            body += entry.substr(0, eq + 1) + encodeFormValue(std::string_view(entry).substr(eq + 1));
        if (entries.size() > 1)
            body += '&';
    }
    return trimControlAndBlanks(body);
}

}  // namespace torvane
