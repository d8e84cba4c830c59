// Finds the form tags of a saved web page, in page order, one line at a time, and reads their
// attributes. Not an HTML parser: case-insensitive substring searches on the raw text decide everything.
#pragma once

#include "util/line_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// A saved page as a sequence of lines, by the common line rule; lines have no length limit. Its file
// errors are worded the way operators know them from file dialogs.
class PageReader : public LineReader {
public:
    PageReader();
    // Throws Error with the file error the operator sees ("File not found", "Access denied", ...).
    void openFile(const std::string& path);
};

// How tags are told apart. Classic: an opening word only has to begin a tag, and a tag ends at its first
// ">". Html: tag names are whole words, a ">" inside a quoted value does not end the tag, and the lines
// of a tag keep a line break between them; the form tags of today's pages (TEXTAREA, BUTTON, </FORM>) are
// found too.
enum class TagRules { Classic, Html };

// One scanning session over one page: the line buffer, the tag count, and the operations the form
// handlers use. The line buffer is kept as a line plus an offset, so consuming a tag at its front never
// moves the rest of a long line.
class TagScanner {
public:
    static constexpr std::array<std::string_view, 5> kOpeningWords = {"<INPUT", "<FORM", "<SELECT",
                                                                      "<OPTION", "</SELECT"};
    static constexpr std::array<std::string_view, 8> kHtmlOpeningWords = {
        "<INPUT", "<FORM", "<SELECT", "<OPTION", "</SELECT", "<TEXTAREA", "<BUTTON", "</FORM"};
    // Under the Html rules a quoted value runs across lines up to this size; past it, the value ends at
    // the first ">" after its start, so a stray quote cannot hold the rest of the page.
    static constexpr size_t kQuotedValueLimit = size_t(1) << 20;

    explicit TagScanner(TagRules rules = TagRules::Classic) : m_rules(rules) {}

    // Number of tags handed to a handler since the page was opened.
    int tagCount = 0;
    // A tag that runs over lines is collected up to this size; beyond it the scanner first reads on
    // without keeping anything to see whether a ">" comes at all, so an unclosed tag near the top of a
    // page does not hold the rest of the page in memory.
    size_t tagProbeBytes = 1 << 20;

    // Opens a page and resets the line buffer and the tag count.
    void openFile(const std::string& path);
    void openText(std::string bytes);
    void close() { m_reader.close(); }
    bool atEnd() { return m_reader.atEnd(); }

    // Reads the next line into the line buffer, dropping what was left, and removes its first comment.
    // False when the page has ended.
    bool readLine();

    // The not yet consumed rest of the current line.
    std::string_view buffer() const { return std::string_view(m_line).substr(m_pos); }
    // Replaces the line buffer (for handlers' tests and tools that feed text directly).
    void setBuffer(std::string text);

    // Removes the first comment of the line buffer when it opens and closes on it, the "-->" after the
    // "<!--"; otherwise leaves the buffer alone.
    void RemoveComments();
    // Drops everything before the earliest opening word; drops the whole buffer when there is none.
    void FindFirstTag();
    // True when the opening word stands at the very front of the line buffer (letter case ignored).
    bool atFront(std::string_view word) const;
    // Takes the tag starting at the 1-based position out of the line buffer and returns it through the
    // first ">", reading further lines (joined without separator, empty ones skipped) when the tag runs
    // on. False when the page ends before the ">": the partial tag is dropped and the buffer left empty.
    // Under the Html rules the tag runs to the first ">" outside quoted values (start must be 1).
    bool CopyTag(int start, std::string& tagText);
    // Handles "</SELECT" at the front: counts and drops the tag. True when it did, so that the import can
    // end its current list.
    bool FindEndSelect();

    // The line loop: before each line, progress gets the tag count; each line is then scanned in passes
    // of FindFirstTag followed by every handler in order, while 4 or more characters remain.
    using Handler = std::function<void()>;
    void RunLineLoop(const std::vector<Handler>& handlers, const std::function<void(int)>& progress);

private:
    bool isOpeningWordAt(std::string_view rest, std::string_view word) const;
    bool copyHtmlTag(std::string& tagText);
    bool endAtFirstGt(std::string& tagText, size_t from);
    bool skipToGt(std::string& tagText);

    TagRules m_rules;
    PageReader m_reader;
    std::string m_line;
    size_t m_pos = 0;
    uint64_t m_lineSerial = 0;  // grows whenever the buffer gets another line
};

// The value after the first "=" at or after the 1-based position in the tag text: blanks skipped, then
// either a double-quoted text (up to the closing quote, or to the end of the tag without its ">" when
// there is none) or the text up to the next blank or ">". Empty when there is no "=".
std::string ExtractEqualsData(int position, std::string_view tagText);
// The value of an attribute; empty when the name does not occur in the tag text.
std::string ReturnItemStr(std::string_view name, std::string_view tagText);
// The value of an attribute as an integer, blanks removed; 0 when empty. Throws Error
// "'%s' is not a valid integer value" for anything else.
int ReturnItemInt(std::string_view name, std::string_view tagText);

}  // namespace torvane
