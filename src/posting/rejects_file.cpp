#include "posting/rejects_file.h"

#include "util/error.h"

#include <cerrno>
#include <cstring>

namespace torvane {

RejectsFile::RejectsFile(const std::string& path) : m_path(path)
{
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        throw Error("Cannot create file \"" + path + "\". " + std::strerror(errno));
}

RejectsFile::~RejectsFile()
{
    std::fclose(m_file);
    if (!m_rejects)
        std::remove(m_path.c_str());
}

bool RejectsFile::isReject(const std::string& outcome)
{
    return outcome == outcome::kNotConfirmed || outcome == outcome::kRefused || outcome == outcome::kInDoubt ||
           outcome == outcome::kFailed;
}

void RejectsFile::put(std::string_view bytes)
{
    // Flushed at once, like the results file: a run that dies keeps what it rejected so far.
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size() || std::fflush(m_file) != 0)
        throw Error("Cannot write file \"" + m_path + "\". " + std::strerror(errno));
}

void RejectsFile::header(std::string_view raw)
{
    put(raw);
}

void RejectsFile::reject(std::string_view raw)
{
    if (raw.empty())
        return;
    m_rejects = true;
    put(raw);
}

}  // namespace torvane
