#include "util/text.h"

#include "util/error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

bool endsWithIgnoreCaseAscii(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && equalsIgnoreCaseAscii(text.substr(text.size() - tail.size()), tail);
}

namespace {

bool matchesFoldedAt(std::string_view item, const char* at)
{
    for (size_t k = 0; k < item.size(); ++k)
        if (upperChar(at[k]) != upperChar(item[k]))
            return false;
    return true;
}

// Where item first occurs in data, letters folded; npos when nowhere. Windows are screened by their
// first and last bytes with the lower-case bit set on both sides: that lets every real match through
// (and now and then a non-letter twin, which the full comparison turns away). Sixty-four windows go
// through one branch, so a large reply is searched at the speed of memory.
size_t findFolded(std::string_view item, std::string_view data)
{
    const size_t m = item.size();
    const size_t n = data.size();
    const char* d = data.data();
    size_t pos = 0;
#ifdef __SSE2__
    const __m128i lowerBit = _mm_set1_epi8(0x20);
    const __m128i first = _mm_set1_epi8(char(item[0] | 0x20));
    const __m128i last = _mm_set1_epi8(char(item[m - 1] | 0x20));
    // Sixteen windows from p: a byte set where both ends fit.
    auto screen = [&](size_t p) {
        const __m128i heads = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p)), lowerBit);
        const __m128i tails = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p + m - 1)), lowerBit);
        return _mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last));
    };
    for (; pos + m - 1 + 64 <= n; pos += 64) {
        const __m128i s0 = screen(pos), s1 = screen(pos + 16), s2 = screen(pos + 32), s3 = screen(pos + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(s0, s1), _mm_or_si128(s2, s3))) == 0)
            continue;
        uint64_t candidates = 0;
        for (const __m128i s : {s3, s2, s1, s0})
            candidates = candidates << 16 | unsigned(_mm_movemask_epi8(s));
        for (; candidates != 0; candidates &= candidates - 1) {
            const size_t at = pos + size_t(__builtin_ctzll(candidates));
            if (matchesFoldedAt(item, d + at))
                return at;
        }
    }
#endif
    for (; pos + m <= n; ++pos)
        if (matchesFoldedAt(item, d + pos))
            return pos;
    return std::string_view::npos;
}

}  // namespace

int FindItem(std::string_view item, std::string_view data)
{
    if (item.empty() || item.size() > data.size())
        return 0;
    const size_t at = findFolded(item, data);
    return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
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
