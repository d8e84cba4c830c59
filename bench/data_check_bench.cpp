// Throughput of the data check on the form of the data string benchmark (40 fields, 10 selects of 50
// options) over an export file of 20,000 lines: records per second, as torvane-cli check runs it (one
// snapshot of the store) and as the main window runs it (a lock per statement), with and without --data.
#include "bench_form.h"

#include "posting/data_check.h"

#include <fstream>

namespace {

using namespace torvane;
using namespace torvane::bench;

constexpr int kLines = 20000;

void BM_DataCheck(benchmark::State& state)
{
    Form form(false);
    const std::string exportPath = (form.dir / "export.txt").string();
    {
        std::ofstream out(exportPath, std::ios::binary);
        for (const std::string& line : exportLines(kLines))
            out << line << "\r\n";
    }
    TableView& settings = form.data->SettingsTable;
    settings.setText("URL", "http://127.0.0.1:9/form");
    settings.setText("PostType", "POST");
    settings.setText("DataSentText", "thank you");
    settings.setText("ImportData", exportPath);
    settings.setText("TrackSent", "True");
    settings.setText("FieldToTrack1", "FIELD0");
    settings.setText("FieldToTrack2", "FIELD3");
    settings.setText("ViewWarnings", "True");
    settings.post();

    CheckOptions options;
    options.snapshot = state.range(0) != 0;
    options.showData = state.range(1) != 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const CheckResult result =
            runDataCheck(*form.data, [&bytes](const std::string& text) { bytes += text.size(); }, options);
        if (result.counts.records != kLines)
            state.SkipWithError("not every line was checked");
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["records"] =
        benchmark::Counter(double(state.iterations()) * kLines, benchmark::Counter::kIsRate);
}
// Arguments: snapshot (1 as the companion runs it), data (1 for --data).
BENCHMARK(BM_DataCheck)
    ->ArgNames({"snapshot", "data"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
