#include "htmlimport/page_charset.h"

#include "util/text.h"

#include <fstream>
#include <sys/stat.h>

namespace torvane {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value after "charset" in one tag's text: blanks, "=", blanks, then a quoted or bare name.
std::string charsetIn(std::string_view tag)
{
    const std::string upper = upperAscii(tag);
    for (size_t at = upper.find("CHARSET"); at != std::string::npos; at = upper.find("CHARSET", at + 1)) {
        size_t i = at + 7;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
            ++i;
        size_t end = i;
        while (end < tag.size() && !isSpace(tag[end]) && tag[end] != '"' && tag[end] != '\'' && tag[end] != ';' &&
               tag[end] != '>' && tag[end] != '/')
            ++end;
        if (end > i)
            return std::string(tag.substr(i, end - i));
    }
    return {};
}

}  // namespace

std::string declaredCharset(std::string_view page)
{
    page = page.substr(0, kCharsetSearchBytes);
    const std::string upper = upperAscii(page);
    for (size_t at = upper.find("<META"); at != std::string::npos; at = upper.find("<META", at + 5)) {
        const size_t end = upper.find('>', at);
        const std::string found =
            charsetIn(page.substr(at, end == std::string::npos ? std::string_view::npos : end - at));
        if (!found.empty())
            return found;
    }
    return {};
}

std::string declaredCharsetOfFile(const std::string& path)
{
    // Only a file that can be read twice: a pipe would lose to this look what the import must read.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string head(kCharsetSearchBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return declaredCharset(head);
}

}  // namespace torvane
