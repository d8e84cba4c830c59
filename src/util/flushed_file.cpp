#include "util/flushed_file.h"

#include "util/error.h"

#include <cerrno>
#include <cstring>

namespace torvane {

FlushedFile::FlushedFile(const std::string& path) : m_path(path)
{
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        throw Error("Cannot create file \"" + path + "\". " + std::strerror(errno));
}

void FlushedFile::put(std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size() || std::fflush(m_file) != 0)
        throw Error("Cannot write file \"" + m_path + "\". " + std::strerror(errno));
}

void FlushedFile::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

}  // namespace torvane
