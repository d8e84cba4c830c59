#include "cli/console_host.h"

#include "util/text.h"

#include <ostream>

namespace torvane {

void writeLines(std::ostream& stream, const std::string& text, const std::string& prefix)
{
    for (const std::string& line : splitAddedText(text))
        stream << prefix << line << '\n';
    stream.flush();
}

ConsoleHost::ConsoleHost(std::ostream& out, std::ostream& err, bool verbose)
    : m_out(out), m_err(err), m_verbose(verbose)
{
}

void ConsoleHost::memo2Add(const std::string& text)
{
    // Flushed line by line so that whoever watches a long run (or a log collector) sees each record's
    // outcome when it happens, not when a buffer fills.
    writeLines(m_out, text);
}

void ConsoleHost::memo1Add(const std::string& text)
{
    if (!m_memo1.empty())
        m_memo1 += "\r\n";
    m_memo1 += text;
    diagnostics(text);
}

void ConsoleHost::memo1SetText(std::string text)
{
    m_memo1 = std::move(text);
    diagnostics(m_memo1);
}

void ConsoleHost::diagnostics(const std::string& text)
{
    if (m_verbose)
        writeLines(m_err, text, "diagnostics: ");
}

void ConsoleHost::setStatusText(const std::string& text)
{
    // The window shows the last text only; repeating an unchanged one would just add noise.
    if (!m_verbose || text == m_lastStatus)
        return;
    m_lastStatus = text;
    writeLines(m_err, text, "status: ");
}

bool ConsoleHost::askYesNo(const std::string&, const std::string&)
{
    return true;
}

bool ConsoleHost::askOkCancel(const std::string&, const std::string&)
{
    return true;
}

void ConsoleHost::showExclamation(const std::string&, const std::string& text)
{
    writeLines(m_err, text);
}

void ConsoleHost::showError(const std::string&, const std::string& text)
{
    writeLines(m_err, text);
}

}  // namespace torvane
