// A multipart/form-data body as a browser sends it: one part per entry of the data string, a file
// field's part holding the file's bytes, read while the body is sent.
#pragma once

#include "http/body_source.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace torvane {

struct MultipartEntry {
    std::string name;
    std::string value;  // a file field: the file's path, empty for no file
    bool isFile = false;
};

// The Content-Type of a file, from its extension; application/octet-stream when it is not known.
std::string mediaTypeOfFile(const std::string& path);
// A boundary of 16 random letters and digits after a fixed start.
std::string newMultipartBoundary();

class MultipartBody : public BodySource {
public:
    // Throws Error "File Not Found" naming the path when a file field's file cannot be opened.
    MultipartBody(std::vector<MultipartEntry> entries, std::string boundary = newMultipartBoundary());
    ~MultipartBody() override;

    std::string contentType() const override { return "multipart/form-data; boundary=" + m_boundary; }
    int64_t size() const override { return m_size; }
    void rewind() override;
    Piece next() override;

    // The whole body as the traffic log shows it: file bytes as "[N bytes of NAME]".
    std::string loggedText();

private:
    struct Part {
        std::string head;  // boundary line and headers, up to the empty line
        std::string text;  // the value of a plain part
        std::string path;  // a file part's file
        int64_t fileSize = 0;
        std::string logged;
    };

    std::string m_boundary;
    std::vector<Part> m_parts;
    std::string m_closing;
    int64_t m_size = 0;

    // Where next() is: the part, and the step within it (head, content, line break).
    size_t m_part = 0;
    int m_step = 0;
    std::FILE* m_file = nullptr;
    int64_t m_fileLeft = 0;
    std::string m_chunk;
};

}  // namespace torvane
