// A page of today's kind, saved and imported with the companion, then sent record by record to a
// loopback server: the order form taken from beside a search form, a date in ISO form, a check box ticked
// and unticked, a textarea and a file sent as a browser sends them in a multipart body, and a record
// with an impossible date refused into the results and rejects files.
#include "cli/cli_runner.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <utility>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;
using test::ScriptedServer;

// As a Python form library writes it: attributes in alphabetical order, a search box in the header.
const char* const kPage = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>New order</title></head><body>
<form action="/search" method="get" role="search"><input name="q" type="search"></form>
<form action="/orders/new/" enctype="multipart/form-data" method="post">
<input name="csrfmiddlewaretoken" type="hidden" value="tok&amp;1">
<label for="id_customer_name">Customer name:</label>
<input id="id_customer_name" maxlength="30" name="customer_name" required type="text">
<input id="id_quantity" min="1" name="quantity" required type="number">
<input id="id_order_date" name="order_date" required type="date">
<input id="id_gift_wrap" name="gift_wrap" type="checkbox">
<textarea cols="40" id="id_notes" name="notes" rows="10">
</textarea>
<input id="id_upload" name="upload" type="file">
<button type="submit">Order</button>
</form></body></html>
)";

// name 1-10, quantity 12-13, date 15-22, gift wrap 24, notes 26-35, file 37-50
const char* const kExport = "Ann Lee    02 20261224 Y Fragile!   scan.pdf\n"
                            "Bob        1  20260101 N\n"
                            "Cy         3  20261341 Y\n";

// The parts of a multipart request: each part's headers and its content.
std::vector<std::pair<std::string, std::string>> partsOf(const std::string& request)
{
    const size_t at = request.find("boundary=");
    const std::string boundary = "--" + request.substr(at + 9, request.find("\r\n", at) - at - 9);
    std::vector<std::pair<std::string, std::string>> parts;
    size_t pos = request.find(boundary, request.find("\r\n\r\n"));
    while (pos != std::string::npos && request.compare(pos + boundary.size(), 2, "--") != 0) {
        const size_t head = pos + boundary.size() + 2;
        const size_t body = request.find("\r\n\r\n", head) + 4;
        const size_t next = request.find("\r\n" + boundary, body);
        parts.push_back({request.substr(head, body - 4 - head), request.substr(body, next - body)});
        pos = next + 2;
    }
    return parts;
}

TEST(SendFormsTest, ATodaysOrderFormSentAsABrowserSendsIt)
{
    test::TempDir dir;
    ScriptedServer server;
    server.respondWith([](const std::string&) {
        const std::string body = "<p>Thank you for your order</p>";
        return ScriptedServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                     "\r\n\r\n" + body};
    });
    dir.write("order.html", kPage);
    dir.write("export.txt", kExport);
    std::string file("%PDF-1.4\r\n\0\xFF--boundary--\r\n", 26);
    dir.write("scan.pdf", file);
    auto run = [&dir](const Lines& args) {
        Lines withDir{"-C", dir.path()};
        withDir.insert(withDir.end(), args.begin(), args.end());
        return test::runProgram(test::cliBinary(), withDir);
    };
    const test::CliResult imported = run({"import-html", "order.html"});
    EXPECT_EQ(imported.out,
              "The page has 2 forms; imported form 2, action /orders/new/, 7 fields (the one with the most fields; "
              "choose another with --form N|NAME)\nFields Imported: 11\n");
    const Lines setup[] = {
        {"set", "URL", server.url("/orders/new/")}, {"set", "DataSentText", "Thank you"},
        {"set", "ImportData", "export.txt"},        {"set-field", "20", "ImportStart", "1"},
        {"set-field", "20", "ImportLength", "10"},  {"set-field", "30", "ImportStart", "12"},
        {"set-field", "30", "ImportLength", "2"},   {"set-field", "40", "ImportStart", "15"},
        {"set-field", "40", "ImportLength", "8"},   {"set-field", "40", "Format", "YYYYMMDD To YYYY-MM-DD"},
        {"set-field", "50", "ImportStart", "24"},   {"set-field", "50", "ImportLength", "1"},
        {"set-option", "gift_wrap", "10", "ImportMap", "Y"},
        {"set-field", "60", "ImportStart", "26"},   {"set-field", "60", "ImportLength", "10"},
        {"set-field", "70", "ImportStart", "37"},   {"set-field", "70", "ImportLength", "14"},
        // The page gives no MAXLENGTH for these: the operator fills in the Field Length.
        {"set-field", "30", "MaxLength", "5"},      {"set-field", "40", "MaxLength", "10"},
        {"set-field", "60", "MaxLength", "200"},    {"set-field", "70", "MaxLength", "200"},
    };
    for (const Lines& step : setup)
        EXPECT_EQ(run(step).status, 0) << step[0] << " " << step[1];

    const test::CliResult sent = run({"send", "--pause", "0", "--results", "results.csv", "--rejects", "rejects.txt"});
    EXPECT_EQ(sent.status, 3) << sent.err;
    EXPECT_NE(sent.out.find("Data Not Sent Invalid Date\n     order_date Invalid Date: 20261341"), std::string::npos)
        << sent.out;
    const Lines requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const auto disposition = [](const std::string& name) { return "Content-Disposition: form-data; name=\"" + name + "\""; };
    using Parts = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(partsOf(requests[0]),
              (Parts{{disposition("csrfmiddlewaretoken"), "tok&1"},
                     {disposition("customer_name"), "Ann Lee"},
                     {disposition("quantity"), "02"},
                     {disposition("order_date"), "2026-12-24"},
                     {disposition("gift_wrap"), "on"},
                     {disposition("notes"), "Fragile!"},
                     {disposition("upload") + "; filename=\"scan.pdf\"\r\nContent-Type: application/pdf", file}}));
    // Unticked: no entry for the box at all; an empty file field still sends its part.
    EXPECT_EQ(partsOf(requests[1]),
              (Parts{{disposition("csrfmiddlewaretoken"), "tok&1"},
                     {disposition("customer_name"), "Bob"},
                     {disposition("quantity"), "1"},
                     {disposition("order_date"), "2026-01-01"},
                     {disposition("notes"), ""},
                     {disposition("upload") + "; filename=\"\"\r\nContent-Type: application/octet-stream", ""}}));
    EXPECT_NE(requests[0].find("POST /orders/new/ HTTP/1.0\r\n"), std::string::npos);
    EXPECT_EQ(dir.read("rejects.txt"), "Cy         3  20261341 Y\n");
    EXPECT_NE(dir.read("results.csv").find("refused"), std::string::npos);
}

}  // namespace
}  // namespace torvane
