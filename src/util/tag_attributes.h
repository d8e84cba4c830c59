// The attributes of one tag read as HTML writes them: names, each with an optional "=" and a value in
// double quotes, single quotes or bare, separated by blanks, tabs and line breaks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

struct TagAttribute {
    std::string name;   // as written
    std::string value;  // character references decoded
};

// The attributes of a tag text ("<INPUT ...>"), in order; the tag name itself is not one of them.
// charset is the page's declared charset, for the references above 127 (see char_refs.h).
class TagAttributes {
public:
    TagAttributes(std::string_view tagText, const std::string& charset);

    // The value of the first attribute of that whole name, letter case ignored; nothing when the tag
    // has none (an attribute without "=" has the empty value).
    std::optional<std::string> find(std::string_view name) const;
    // The value, or the empty text when the attribute is missing.
    std::string text(std::string_view name) const { return find(name).value_or(std::string()); }
    bool has(std::string_view name) const { return find(name).has_value(); }
    const std::vector<TagAttribute>& all() const { return m_attributes; }

private:
    std::vector<TagAttribute> m_attributes;
};

}  // namespace torvane
