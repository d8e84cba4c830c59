#include "util/base64.h"

#include <cstdint>

namespace torvane {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool isAlphabetChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? uint8_t(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

bool isBase64Of(std::string_view text, size_t byteCount)
{
    const size_t length = (byteCount + 2) / 3 * 4;
    const size_t padding = (3 - byteCount % 3) % 3;
    if (text.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const bool pad = i >= length - padding;
        if (pad ? text[i] != '=' : !isAlphabetChar(text[i]))
            return false;
    }
    return true;
}

}  // namespace torvane
