// Where a response body collects while it arrives. Large bodies grow without being copied (the
// mapping is moved, not duplicated), and the final text is handed over piece by piece while the
// collected bytes are released, so a download never holds much more than the body itself.
#pragma once

#include <cstddef>
#include <string>

namespace torvane {

class BodyBuffer {
public:
    BodyBuffer() = default;
    ~BodyBuffer();
    BodyBuffer(const BodyBuffer&) = delete;
    BodyBuffer& operator=(const BodyBuffer&) = delete;

    // Room for at least n more bytes at the end; write into it, then commit what was written.
    char* prepare(size_t n);
    void commit(size_t n) { m_size += n; }
    void append(const char* data, size_t n);

    size_t size() const { return m_size; }
    // Moves the bytes into a string and empties the buffer.
    std::string take();
    void clear() { m_size = 0; }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

}  // namespace torvane
