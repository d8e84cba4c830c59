#include "http/multipart_body.h"

#include "http/connection.h"
#include "http/http_events.h"
#include "util/error.h"
#include "util/text.h"

#include <array>
#include <random>
#include <sys/stat.h>

namespace torvane {

namespace {

constexpr size_t kFileChunk = size_t(64) << 10;
constexpr const char* kCrLf = "\r\n";

// Quotes in names would end the header's quoted text, line breaks the header: a browser writes them as
// %22, %0D and %0A.
std::string headerQuoted(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '"')
            out += "%22";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out.push_back(c);
    }
    return out;
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string mediaTypeOfFile(const std::string& path)
{
    struct Known {
        const char* extension;
        const char* type;
    };
    static constexpr std::array<Known, 16> kKnown = {{{"txt", "text/plain"},
                                                      {"csv", "text/csv"},
                                                      {"htm", "text/html"},
                                                      {"html", "text/html"},
                                                      {"xml", "application/xml"},
                                                      {"json", "application/json"},
                                                      {"pdf", "application/pdf"},
                                                      {"zip", "application/zip"},
                                                      {"gz", "application/gzip"},
                                                      {"png", "image/png"},
                                                      {"jpg", "image/jpeg"},
                                                      {"jpeg", "image/jpeg"},
                                                      {"gif", "image/gif"},
                                                      {"svg", "image/svg+xml"},
                                                      {"doc", "application/msword"},
                                                      {"xls", "application/vnd.ms-excel"}}};
    const std::string name = baseName(path);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        for (const Known& known : kKnown)
            if (equalsIgnoreCaseAscii(name.substr(dot + 1), known.extension))
                return known.type;
    return "application/octet-stream";
}

std::string newMultipartBoundary()
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string boundary = "----TorvaneFormBoundary";
    for (int i = 0; i < 16; ++i)
        boundary.push_back(kAlphabet[pick(random)]);
    return boundary;
}

MultipartBody::MultipartBody(std::vector<MultipartEntry> entries, std::string boundary)
    : m_boundary(std::move(boundary))
{
    for (MultipartEntry& entry : entries) {
        Part part;
        part.head = "--" + m_boundary + kCrLf + "Content-Disposition: form-data; name=\"" + headerQuoted(entry.name) + "\"";
        if (entry.isFile) {
            // An empty file field still sends its part: no file name and no bytes, as browsers do.
            const std::string fileName = entry.value.empty() ? std::string() : baseName(entry.value);
            part.head += "; filename=\"" + headerQuoted(fileName) + "\"" + kCrLf + "Content-Type: " +
                         (entry.value.empty() ? std::string("application/octet-stream") : mediaTypeOfFile(entry.value));
            if (!entry.value.empty()) {
                struct stat st {};
                if (::stat(entry.value.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                    throw Error("File Not Found: " + entry.value);
                part.path = entry.value;
                part.fileSize = static_cast<int64_t>(st.st_size);
                part.logged = "[" + std::to_string(part.fileSize) + " bytes of " + fileName + "]";
            }
        } else {
            part.text = std::move(entry.value);
        }
        part.head += std::string(kCrLf) + kCrLf;
        m_size += static_cast<int64_t>(part.head.size() + part.text.size() + 2) + part.fileSize;
        m_parts.push_back(std::move(part));
    }
    m_closing = "--" + m_boundary + "--" + kCrLf;
    m_size += static_cast<int64_t>(m_closing.size());
}

MultipartBody::~MultipartBody()
{
    if (m_file)
        std::fclose(m_file);
}

void MultipartBody::rewind()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_part = 0;
    m_step = 0;
}

BodySource::Piece MultipartBody::next()
{
    while (m_part < m_parts.size()) {
        Part& part = m_parts[m_part];
        switch (m_step) {
        case 0:
            m_step = 1;
            if (!part.path.empty()) {
                m_file = std::fopen(part.path.c_str(), "rb");
                if (!m_file)
                    throw Error("File Not Found: " + part.path);
                m_fileLeft = part.fileSize;
                return {part.head, part.head};
            }
            return {part.head, part.head};
        case 1:
            if (part.path.empty()) {
                m_step = 2;
                if (!part.text.empty())
                    return {part.text, part.text};
                break;
            }
            if (m_fileLeft > 0) {
                m_chunk.resize(std::min<size_t>(kFileChunk, static_cast<size_t>(m_fileLeft)));
                const size_t got = std::fread(m_chunk.data(), 1, m_chunk.size(), m_file);
                if (got == 0)
                    throw Error("The file " + part.path + " grew shorter while it was sent");
                m_chunk.resize(got);
                const bool first = m_fileLeft == part.fileSize;
                m_fileLeft -= static_cast<int64_t>(got);
                return {m_chunk, first ? std::string_view(part.logged) : std::string_view()};
            }
            std::fclose(m_file);
            m_file = nullptr;
            m_step = 2;
            break;
        default:
            m_step = 0;
            ++m_part;
            return {kCrLf, kCrLf};
        }
    }
    if (m_part == m_parts.size()) {
        ++m_part;
        return {m_closing, m_closing};
    }
    return {};
}

std::string MultipartBody::loggedText()
{
    std::string text;
    rewind();
    for (Piece piece = next(); !piece.bytes.empty(); piece = next())
        text.append(piece.logged);
    rewind();
    return text;
}

void writeBodySource(Connection& connection, HttpEvents& events, BodySource& body)
{
    body.rewind();
    events.workBegin(WorkDirection::Write, body.size());
    try {
        int64_t done = 0;
        for (BodySource::Piece piece = body.next(); !piece.bytes.empty(); piece = body.next()) {
            connection.write(piece.bytes, piece.logged);
            done += static_cast<int64_t>(piece.bytes.size());
            events.work(WorkDirection::Write, done);
        }
    } catch (...) {
        events.workEnd(WorkDirection::Write);
        throw;
    }
    events.workEnd(WorkDirection::Write);
}

}  // namespace torvane
