#include "util/tag_attributes.h"

#include "util/char_refs.h"
#include "util/text.h"

namespace torvane {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

class AttributeReader {
public:
    explicit AttributeReader(std::string_view tag) : m_tag(tag)
    {
        // Past "<" and the tag name.
        m_at = 1;
        while (m_at < m_tag.size() && !isSeparator(m_tag[m_at]) && m_tag[m_at] != '>' && m_tag[m_at] != '/')
            ++m_at;
    }

    // The next name and raw value; false at the end of the tag.
    bool next(std::string& name, std::string& value)
    {
        skip([](char c) { return isSeparator(c) || c == '/'; });
        if (m_at >= m_tag.size() || m_tag[m_at] == '>')
            return false;
        const size_t nameStart = m_at++;  // a name may begin with "=", as HTML reads it
        skip([](char c) { return !isSeparator(c) && c != '/' && c != '>' && c != '='; });
        name.assign(m_tag.substr(nameStart, m_at - nameStart));
        value.clear();
        skip(isSeparator);
        if (m_at >= m_tag.size() || m_tag[m_at] != '=')
            return true;
        ++m_at;
        skip(isSeparator);
        if (m_at < m_tag.size() && (m_tag[m_at] == '"' || m_tag[m_at] == '\'')) {
            const char quote = m_tag[m_at++];
            size_t close = m_tag.find(quote, m_at);
            // A quote left open by a cut-short tag runs to the tag's end, without its ">".
            if (close == std::string_view::npos)
                close = m_tag.size() - (m_tag.back() == '>' ? 1 : 0);
            value.assign(m_tag.substr(m_at, close - m_at));
            m_at = close + 1;
            return true;
        }
        const size_t valueStart = m_at;
        skip([](char c) { return !isSeparator(c) && c != '>'; });
        value.assign(m_tag.substr(valueStart, m_at - valueStart));
        return true;
    }

private:
    template <typename Pred> void skip(Pred pred)
    {
        while (m_at < m_tag.size() && pred(m_tag[m_at]))
            ++m_at;
    }

    std::string_view m_tag;
    size_t m_at = 0;
};

}  // namespace

TagAttributes::TagAttributes(std::string_view tagText, const std::string& charset)
{
    AttributeReader reader(tagText);
    std::string name;
    std::string value;
    while (reader.next(name, value))
        m_attributes.push_back({name, decodeCharacterReferences(value, charset)});
}

std::optional<std::string> TagAttributes::find(std::string_view name) const
{
    for (const TagAttribute& attribute : m_attributes)
        if (equalsIgnoreCaseAscii(attribute.name, name))
            return attribute.value;
    return std::nullopt;
}

}  // namespace torvane
