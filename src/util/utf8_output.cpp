#include "util/utf8_output.h"

namespace torvane {

Utf8Output::Utf8Output(const std::string& exportEncoding)
{
    // A UTF-8 export goes through the conversion too: its broken bytes become "?".
    if (isKnownEncoding(exportEncoding))
        m_fromExport = std::make_unique<TextConverter>(exportEncoding, "UTF-8");
    else
        m_fromWindows1252 = std::make_unique<TextConverter>("WINDOWS-1252", "UTF-8");
}

std::string Utf8Output::operator()(std::string_view text) const
{
    if (m_fromExport)
        return m_fromExport->convert(text);
    if (isValidUtf8(text))
        return std::string(text);
    return m_fromWindows1252->convert(text);
}

}  // namespace torvane
