// Character encodings by the names the platform's iconv knows: checking a name, converting text from
// one encoding to another with "?" for what the target cannot hold, and cutting text at characters
// rather than bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace torvane {

// "'%s' is not a known character encoding".
std::string unknownEncodingMessage(const std::string& name);
// True when text can be converted from and to the encoding of that name (letter case aside). Empty
// names and names with iconv's "//" options are not encodings.
bool isKnownEncoding(const std::string& name);
// Throws Error(unknownEncodingMessage(name)) unless isKnownEncoding(name).
void requireKnownEncoding(const std::string& name);
// True when both names spell UTF-8 ("utf-8", "UTF8", "utf_8").
bool isUtf8Name(std::string_view name);
// The offset of the first byte of text that starts no well-formed UTF-8 character (stray continuation
// bytes, overlong forms, surrogates, code points past U+10FFFF, cut sequences), npos when there is none.
size_t firstInvalidUtf8(std::string_view text);
inline bool isValidUtf8(std::string_view text) { return firstInvalidUtf8(text) == std::string_view::npos; }

// One open iconv conversion descriptor, closed with the object.
class IconvHandle {
public:
    // Throws Error(unknownEncodingMessage(...)) naming the encoding iconv does not know.
    IconvHandle(const std::string& from, const std::string& to);
    ~IconvHandle();
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    void* get() const { return m_cd; }
    // Back to the initial shift state, for the start of another text.
    void reset() const;

private:
    void* m_cd;
};

// Finds where characters of text in one encoding begin and end. UTF-8 is read directly; any other
// encoding is stepped through with iconv. A byte that starts no valid character counts as one
// character, so every byte belongs to exactly one character.
class CharacterCutter {
public:
    explicit CharacterCutter(const std::string& encoding);
    ~CharacterCutter();
    CharacterCutter(CharacterCutter&&) noexcept;
    CharacterCutter& operator=(CharacterCutter&&) noexcept;

    // The byte offset reached after count characters from the byte offset from (the end of the text
    // when it has fewer). from must lie on a character boundary; count below 1 gives from.
    size_t advance(std::string_view text, size_t from, int64_t count) const;
    // The number of bytes of the character that starts at the offset (at least 1 inside the text).
    size_t characterLength(std::string_view text, size_t at) const;
    // The count characters from the 1-based character position start, with the rules of the byte
    // cut: a start below 1 counts as 1, a start past the end or a count below 1 gives empty text.
    std::string copy(std::string_view text, int64_t start, int64_t count) const;

private:
    std::unique_ptr<IconvHandle> m_toUnicode;  // null for UTF-8
};

// Converts text between two encodings. Whatever the target cannot hold, and every byte that is no
// valid character of the source, becomes one "?" of the target.
class TextConverter {
public:
    // Throws Error(unknownEncodingMessage(...)) for a name iconv does not know.
    TextConverter(const std::string& from, const std::string& to);
    ~TextConverter();
    TextConverter(TextConverter&&) noexcept;
    TextConverter& operator=(TextConverter&&) noexcept;

    // The converted text; replaced (when given) tells whether any "?" was put in.
    std::string convert(std::string_view text, bool* replaced = nullptr) const;

private:
    std::unique_ptr<IconvHandle> m_cd;
    CharacterCutter m_source;
    std::string m_question;  // "?" in the target encoding
};

// Finds the bytes of a text that are no character of one encoding (a byte no character starts with,
// or a character cut off by the end of the text).
class InvalidByteFinder {
public:
    // Throws Error(unknownEncodingMessage(...)) for a name iconv does not know.
    explicit InvalidByteFinder(const std::string& encoding);
    ~InvalidByteFinder();
    InvalidByteFinder(InvalidByteFinder&&) noexcept;
    InvalidByteFinder& operator=(InvalidByteFinder&&) noexcept;

    // The offset of the first such byte, or std::string_view::npos when every byte is in place.
    size_t find(std::string_view text) const;

private:
    std::unique_ptr<IconvHandle> m_toUnicode;  // null for UTF-8
};

// Text in the named encoding as UTF-8 ("?" for bytes that are no character of it); an empty name
// leaves the bytes as they are.
std::string toUtf8From(const std::string& encoding, std::string_view text);

}  // namespace torvane
