// Rebuilding the largest KNX record that fits the 65535-byte main part: WriteKnxRecord
// against the literal build whose used-address list grows by scan-and-shift insertion,
// on the same pages and catalogue. Prints the ratio of the two times at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <string>

#include "LargestRecord.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/RecordWriter.h"

namespace {

using namespace halvex;
using namespace halvex::bench;

const Workload& Data() {
    static const Workload w = MakeWorkload();
    return w;
}

// The literal build: sorted insertion by scanning from the front and shifting the tail up,
// binary search per assignment, then the same sections and name block.
std::vector<uint8_t> LiteralBuild(const Workload& w) {
    static std::vector<uint16_t> list(65536);
    size_t count = 0;
    for (const PageContent& page : w.pages) {
        for (size_t o = 0; o < page.OutputCount(); ++o) {
            for (const uint16_t g : page.Children(o)) {
                size_t i = 0;
                while (i < count && list[i] < g)
                    ++i;
                if (i < count && list[i] == g)
                    continue;
                for (size_t j = count; j > i; --j)
                    list[j] = list[j - 1];
                list[i] = g;
                ++count;
            }
        }
    }
    auto lookup = [&](uint16_t g) -> uint16_t {
        size_t lo = 0, hi = count;
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (list[mid] == g)
                return static_cast<uint16_t>(mid + 1);
            if (list[mid] < g)
                lo = mid + 1;
            else
                hi = mid;
        }
        return 0;
    };
    std::vector<uint8_t> out(w.header.begin(), w.header.end());
    ByteBuilder b(out);
    b.U16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i)
        b.U16(list[i]);
    const size_t pairOffset = out.size();
    size_t pairs = 0;
    b.U16(0);
    uint16_t output = 0;
    for (const PageContent& page : w.pages) {
        for (size_t o = 0; o < page.OutputCount(); ++o, ++output) {
            for (const uint16_t g : page.Children(o)) {
                b.U16(lookup(g));
                b.U16(output);
                ++pairs;
            }
        }
    }
    WriteU16(out, pairOffset, static_cast<uint16_t>(pairs));
    const size_t outputOffset = out.size();
    b.U16(output);
    for (const PageContent& page : w.pages) {
        for (size_t o = 0; o < page.OutputCount(); ++o) {
            b.U16(static_cast<uint16_t>((page.Children(o).empty() ? 0x0300 : 0x1700) |
                                        (page.OutputType(o) & 0x0F)));
        }
    }
    const size_t deviceOffset = out.size();
    b.U16(kDevices);
    b.Bytes(w.devices);
    b.Bytes(w.wlan);
    WriteU16(out, 0, static_cast<uint16_t>(out.size()));
    WriteU16(out, 2, 62);
    WriteU16(out, 4, static_cast<uint16_t>(pairOffset));
    WriteU16(out, 6, static_cast<uint16_t>(outputOffset));
    WriteU16(out, 8, static_cast<uint16_t>(deviceOffset));
    out[14] |= 0x01;
    out[15] |= 0x20;
    const size_t block = out.size();
    b.U32(0);
    for (const auto* group : {&w.catalogue.mains, &w.catalogue.middles, &w.catalogue.groups}) {
        b.U16(static_cast<uint16_t>(group->size()));
        for (const NameEntry& e : *group) {
            b.U16(e.number);
            b.U32(e.itemData);
            for (const char c : e.label)
                b.U8(static_cast<uint8_t>(c));
            b.U8(0);
        }
    }
    b.Zeros(6);
    WriteU32(out, block, static_cast<uint32_t>(out.size() - block));
    return out;
}

std::vector<uint8_t> FastBuild(const Workload& w) {
    std::vector<uint8_t> record = w.header;
    const auto view = w.View();
    if (WriteKnxRecord(record, view, w.catalogue, true, kDevices, w.devices, w.wlan) !=
        WriteStatus::Ok) {
        record.clear();
    }
    return record;
}

void BM_WriteKnxRecord(benchmark::State& state) {
    const Workload& w = Data();
    for (auto _ : state)
        benchmark::DoNotOptimize(FastBuild(w));
}
BENCHMARK(BM_WriteKnxRecord)->Unit(benchmark::kMicrosecond);

void BM_LiteralScanAndShift(benchmark::State& state) {
    const Workload& w = Data();
    for (auto _ : state)
        benchmark::DoNotOptimize(LiteralBuild(w));
}
BENCHMARK(BM_LiteralScanAndShift)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<uint8_t> fast = FastBuild(Data());
    const std::vector<uint8_t> literal = LiteralBuild(Data());
    if (fast != literal || fast.empty()) {
        std::fprintf(stderr, "the two builds differ; nothing to compare\n");
        return 1;
    }
    std::printf("record: main part %u bytes, %zu bytes with names\n",
                static_cast<unsigned>(fast[0] | (fast[1] << 8)), fast.size());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto fastTime = reporter.times.find("BM_WriteKnxRecord");
    const auto literalTime = reporter.times.find("BM_LiteralScanAndShift");
    if (fastTime != reporter.times.end() && literalTime != reporter.times.end() &&
        fastTime->second > 0) {
        std::printf("WriteKnxRecord: %.1f us; literal scan-and-shift: %.1f us; ratio %.1fx\n",
                    fastTime->second, literalTime->second, literalTime->second / fastTime->second);
    }
    benchmark::Shutdown();
    return 0;
}
