// Reads and skips every line of a large generated export file, as a run with a huge LinesToRead does,
// and times `wc -l` on the same file in the same run. Prints medians, the ratio and the peak memory.
#include "bench_support.h"
#include "posting/export_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using torvane::bench::median;
using torvane::bench::peakRssKb;
using torvane::bench::seconds;

int main()
{
    const auto path = std::filesystem::temp_directory_path() / "torvane-export-bench.txt";
    const size_t targetBytes = 256u << 20;
    {
        std::ofstream out(path, std::ios::binary);
        std::string line;
        size_t written = 0;
        for (unsigned n = 0; written < targetBytes; ++n) {
            line = std::to_string(100000 + n) + "  SMITH     JOHN      20050131 0930 NY 12345-6789 ORDER";
            line.append(n % 7 * 10, ' ');
            line += (n % 3 == 0) ? "\r\n" : "\n";
            out << line;
            written += line.size();
        }
    }
    const double mb = double(std::filesystem::file_size(path)) / (1 << 20);
    const long rssBefore = peakRssKb();

    std::vector<double> ours, wc;
    size_t lines = 0;
    for (int rep = 0; rep < 3; ++rep) {
        auto start = std::chrono::steady_clock::now();
        torvane::ExportFileReader reader(path.string());
        lines = 0;
        while (reader.skipLine())
            ++lines;
        ours.push_back(seconds(std::chrono::steady_clock::now() - start));

        start = std::chrono::steady_clock::now();
        const std::string cmd = "wc -l < '" + path.string() + "' > /dev/null";
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "wc -l failed\n");
        wc.push_back(seconds(std::chrono::steady_clock::now() - start));
    }
    const double oursMedian = median(ours), wcMedian = median(wc);
    std::printf("export file: %.0f MB, %zu lines\n", mb, lines);
    std::printf("skip lines (torvane): median %.3f s = %.0f MB/s\n", oursMedian, mb / oursMedian);
    std::printf("wc -l:                median %.3f s = %.0f MB/s\n", wcMedian, mb / wcMedian);
    std::printf("speed relative to wc -l: %.2f (target >= 0.50)\n", wcMedian / oursMedian);
    std::printf("peak memory: %ld KB before reading, %ld KB after (flat: the file is %.0f MB)\n", rssBefore,
                peakRssKb(), mb);
    std::filesystem::remove(path);
    return 0;
}
