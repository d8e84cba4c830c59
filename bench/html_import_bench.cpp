// Scans and imports a large generated page (200,000 form tags in about 50 MB), once with ordinary lines
// and once saved with carriage returns alone (one huge line), and times `grep -c '<'` over the same
// files in the same run. Prints MB/s of scanning, rows/s of the whole import and the peak memory; first
// of all the peak memory of scanning a page whose tag near the top never closes.
#include "bench_support.h"
#include "htmlimport/form_import.h"
#include "util/tag_scanner.h"
#include "store/data_module.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTags = 200000;
constexpr size_t kBytesPerTag = 262;  // 200,000 tags in about 50 MB

using torvane::bench::median;
using torvane::bench::peakRssKb;
using torvane::bench::seconds;

// A form as a site generator would save it: text fields, radio pairs and select lists, each tag on a
// line padded with markup the import passes over (other tags, comments, end tags).
// Written straight to the file, so the page never sits in this process's memory.
void generatePage(std::ostream& page, const char* lineBreak)
{
    page << "<!DOCTYPE html><html><head><title>Orders</title></head><body>" << lineBreak;
    int tags = 0;
    auto line = [&](const std::string& text) {
        std::string l = text;
        static const std::string filler =
            " <span class=\"hint\">Enter the value exactly as printed on the order form;</span>"
            "<!-- checked by the office --> <div class=\"note\">Fields marked with a star are needed.</div>"
            " <TEXTAREA rows=2></TEXTAREA></FORMFIELD> <em>more explanatory text follows here and there</em>"
            " <p>padding padding padding padding padding padding padding padding padding padding</p>";
        if (l.size() < kBytesPerTag)
            l += filler.substr(0, kBytesPerTag - l.size());
        page << l << lineBreak;
        ++tags;
    };
    line("<FORM ACTION=\"/cgi-bin/orders.cgi\" METHOD=\"POST\" NAME=\"orders\">");
    for (int n = 0; tags < kTags; ++n) {
        const std::string id = std::to_string(n);
        const std::string pattern[] = {
            "<label>Name " + id + "</label><INPUT TYPE=\"text\" NAME=\"name" + id + "\" MAXLENGTH=\"40\" VALUE=\"\">",
            "<INPUT type=text name=city" + id + " maxlength=\" 25 \" value=Springfield>",
            "<input TYPE=\"hidden\" NAME=\"code" + id + "\" VALUE=\"X" + id + "\">",
            "<INPUT TYPE=\"radio\" NAME=\"ship" + id + "\" VALUE=\"ground\"> Ground",
            "<INPUT TYPE=\"radio\" NAME=\"ship" + id + "\" VALUE=\"air\"> Air",
            "<SELECT NAME=\"state" + id + "\" SIZE=1>",
            "<OPTION VALUE=\"AL\">Alabama",
            "<OPTION VALUE=\"AK\" SELECTED>Alaska",
            "<option value=\"AZ\">Arizona</option>",
            "</SELECT>",
        };
        for (const std::string& tag : pattern) {
            if (tags == kTags)
                break;
            line(tag);
        }
    }
    page << "<INPUT TYPE=submit VALUE=Send></FORM></body></html>" << lineBreak;
}

struct Figures {
    double grepSeconds = 0;
    double scanSeconds = 0;
    double importSeconds = 0;
    int tags = 0;
    long rows = 0;
};

double runGrep(const std::string& path)
{
    const std::string command = "grep -c '<' '" + path + "' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "grep failed\n");
    return seconds(Clock::now() - start);
}

// The scanner alone: every tag taken and its attributes read as the import does, nothing stored.
double runScan(const std::string& path, int& tags)
{
    const auto start = Clock::now();
    torvane::TagScanner scanner;
    scanner.openFile(path);
    std::string tag;
    size_t sink = 0;
    auto taker = [&](const char* word) {
        return [&, word] {
            if (!scanner.atFront(word) || !scanner.CopyTag(1, tag))
                return;
            ++scanner.tagCount;
            sink += torvane::ReturnItemStr("TYPE", tag).size() + torvane::ReturnItemStr("NAME", tag).size() +
                    torvane::ReturnItemStr("VALUE", tag).size() +
                    static_cast<size_t>(torvane::ReturnItemInt("MAXLENGTH", tag));
        };
    };
    scanner.RunLineLoop({taker("<FORM"), taker("<INPUT"), taker("<SELECT"), taker("<OPTION"),
                         [&] { scanner.FindEndSelect(); }},
                        nullptr);
    tags = scanner.tagCount;
    if (sink == 0 && tags > 1)
        std::fprintf(stderr, "nothing read\n");
    return seconds(Clock::now() - start);
}

double runImport(const std::string& path, const std::string& store, int& tags, long& rows)
{
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(store + suffix);
    torvane::TDataModule1 data(store);
    torvane::HtmlFormImport import(data);
    import.PageFileName = path;
    const auto start = Clock::now();
    import.ImportHTML();
    const double s = seconds(Clock::now() - start);
    tags = import.tagCount();
    rows = data.FieldsTable.recordCount() + data.SelDataTable.recordCount();
    return s;
}

}  // namespace

int main()
{
    char tmpl[] = "/tmp/torvane-html-bench-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = tmpl;
    struct Variant {
        const char* name;
        const char* lineBreak;
    };
    // First, before anything else has grown the process: a tag that never closes near the top of a
    // 50 MB page must not make the scanner hold the rest of the page.
    {
        const std::string path = (dir / "unclosed.html").string();
        {
            std::ofstream out(path, std::ios::binary);
            out << "<html><body><FORM ACTION=x><INPUT NAME=\"broken\"\n";
            const std::string line(99, 'x');
            for (int i = 0; i < 500000; ++i)
                out << line << "\n";
        }
        const double mb = double(std::filesystem::file_size(path)) / (1 << 20);
        const long before = peakRssKb();
        int tags = 0;
        const double s = runScan(path, tags);
        std::printf("unclosed tag at the top: %.1f MB, %d tags, scan %.3f s, %.1f MB/s, peak memory %ld KB "
                    "(%ld KB before)\n",
                    mb, tags, s, mb / s, peakRssKb(), before);
        std::filesystem::remove(path);
    }

    const Variant variants[] = {{"ordinary lines (LF)", "\n"}, {"carriage returns only (one line)", "\r"}};

    for (const Variant& v : variants) {
        const std::string path = (dir / "page.html").string();
        {
            std::ofstream out(path, std::ios::binary);
            generatePage(out, v.lineBreak);
        }
        const double mb = double(std::filesystem::file_size(path)) / (1 << 20);
        std::vector<double> grep, scan, import;
        int scanTags = 0, importTags = 0;
        long rows = 0;
        for (int rep = 0; rep < 3; ++rep) {
            grep.push_back(runGrep(path));
            scan.push_back(runScan(path, scanTags));
            import.push_back(runImport(path, (dir / "torvane.db").string(), importTags, rows));
        }
        std::printf("%s: %.1f MB, %d tags scanned, %d imported, %ld rows\n", v.name, mb, scanTags, importTags,
                    rows);
        std::printf("  grep -c '<'   %8.3f s  %8.1f MB/s\n", median(grep), mb / median(grep));
        std::printf("  scan          %8.3f s  %8.1f MB/s  (%.1fx grep)\n", median(scan), mb / median(scan),
                    median(scan) / median(grep));
        std::printf("  import        %8.3f s  %8.1f MB/s  %10.0f rows/s\n", median(import), mb / median(import),
                    double(rows) / median(import));
        std::printf("  peak memory so far %ld KB\n", peakRssKb());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
