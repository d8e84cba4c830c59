// Where a response body collects while it arrives. A body of announced length goes straight into
// the text handed over at the end; one of unknown length grows without being copied (the mapping is
// moved, not duplicated) and is handed over piece by piece while the collected bytes are released.
// Either way a download never holds much more than the body itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvane {

class BodyBuffer {
public:
    BodyBuffer() = default;
    ~BodyBuffer();
    BodyBuffer(const BodyBuffer&) = delete;
    BodyBuffer& operator=(const BodyBuffer&) = delete;

    // The body is announced as n bytes: before the first byte, room for them is set aside (address
    // space only; memory is used as bytes arrive). An absurd announcement is ignored.
    void expect(uint64_t n);

    // Room for at least n more bytes at the end; write into it, then commit what was written.
    char* prepare(size_t n);
    void commit(size_t n) { m_size += n; }
    void append(const char* data, size_t n);

    size_t size() const { return m_size; }
    // Moves the bytes into a string and empties the buffer.
    std::string take();
    void clear() { m_size = 0; }

private:
    // Announced bodies: the bytes so far at the front of the text, which is sized a step ahead.
    std::string m_text;
    bool m_direct = false;
    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

}  // namespace torvane
