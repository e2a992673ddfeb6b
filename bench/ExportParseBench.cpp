// Importing 65,536 group addresses from the XML and the CSV exports against the ESF export of
// the same content, all through the one entry point that recognises the format. Prints each
// format's CPU time as a ratio to the ESF import at the end (target: at most 2x); with
// --benchmark_repetitions, the ratio of the medians.
//
// The XML parser keeps the whole document as nodes (some 21 MiB for this file, 27 MiB with the
// copy of the text it works in), all in one allocation, which glibc keeps from one run to the
// next (below 32 MiB). The first import in a process pays the first-touch page faults of all of
// it (heavily on virtual machines), which the repeated runs here do not show.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine/import/GroupAddressImport.h"
#include "support/EsfGenerator.h"

namespace {

enum Format { kEsf, kXml, kCsvPerLevel, kCsvOneColumn };

const std::string& File(Format format) {
    static const halvex::test::EsfGeneratorOptions options{.threeLevel = true};
    static const std::string files[] = {halvex::test::GenerateEsf(options),
                                        halvex::test::GenerateXml(options),
                                        halvex::test::GenerateCsv(options, true, ';'),
                                        halvex::test::GenerateCsv(options, false, ',')};
    return files[format];
}

void Import(benchmark::State& state, Format format) {
    const std::string& data = File(format);
    for (auto _ : state) {
        const halvex::GroupAddressImport result = halvex::ImportGroupAddresses(data);
        if (result.catalogue.items.size() != 65536 + 256 + 32)
            state.SkipWithError("not every address was imported");
        benchmark::DoNotOptimize(result.catalogue.items.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_ImportEsf(benchmark::State& state) {
    Import(state, kEsf);
}
void BM_ImportXml(benchmark::State& state) {
    Import(state, kXml);
}
void BM_ImportCsvPerLevel(benchmark::State& state) {
    Import(state, kCsvPerLevel);
}
void BM_ImportCsvOneColumn(benchmark::State& state) {
    Import(state, kCsvOneColumn);
}
BENCHMARK(BM_ImportEsf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportCsvPerLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportCsvOneColumn)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                times[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto esf = reporter.times.find("BM_ImportEsf");
    if (esf != reporter.times.end() && esf->second > 0) {
        for (const char* name : {"BM_ImportXml", "BM_ImportCsvPerLevel", "BM_ImportCsvOneColumn"}) {
            const auto other = reporter.times.find(name);
            if (other != reporter.times.end())
                std::printf("%s: ratio %.2fx to ESF (CPU time)\n", name,
                            other->second / esf->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
