#include "http/body_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace torvane {

namespace {

constexpr size_t kInitialCapacity = size_t(1) << 20;
constexpr size_t kHugePage = size_t(2) << 20;
// The bytes handed over to the result at a time before they are released here.
constexpr size_t kHandOverStep = size_t(4) << 20;
// An announced body larger than this is collected like one of unknown length: the room set aside
// for it costs address space only, but a lying server should not be able to ask for any amount.
constexpr uint64_t kLargestAnnounced = uint64_t(1) << 30;
// Room left unused beyond this after a body that came up short is given back.
constexpr size_t kUnusedRoomKept = size_t(4) << 20;

char* alignUp(char* p, size_t alignment)
{
    const auto v = reinterpret_cast<uintptr_t>(p);
    return reinterpret_cast<char*>((v + alignment - 1) & ~(uintptr_t(alignment) - 1));
}

// Large pages make the first touch of a big body much cheaper; where they are not offered the
// advice is simply ignored.
void adviseLargePages(char* begin, size_t length)
{
    char* aligned = alignUp(begin, kHugePage);
    if (aligned < begin + length)
        ::madvise(aligned, size_t(begin + length - aligned) & ~(kHugePage - 1), MADV_HUGEPAGE);
}

}  // namespace

BodyBuffer::~BodyBuffer()
{
    if (m_data)
        ::munmap(m_data, m_capacity);
}

void BodyBuffer::expect(uint64_t n)
{
    if (n == 0 || n > kLargestAnnounced || m_direct || m_data || m_size > 0)
        return;
    try {
        m_text.reserve(size_t(n));
    } catch (const std::bad_alloc&) {
        return;  // collected the other way
    }
    if (n >= kHugePage)
        adviseLargePages(m_text.data(), size_t(n));
    m_direct = true;
}

char* BodyBuffer::prepare(size_t n)
{
    if (m_direct) {
        // The text grows by each piece asked for, within the room set aside, so only arrived bytes
        // use memory; the piece is left as it is until the bytes are written over it.
        if (m_text.size() - m_size < n) {
#if defined(__cpp_lib_string_resize_and_overwrite)
            m_text.resize_and_overwrite(m_size + n, [](char*, size_t length) { return length; });
#else
            m_text.resize(m_size + n);
#endif
        }
        return m_text.data() + m_size;
    }
    if (m_capacity - m_size >= n)
        return m_data + m_size;
    const size_t wanted = std::max({kInitialCapacity, m_capacity * 2, m_size + n});
    void* p;
    if (!m_data)
        p = ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    else
        p = ::mremap(m_data, m_capacity, wanted, MREMAP_MAYMOVE);  // moves pages, copies nothing
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    m_data = static_cast<char*>(p);
    m_capacity = wanted;
    // The advice covers the whole mapping: advising part of it would split it, and a split mapping
    // can no longer be moved in one piece.
    ::madvise(m_data, m_capacity, MADV_HUGEPAGE);
    return m_data + m_size;
}

void BodyBuffer::append(const char* data, size_t n)
{
    if (n == 0)
        return;
    std::memcpy(prepare(n), data, n);
    commit(n);
}

std::string BodyBuffer::take()
{
    if (m_direct) {
        m_text.resize(m_size);
        // A body that came up well short of its announcement does not keep the room set aside.
        if (m_text.capacity() - m_size > kUnusedRoomKept)
            m_text.shrink_to_fit();
        std::string out = std::move(m_text);
        m_text = std::string();
        m_direct = false;
        m_size = 0;
        return out;
    }
    std::string out;
    if (m_size == 0)
        return out;
    out.reserve(m_size);
    if (m_size >= kHugePage)
        adviseLargePages(out.data(), m_size);
    for (size_t done = 0; done < m_size;) {
        const size_t n = std::min(kHandOverStep, m_size - done);
        out.append(m_data + done, n);
        // Give back what has been handed over, so the body is never held twice.
        ::madvise(m_data + done, n, MADV_DONTNEED);
        done += n;
    }
    ::munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = m_capacity = 0;
    return out;
}

}  // namespace torvane
