#include "util/text.h"

#include "util/error.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace torvane {

namespace {
inline char upperChar(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upperChar(c);
    return out;
}

bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperChar(a[i]) != upperChar(b[i]))
            return false;
    return true;
}

int FindItem(std::string_view item, std::string_view data)
{
    const size_t m = item.size();
    if (m == 0 || m > data.size())
        return 0;
    // Horspool's search on upper-cased bytes, so a large reply is searched where it lies: when the
    // window does not match, it moves on by how far the byte under its end lies from the item's end.
    size_t shift[256];
    for (size_t& s : shift)
        s = m;
    for (size_t i = 0; i + 1 < m; ++i)
        shift[static_cast<unsigned char>(upperChar(item[i]))] = m - 1 - i;
    const char last = upperChar(item[m - 1]);
    for (size_t pos = 0; pos + m <= data.size();) {
        const char c = upperChar(data[pos + m - 1]);
        if (c == last) {
            size_t k = 0;
            while (k + 1 < m && upperChar(data[pos + k]) == upperChar(item[k]))
                ++k;
            if (k + 1 == m)
                return static_cast<int>(pos + 1);
        }
        pos += shift[static_cast<unsigned char>(c)];
    }
    return 0;
}

void TrimBlanks(std::string& text)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    size_t begin = 0;
    while (begin < end && text[begin] == ' ')
        ++begin;
    if (begin > 0 || end < text.size())
        text = text.substr(begin, end - begin);
}

std::string trimmedBlanks(std::string_view text)
{
    std::string out(text);
    TrimBlanks(out);
    return out;
}

std::string trimControlAndBlanks(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool tryToInt64(std::string_view text, int64_t& out)
{
    if (text.empty())
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return false;
    // The magnitude is gathered unsigned so that the most negative value has room; each step is
    // checked before it is taken, because once value * 10 has wrapped round, a number of 20 digits
    // or more can look like a small one.
    uint64_t value = 0;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = uint64_t(c - '0');
        if (value > (limit - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
    return true;
}

bool tryToInt32(std::string_view text, int32_t& out)
{
    int64_t v = 0;
    if (!tryToInt64(text, v) || v < std::numeric_limits<int32_t>::min() ||
        v > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

int32_t toInt32(const std::string& text)
{
    int32_t v = 0;
    if (!tryToInt32(text, v))
        throw Error(notValidIntegerMessage(text));
    return v;
}

std::vector<std::string> splitAddedText(std::string_view text)
{
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    lines.push_back(std::move(current));
    return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

}  // namespace torvane
