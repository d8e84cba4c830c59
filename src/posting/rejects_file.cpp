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

bool RejectsFile::isReject(const std::string& outcome)
{
    return outcome == outcome::kNotConfirmed || outcome == outcome::kRefused || outcome == outcome::kInDoubt ||
           outcome == outcome::kFailed;
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
