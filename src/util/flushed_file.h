// A file a run writes as it goes, every piece flushed at once so that a run that dies keeps what it
// wrote so far; its failures name the file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace torvane {

class FlushedFile {
public:
    // Creates (or replaces) the file; throws Error when it cannot.
    explicit FlushedFile(const std::string& path);
    ~FlushedFile() { close(); }
    FlushedFile(const FlushedFile&) = delete;
    FlushedFile& operator=(const FlushedFile&) = delete;

    // Writes and flushes; throws Error when it cannot.
    void put(std::string_view bytes);
    void close();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
};

}  // namespace torvane
