#include "util/char_refs.h"

#include "util/encoding.h"

#include <array>
#include <charconv>
#include <optional>

namespace torvane {

namespace {

constexpr const char* kDefaultPageCharset = "WINDOWS-1252";
// Longer than any reference read here ("&#x10FFFF;"), so a stray "&" never makes the search run on.
constexpr size_t kLongestReference = 12;

struct NamedReference {
    std::string_view name;
    char32_t code;
};
constexpr std::array<NamedReference, 5> kNamed = {{
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"nbsp", 0xA0},
}};

std::string utf8Of(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return out;
}

// The code a reference body (what stands between "&" and ";") names, when it is one read here.
std::optional<char32_t> referencedCode(std::string_view body)
{
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        uint32_t code = 0;
        const auto [end, err] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (digits.empty() || err != std::errc() || end != digits.data() + digits.size() || code == 0 ||
            code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        return static_cast<char32_t>(code);
    }
    for (const NamedReference& named : kNamed)
        if (body == named.name)
            return named.code;
    return std::nullopt;
}

// The page's bytes for one character; nothing when its charset has no such character.
std::optional<std::string> bytesOf(char32_t code, const std::string& charset, bool utf8)
{
    if (code < 0x80 || utf8)
        return utf8Of(code);
    try {
        const TextConverter toPage("UTF-8", isKnownEncoding(charset) ? charset : kDefaultPageCharset);
        bool replaced = false;
        std::string bytes = toPage.convert(utf8Of(code), &replaced);
        if (replaced || bytes.empty())
            return std::nullopt;
        return bytes;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

std::string decodeCharacterReferences(std::string_view text, const std::string& charset)
{
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    const bool utf8 = isUtf8Name(charset);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        const size_t semi = text.substr(amp, kLongestReference).find(';');
        std::optional<std::string> bytes;
        if (semi != std::string_view::npos)
            if (const auto code = referencedCode(text.substr(amp + 1, semi - 1)))
                bytes = bytesOf(*code, charset, utf8);
        if (bytes) {
            out += *bytes;
            i = amp + semi + 1;
        } else {
            out.push_back('&');
            i = amp + 1;
        }
    }
    return out;
}

}  // namespace torvane
