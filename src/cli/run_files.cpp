#include "cli/run_files.h"

#include <cstdio>

namespace torvane {

RunFiles::RunFiles(std::string resultsPath, std::string rejectsPath, std::string exportEncoding)
    : m_resultsPath(std::move(resultsPath)), m_rejectsPath(std::move(rejectsPath)),
      m_exportEncoding(std::move(exportEncoding))
{
}

void RunFiles::open()
{
    if (m_opened)
        return;
    m_opened = true;
    if (!m_resultsPath.empty())
        m_results = std::make_unique<ResultsFile>(m_resultsPath, *ResultsFile::formatOf(m_resultsPath),
                                                  Utf8Output(m_exportEncoding));
    if (!m_rejectsPath.empty())
        m_rejects = std::make_unique<RejectsFile>(m_rejectsPath);
}

void RunFiles::lineSkipped(std::string_view raw)
{
    open();
    if (m_rejects)
        m_rejects->header(raw);
}

void RunFiles::recordDone(const RecordResult& result)
{
    open();
    if (m_results)
        m_results->write(result);
    if (m_rejects && RejectsFile::isReject(result.outcome))
        m_rejects->reject(result.raw);
}

void RunFiles::unreadBytes(std::string_view bytes)
{
    open();
    if (m_rejects)
        m_rejects->reject(bytes);
}

void RunFiles::finish()
{
    open();
    m_results.reset();
    m_hadRejects = m_hadRejects || (m_rejects && m_rejects->hasRejects());
    m_rejects.reset();  // removes a file without rejects
}

}  // namespace torvane
