#include "util/encoding.h"

#include "util/error.h"
#include "util/text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace torvane {

namespace {

const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);
const size_t kIconvFailed = static_cast<size_t>(-1);
// Code points as iconv writes them when it steps through another encoding: no byte-order mark, four
// bytes for each character.
const char* const kUnicodeUnits = "UTF-32LE";

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of a well-formed UTF-8 sequence at the offset, or 1 for a byte that starts none
// (stray continuation bytes, overlong forms, surrogates, code points past U+10FFFF, cut sequences).
size_t utf8Length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const size_t left = text.size() - at;
    const unsigned char lead = byte(0);
    size_t length = 1;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 1;
    }
    if (left < length || byte(1) < low || byte(1) > high)
        return 1;
    for (size_t i = 2; i < length; ++i)
        if (!isContinuation(byte(i)))
            return 1;
    return length;
}

size_t callIconv(void* cd, char** in, size_t* inLeft, char** out, size_t* outLeft)
{
    return ::iconv(static_cast<iconv_t>(cd), in, inLeft, out, outLeft);
}

}  // namespace

std::string unknownEncodingMessage(const std::string& name)
{
    return "'" + name + "' is not a known character encoding";
}

bool isKnownEncoding(const std::string& name)
{
    // iconv reads "//TRANSLIT" and "//IGNORE" after a name as options that change what a conversion
    // does with characters it cannot convert; a setting names an encoding and nothing more.
    if (name.empty() || name.find('/') != std::string::npos)
        return false;
    for (const auto& [to, from] : {std::pair{"UTF-8", name.c_str()}, std::pair{name.c_str(), "UTF-8"}}) {
        const iconv_t cd = ::iconv_open(to, from);
        if (cd == kNoConversion)
            return false;
        ::iconv_close(cd);
    }
    return true;
}

void requireKnownEncoding(const std::string& name)
{
    if (!isKnownEncoding(name))
        throw Error(unknownEncodingMessage(name));
}

bool isUtf8Name(std::string_view name)
{
    std::string letters;
    for (char c : name)
        if (c != '-' && c != '_')
            letters += c;
    return equalsIgnoreCaseAscii(letters, "UTF8");
}

IconvHandle::IconvHandle(const std::string& from, const std::string& to)
{
    const iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == kNoConversion)
        throw Error(unknownEncodingMessage(isKnownEncoding(from) || from == kUnicodeUnits ? to : from));
    m_cd = cd;
}

IconvHandle::~IconvHandle()
{
    ::iconv_close(static_cast<iconv_t>(m_cd));
}

void IconvHandle::reset() const
{
    ::iconv(static_cast<iconv_t>(m_cd), nullptr, nullptr, nullptr, nullptr);
}

CharacterCutter::CharacterCutter(const std::string& encoding)
{
    if (!encoding.empty() && !isUtf8Name(encoding)) {
        requireKnownEncoding(encoding);
        m_toUnicode = std::make_unique<IconvHandle>(encoding, kUnicodeUnits);
    }
}

CharacterCutter::~CharacterCutter() = default;
CharacterCutter::CharacterCutter(CharacterCutter&&) noexcept = default;
CharacterCutter& CharacterCutter::operator=(CharacterCutter&&) noexcept = default;

size_t CharacterCutter::characterLength(std::string_view text, size_t at) const
{
    if (at >= text.size())
        return 0;
    if (!m_toUnicode)
        return utf8Length(text, at);

    // Room for exactly one code point: iconv converts one character and stops in front of the next.
    const size_t left = text.size() - at;
    char* in = const_cast<char*>(text.data() + at);
    size_t inLeft = left;
    char unit[4];
    char* out = unit;
    size_t outLeft = sizeof unit;
    const size_t r = callIconv(m_toUnicode->get(), &in, &inLeft, &out, &outLeft);
    const size_t consumed = left - inLeft;
    if (r != kIconvFailed)
        return consumed > 0 ? consumed : left;
    const int error = errno;
    if (consumed > 0)
        return consumed;
    if (error == EINVAL)
        return left;  // a character cut off by the end of the text
    if (error == E2BIG) {
        // One character that stands for several code points: find the shortest piece that converts.
        for (size_t n = 1; n <= left && n <= 8; ++n) {
            char* trialIn = const_cast<char*>(text.data() + at);
            size_t trialLeft = n;
            char units[64];
            char* trialOut = units;
            size_t trialOutLeft = sizeof units;
            if (callIconv(m_toUnicode->get(), &trialIn, &trialLeft, &trialOut, &trialOutLeft) != kIconvFailed)
                return n;
            if (errno != EINVAL)
                break;
        }
    }
    return 1;  // a byte that starts no character of the encoding
}

size_t CharacterCutter::advance(std::string_view text, size_t from, int64_t count) const
{
    if (m_toUnicode && from == 0)
        m_toUnicode->reset();
    size_t at = from;
    for (int64_t i = 0; i < count && at < text.size(); ++i)
        at += characterLength(text, at);
    return at;
}

std::string CharacterCutter::copy(std::string_view text, int64_t start, int64_t count) const
{
    if (start < 1)
        start = 1;
    if (count <= 0)
        return {};
    const size_t begin = advance(text, 0, start - 1);
    if (begin >= text.size())
        return {};
    const size_t end = advance(text, begin, count);
    return std::string(text.substr(begin, end - begin));
}

TextConverter::TextConverter(const std::string& from, const std::string& to)
    : m_source(from)
{
    requireKnownEncoding(from);
    requireKnownEncoding(to);
    m_cd = std::make_unique<IconvHandle>(from, to);
    std::string question = "?";
    IconvHandle ascii("UTF-8", to);
    char* in = question.data();
    size_t inLeft = question.size();
    char buf[16];
    char* out = buf;
    size_t outLeft = sizeof buf;
    if (callIconv(ascii.get(), &in, &inLeft, &out, &outLeft) != kIconvFailed &&
        callIconv(ascii.get(), nullptr, nullptr, &out, &outLeft) != kIconvFailed && out != buf)
        m_question.assign(buf, static_cast<size_t>(out - buf));
    else
        m_question = "?";
}

TextConverter::~TextConverter() = default;
TextConverter::TextConverter(TextConverter&&) noexcept = default;
TextConverter& TextConverter::operator=(TextConverter&&) noexcept = default;

std::string TextConverter::convert(std::string_view text, bool* replaced) const
{
    if (replaced)
        *replaced = false;
    m_cd->reset();
    std::string result;
    result.reserve(text.size() + text.size() / 2 + 8);
    char buf[4096];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    const auto putQuestion = [&] {
        // The shift state of the target has to be where a plain "?" may follow.
        char* out = buf;
        size_t outLeft = sizeof buf;
        callIconv(m_cd->get(), nullptr, nullptr, &out, &outLeft);
        result.append(buf, static_cast<size_t>(out - buf));
        result += m_question;
        if (replaced)
            *replaced = true;
    };
    while (inLeft > 0) {
        char* out = buf;
        size_t outLeft = sizeof buf;
        const size_t r = callIconv(m_cd->get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(buf, static_cast<size_t>(out - buf));
        if (r != kIconvFailed || error == E2BIG)
            continue;
        if (error == EILSEQ) {
            // A character the target lacks, or bytes that are none of the source: one "?" for the
            // whole character, then on after it.
            const size_t at = static_cast<size_t>(in - text.data());
            const size_t skip = std::max<size_t>(1, m_source.characterLength(text, at));
            in += std::min(skip, inLeft);
            inLeft -= std::min(skip, inLeft);
            putQuestion();
        } else {
            // EINVAL: the text ends inside a character.
            in += inLeft;
            inLeft = 0;
            putQuestion();
        }
    }
    // A target with shift states ends the text back in its initial state.
    for (;;) {
        char* out = buf;
        size_t outLeft = sizeof buf;
        const size_t r = callIconv(m_cd->get(), nullptr, nullptr, &out, &outLeft);
        result.append(buf, static_cast<size_t>(out - buf));
        if (r != kIconvFailed || errno != E2BIG)
            break;
    }
    return result;
}

InvalidByteFinder::InvalidByteFinder(const std::string& encoding)
{
    if (!isUtf8Name(encoding)) {
        requireKnownEncoding(encoding);
        m_toUnicode = std::make_unique<IconvHandle>(encoding, kUnicodeUnits);
    }
}

InvalidByteFinder::~InvalidByteFinder() = default;
InvalidByteFinder::InvalidByteFinder(InvalidByteFinder&&) noexcept = default;
InvalidByteFinder& InvalidByteFinder::operator=(InvalidByteFinder&&) noexcept = default;

size_t firstInvalidUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            ++at;
            continue;
        }
        const size_t length = utf8Length(text, at);
        if (length == 1)
            return at;
        at += length;
    }
    return std::string_view::npos;
}

size_t InvalidByteFinder::find(std::string_view text) const
{
    if (!m_toUnicode)
        return firstInvalidUtf8(text);
    m_toUnicode->reset();
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buf[1024];
    while (inLeft > 0) {
        char* out = buf;
        size_t outLeft = sizeof buf;
        if (callIconv(m_toUnicode->get(), &in, &inLeft, &out, &outLeft) != kIconvFailed)
            break;
        // Output full is the only failure that leaves the text valid so far; EILSEQ and EINVAL (cut off
        // at the end) stop in front of the byte at fault.
        if (errno != E2BIG)
            return static_cast<size_t>(in - text.data());
    }
    return std::string_view::npos;
}

std::string toUtf8From(const std::string& encoding, std::string_view text)
{
    if (encoding.empty() || !isKnownEncoding(encoding))
        return std::string(text);
    return TextConverter(encoding, "UTF-8").convert(text);
}

}  // namespace torvane
