#include "util/tag_scanner.h"

#include "util/error.h"
#include "util/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace torvane {

namespace {

// The wording operators know from file dialogs and the general error handler.
std::string fileErrorMessage(int err)
{
    switch (err) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
        return "Path not found";
    case EACCES:
    case EPERM:
    case EISDIR:
        return "Access denied";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    default:
        return std::strerror(err);
    }
}

bool isTagSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// PageReader

PageReader::PageReader()
{
    setWording(fileErrorMessage);
}

void PageReader::openFile(const std::string& path)
{
    if (const int err = LineReader::openFile(path, true))
        throw Error(fileErrorMessage(err));
}

// ---------------------------------------------------------------------------------------------------
// TagScanner

void TagScanner::openFile(const std::string& path)
{
    m_reader.openFile(path);
    tagCount = 0;
    setBuffer({});
}

void TagScanner::openText(std::string bytes)
{
    m_reader.openText(std::move(bytes));
    tagCount = 0;
    setBuffer({});
}

void TagScanner::setBuffer(std::string text)
{
    m_line = std::move(text);
    m_pos = 0;
    ++m_lineSerial;
}

bool TagScanner::readLine()
{
    const bool got = m_reader.readLine(m_line);
    m_pos = 0;
    ++m_lineSerial;
    RemoveComments();
    return got;
}

void TagScanner::RemoveComments()
{
    const size_t open = m_line.find("<!--", m_pos);
    if (open == std::string::npos)
        return;
    const size_t close = m_line.find("-->", m_pos);
    if (close == std::string::npos || close <= open)
        return;
    m_line.erase(open, close + 3 - open);
}

void TagScanner::FindFirstTag()
{
    // Every opening word starts with "<", so the earliest occurrence of any of them is the first "<"
    // from the front at which one of them matches. One pass finds it, and the search never covers the
    // same text twice: it ends on the tag that the handlers take off next.
    const char* data = m_line.data();
    const size_t size = m_line.size();
    size_t at = m_pos;
    while (at < size) {
        const void* lt = std::memchr(data + at, '<', size - at);
        if (!lt)
            break;
        at = static_cast<size_t>(static_cast<const char*>(lt) - data);
        const std::string_view rest(data + at, size - at);
        const auto found = [&](std::string_view word) { return isOpeningWordAt(rest, word); };
        if (m_rules == TagRules::Html ? std::any_of(kHtmlOpeningWords.begin(), kHtmlOpeningWords.end(), found)
                                      : std::any_of(kOpeningWords.begin(), kOpeningWords.end(), found)) {
            m_pos = at;
            return;
        }
        ++at;
    }
    m_pos = size;
}

bool TagScanner::isOpeningWordAt(std::string_view rest, std::string_view word) const
{
    if (rest.size() < word.size() || !equalsIgnoreCaseAscii(rest.substr(0, word.size()), word))
        return false;
    if (m_rules == TagRules::Classic || rest.size() == word.size())
        return true;
    // A whole word: <FORMAT> is no FORM, <INPUTS> no INPUT.
    const char next = rest[word.size()];
    return isTagSeparator(next) || next == '>' || next == '/';
}

bool TagScanner::atFront(std::string_view word) const
{
    return isOpeningWordAt(buffer(), word);
}

bool TagScanner::CopyTag(int start, std::string& tagText)
{
    if (m_rules == TagRules::Html)
        return copyHtmlTag(tagText);
    tagText.clear();
    size_t begin = m_pos + static_cast<size_t>(std::max(start, 1)) - 1;
    size_t pos = begin;
    // Set when the tag first runs over the end of its line: where the next line starts and how much
    // of the tag the first line gave.
    bool marked = false;
    uint64_t mark = 0;
    size_t firstPart = 0;
    bool probing = false;
    bool mayProbe = m_reader.canSeek();
    for (;;) {
        if (pos < m_line.size()) {
            const size_t gt = m_line.find('>', pos);
            if (gt != std::string::npos && probing) {
                // It does close: read its lines again from the mark, this time keeping them.
                m_reader.seek(mark);
                tagText.resize(firstPart);
                probing = mayProbe = false;
            } else if (gt != std::string::npos) {
                tagText.append(m_line, pos, gt + 1 - pos);
                if (begin == m_pos)
                    m_pos = gt + 1;
                else
                    m_line.erase(begin, gt + 1 - begin);
                return true;
            } else if (!probing) {
                tagText.append(m_line, pos, std::string::npos);
                if (mayProbe && marked && tagText.size() > tagProbeBytes) {
                    probing = true;
                    tagText.resize(firstPart);
                    tagText.shrink_to_fit();
                }
            }
        }
        if (!marked) {
            marked = true;
            mark = m_reader.tell();
            firstPart = tagText.size();
        }
        // The tag runs on: its text continues with the next line that is not empty.
        do {
            if (!readLine()) {
                tagText.clear();
                setBuffer({});
                return false;
            }
        } while (buffer().empty());
        begin = pos = m_pos;
    }
}

bool TagScanner::copyHtmlTag(std::string& tagText)
{
    tagText.clear();
    // Where a quote may open a value: right after "=" and the separators that follow it.
    bool afterEquals = false;
    char quote = 0;
    size_t quoteStart = 0;  // in tagText, once the line is appended
    for (;;) {
        const std::string_view line = buffer();
        const size_t base = tagText.size();
        for (size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quote) {
                const size_t close = line.find(quote, i);
                if (close == std::string_view::npos)
                    break;
                if (base + close - quoteStart > kQuotedValueLimit) {
                    tagText.append(line);
                    m_pos = m_line.size();
                    return endAtFirstGt(tagText, quoteStart);
                }
                quote = 0;
                i = close;
            } else if (c == '>') {
                tagText.append(line.substr(0, i + 1));
                m_pos += i + 1;
                return true;
            } else if ((c == '"' || c == '\'') && afterEquals) {
                quote = c;
                quoteStart = base + i + 1;
                afterEquals = false;
            } else if (c == '=') {
                afterEquals = true;
            } else if (!isTagSeparator(c)) {
                afterEquals = false;
            }
        }
        tagText.append(line);
        m_pos = m_line.size();
        if (quote && tagText.size() - quoteStart > kQuotedValueLimit)
            return endAtFirstGt(tagText, quoteStart);
        if (!quote && tagText.size() > 2 * kQuotedValueLimit)
            return skipToGt(tagText);
        if (!readLine()) {
            if (quote)
                return endAtFirstGt(tagText, quoteStart);
            tagText.clear();
            return false;
        }
        tagText.push_back('\n');
    }
}

bool TagScanner::endAtFirstGt(std::string& tagText, size_t from)
{
    // The value is read as the classic rules read it: the tag ends at the first ">" after its start,
    // and what followed that ">" is scanned again as text of the page.
    const size_t gt = tagText.find('>', from);
    if (gt == std::string::npos) {
        tagText.resize(std::min(tagText.size(), from + kQuotedValueLimit));
        return skipToGt(tagText);
    }
    std::string rest = tagText.substr(gt + 1);
    tagText.resize(gt + 1);
    setBuffer(std::move(rest));
    return true;
}

bool TagScanner::skipToGt(std::string& tagText)
{
    // Nothing more of the tag is kept; it ends at the next ">" of the page, if any.
    for (;;) {
        const size_t gt = m_line.find('>', m_pos);
        if (gt != std::string::npos) {
            m_pos = gt + 1;
            tagText.push_back('>');
            return true;
        }
        if (!readLine()) {
            tagText.clear();
            setBuffer({});
            return false;
        }
    }
}

bool TagScanner::FindEndSelect()
{
    if (!atFront("</SELECT"))
        return false;
    std::string tag;
    if (!CopyTag(1, tag))
        return false;
    ++tagCount;
    return true;
}

void TagScanner::RunLineLoop(const std::vector<Handler>& handlers, const std::function<void(int)>& progress)
{
    while (!atEnd()) {
        if (progress)
            progress(tagCount);
        readLine();
        while (buffer().size() >= 4) {
            FindFirstTag();
            if (buffer().empty())
                break;
            const size_t pos = m_pos;
            const size_t size = m_line.size();
            const uint64_t serial = m_lineSerial;
            for (const Handler& handler : handlers)
                handler();
            // Every opening word has its handler, so a pass always consumes something; should a word
            // be left without one, step over its "<" rather than scan the same place for ever.
            if (m_pos == pos && m_line.size() == size && m_lineSerial == serial)
                ++m_pos;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Attributes

std::string ExtractEqualsData(int position, std::string_view tagText)
{
    const size_t from = position < 1 ? 0 : static_cast<size_t>(position) - 1;
    const size_t eq = tagText.find('=', from);
    if (eq == std::string_view::npos)
        return {};
    size_t i = eq + 1;
    while (i < tagText.size() && tagText[i] == ' ')
        ++i;
    if (i >= tagText.size())
        return {};
    if (tagText[i] == '"') {
        const size_t close = tagText.find('"', i + 1);
        if (close != std::string_view::npos)
            return std::string(tagText.substr(i + 1, close - i - 1));
        // The ">" that ended the tag stood inside the quotes: take what there is, without that ">".
        size_t end = tagText.size();
        if (end > i + 1 && tagText[end - 1] == '>')
            --end;
        return std::string(tagText.substr(i + 1, end - i - 1));
    }
    const size_t end = tagText.find_first_of(" >", i);
    return std::string(tagText.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
}

std::string ReturnItemStr(std::string_view name, std::string_view tagText)
{
    const int at = FindItem(name, tagText);
    if (at == 0)
        return {};
    return ExtractEqualsData(at, tagText);
}

int ReturnItemInt(std::string_view name, std::string_view tagText)
{
    std::string value = ReturnItemStr(name, tagText);
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    if (value.empty())
        return 0;
    return toInt32(value);
}

}  // namespace torvane
