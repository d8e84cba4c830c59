#include "http/multipart_body.h"

#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <string>

namespace torvane {
namespace {

std::string wholeBody(MultipartBody& body)
{
    std::string bytes;
    body.rewind();
    for (BodySource::Piece piece = body.next(); !piece.bytes.empty(); piece = body.next())
        bytes.append(piece.bytes);
    return bytes;
}

TEST(MultipartBodyTest, PartsAsABrowserWritesThem)
{
    test::TempDir dir;
    const std::string bytes = std::string("%PDF\0\r\n--B\r\n", 12) + std::string(200000, 'x');
    dir.write("invoice.pdf", bytes);
    dir.write("notes", "n");
    MultipartBody body({{"customer_name", "Ann \"Lee\"\r\n"},
                        {"upload", dir.file("invoice.pdf"), true},
                        {"empty", "", true},
                        {"raw", dir.file("notes"), true},
                        {"q", ""}},
                       "B0");
    const std::string expected =
        "--B0\r\nContent-Disposition: form-data; name=\"customer_name\"\r\n\r\nAnn \"Lee\"\r\n\r\n"
        "--B0\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"invoice.pdf\"\r\n"
        "Content-Type: application/pdf\r\n\r\n" + bytes + "\r\n"
        "--B0\r\nContent-Disposition: form-data; name=\"empty\"; filename=\"\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n\r\n"
        "--B0\r\nContent-Disposition: form-data; name=\"raw\"; filename=\"notes\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\nn\r\n"
        "--B0\r\nContent-Disposition: form-data; name=\"q\"\r\n\r\n\r\n"
        "--B0--\r\n";
    EXPECT_EQ(wholeBody(body), expected);
    // Every pass of a request (a redirection that keeps the method) writes it again from the start.
    EXPECT_EQ(wholeBody(body), expected);
    EXPECT_EQ(body.size(), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(body.contentType(), "multipart/form-data; boundary=B0");
    const std::string logged = body.loggedText();
    EXPECT_NE(logged.find("Content-Type: application/pdf\r\n\r\n[200012 bytes of invoice.pdf]\r\n--B0"), std::string::npos)
        << logged;
    EXPECT_EQ(logged.find("xxxx"), std::string::npos);
}

TEST(MultipartBodyTest, NamesInHeadersCannotBreakThem)
{
    MultipartBody body({{"a\"b\r\nc", "v"}}, "B");
    EXPECT_EQ(wholeBody(body), "--B\r\nContent-Disposition: form-data; name=\"a%22b%0D%0Ac\"\r\n\r\nv\r\n--B--\r\n");
}

TEST(MultipartBodyTest, AMissingFileIsNamed)
{
    try {
        MultipartBody body({{"upload", "/nonexistent/scan.png", true}});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "File Not Found: /nonexistent/scan.png");
    }
}

TEST(MultipartBodyTest, MediaTypesAndBoundaries)
{
    EXPECT_EQ(mediaTypeOfFile("/a/b/PHOTO.JPG"), "image/jpeg");
    EXPECT_EQ(mediaTypeOfFile("list.csv"), "text/csv");
    EXPECT_EQ(mediaTypeOfFile("archive.tar.gz"), "application/gzip");
    EXPECT_EQ(mediaTypeOfFile(".profile"), "application/octet-stream");
    EXPECT_EQ(mediaTypeOfFile("data.bin"), "application/octet-stream");
    const std::string a = newMultipartBoundary();
    EXPECT_EQ(a.size(), 39u);
    EXPECT_NE(a, newMultipartBoundary());
}

}  // namespace
}  // namespace torvane
