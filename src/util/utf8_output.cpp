#include "util/utf8_output.h"

namespace torvane {

bool isValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t value;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are no characters.
        static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

Utf8Output::Utf8Output(const std::string& exportEncoding)
{
    if (!exportEncoding.empty() && isKnownEncoding(exportEncoding) && !isUtf8Name(exportEncoding))
        m_fromExport = std::make_unique<TextConverter>(exportEncoding, "UTF-8");
    else if (exportEncoding.empty() || !isKnownEncoding(exportEncoding))
        m_fromWindows1252 = std::make_unique<TextConverter>("WINDOWS-1252", "UTF-8");
}

std::string Utf8Output::operator()(std::string_view text) const
{
    if (m_fromExport)
        return m_fromExport->convert(text);
    if (isValidUtf8(text))
        return std::string(text);
    if (m_fromWindows1252)
        return m_fromWindows1252->convert(text);
    // A UTF-8 export with bytes that are not: each becomes "?", as the conversion would make it.
    return TextConverter("UTF-8", "UTF-8").convert(text);
}

}  // namespace torvane
