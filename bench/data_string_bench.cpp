// Throughput of building one record's data string on a form of realistic size: 40 field definitions, 10
// of them select lists with 50 options each. Reports records per second.
#include "bench_form.h"

namespace {

using namespace torvane;
using namespace torvane::bench;

void BM_MakeDataString(benchmark::State& state)
{
    Form form(state.range(0) != 0);
    QuietHost host;
    NoDialogs dialogs;
    NoClient client;
    SystemClock clock;
    PostingEngine engine(*form.data, host, dialogs, client, clock);
    engine.TrackSent = true;
    engine.FieldToTrack1 = "FIELD0";
    engine.FieldToTrack2 = "FIELD3";
    engine.ViewWarnings = true;
    engine.StatusText = "Processing Export Record# 1";
    const std::vector<std::string> lines = exportLines(64);
    size_t next = 0;
    for (auto _ : state) {
        engine.MakeDataString(lines[next]);
        benchmark::DoNotOptimize(engine.DataList.data());
        next = (next + 1) % lines.size();
    }
    state.counters["records"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
// Argument 0: the store as it is; 1: with the option rows indexed by field name and folded code.
BENCHMARK(BM_MakeDataString)->ArgName("indexed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The two statements a record costs most: the field definitions, once per record, and one option lookup,
// once per select field.
void BM_FieldDefinitionsQuery(benchmark::State& state)
{
    Form form;
    Query& query = form.data->FieldsQuery;
    for (auto _ : state) {
        query.close();
        query.open(selectFieldsInOrder());
        benchmark::DoNotOptimize(query.findFirst());
    }
}
BENCHMARK(BM_FieldDefinitionsQuery)->Unit(benchmark::kMicrosecond);

void BM_OptionLookup(benchmark::State& state)
{
    Form form(state.range(0) != 0);
    Query& query = form.data->SelDataQuery;
    for (auto _ : state) {
        query.close();
        query.open(selectOptionByCode("FIELD3", "c17"));
        benchmark::DoNotOptimize(query.findFirst());
    }
}
BENCHMARK(BM_OptionLookup)->ArgName("indexed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
