// Reads a text one line at a time, from a file or from bytes in memory, holding no more than one
// block and the line being read. The one rule for lines everywhere they are read (export files and
// saved pages): a line ends at LF or CR LF, a CR anywhere else is dropped from the line, a Ctrl-Z
// ends the text, and a last line without a line break counts like any other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace torvane {

class LineReader {
public:
    // How a failed read or seek of the file is put to the operator, from its errno.
    using Wording = std::function<std::string(int err)>;
    // The bytes read from a file at a time.
    static constexpr size_t kBlockSize = size_t(1) << 20;

    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file; 0, or the errno of the failure (the caller words it). A directory is refused
    // with EISDIR when refuseDirectory, else its first read fails.
    int openFile(const std::string& path, bool refuseDirectory = false);
    // Reads the bytes given, for callers that already hold them.
    void openText(std::string bytes);
    void close();
    bool isOpen() const { return m_open; }
    void setWording(Wording wording) { m_wording = std::move(wording); }

    // True when no further line can be read: the bytes are used up or a Ctrl-Z comes next.
    bool atEnd();
    // Replaces line with the next line; false (and line empty) at the end.
    bool readLine(std::string& line);
    // The same, keeping no more than the first limit bytes of the line (the rest is read past); cut
    // tells whether bytes were left out.
    bool readLine(std::string& line, size_t limit, bool& cut);
    // Reads and discards the next line (cheaper than readLine: nothing is copied).
    bool skipLine();

    // While on, raw() holds the exact bytes of the last line read or skipped, its line ending included.
    void setKeepRaw(bool keep) { m_keepRaw = keep; }
    const std::string& raw() const { return m_raw; }
    // The next of the bytes not read yet (up to a Ctrl-Z), as much as one block holds; they count as
    // read. Empty at the end.
    std::string_view nextPiece();
    // Hands the bytes not read yet to sink piece by piece; the reader is at its end after.
    template <typename Sink> void drainRest(Sink&& sink)
    {
        for (std::string_view piece = nextPiece(); !piece.empty(); piece = nextPiece())
            sink(piece);
    }

    // Where the next line starts, to come back to with seek; only for texts that can be read again
    // (a regular file or bytes in memory).
    bool canSeek() const { return m_open && (m_file == nullptr || m_seekable); }
    uint64_t tell() const { return m_bufferStart + m_begin; }
    void seek(uint64_t offset);

private:
    bool fill();
    [[noreturn]] void fail(int err) const;
    template <typename Sink> bool consumeLine(Sink&& sink);

    std::FILE* m_file = nullptr;
    bool m_open = false;
    bool m_seekable = false;
    Wording m_wording;
    std::string m_buffer;
    uint64_t m_bufferStart = 0;  // offset in the text of the buffer's first byte
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_eof = true;  // no more bytes to come into the buffer (end, or a Ctrl-Z seen)
    bool m_keepRaw = false;
    std::string m_raw;
};

}  // namespace torvane
