#include "posting/rejects_file.h"

#include <cstdio>

namespace torvane {

RejectsFile::RejectsFile(const std::string& path) : m_file(path) {}

RejectsFile::~RejectsFile()
{
    m_file.close();
    if (!m_rejects)
        std::remove(m_file.path().c_str());
}

bool RejectsFile::isReject(RecordOutcome outcome)
{
    return outcome == RecordOutcome::NotConfirmed || outcome == RecordOutcome::Refused ||
           outcome == RecordOutcome::InDoubt || outcome == RecordOutcome::Failed;
}

void RejectsFile::header(std::string_view raw)
{
    m_file.put(raw);
}

void RejectsFile::reject(std::string_view raw)
{
    if (raw.empty())
        return;
    m_rejects = true;
    m_file.put(raw);
}

}  // namespace torvane
