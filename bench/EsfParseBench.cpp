// Parsing a full export of 65,536 group addresses, against a baseline that only finds the line
// ends and copies each line (the least work any line-by-line reader does on the same bytes).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "engine/import/EsfImport.h"
#include "support/EsfGenerator.h"

namespace {

const std::string& File(bool threeLevel) {
    static const std::string three =
        halvex::test::GenerateEsf({.threeLevel = true, .shuffled = true});
    static const std::string two =
        halvex::test::GenerateEsf({.threeLevel = false, .shuffled = true});
    return threeLevel ? three : two;
}

void BM_Baseline_SplitAndCopyLines(benchmark::State& state) {
    const std::string_view data = File(true);
    std::string line;
    for (auto _ : state) {
        size_t lines = 0;
        for (size_t pos = 0; pos < data.size();) {
            size_t lf = data.find('\n', pos);
            if (lf == std::string_view::npos)
                lf = data.size();
            line.assign(data.substr(pos, lf - pos));
            benchmark::DoNotOptimize(line.data());
            ++lines;
            pos = lf + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Baseline_SplitAndCopyLines)->Unit(benchmark::kMillisecond);

void BM_ParseEsf(benchmark::State& state) {
    const std::string& data = File(state.range(0) != 0);
    for (auto _ : state) {
        halvex::EsfImport result = halvex::ParseEsf(data);
        benchmark::DoNotOptimize(result.items.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 65536));
}
BENCHMARK(BM_ParseEsf)->ArgName("threeLevel")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
