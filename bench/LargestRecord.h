// The largest KNX configuration whose record fits the 65535-byte main part, shared by the
// benchmarks that rebuild and open it.
#pragma once

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/record/RecordLayout.h"
#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"

namespace halvex::bench {

inline constexpr uint16_t kScenes = 100;
inline constexpr uint16_t kDevices = 512;

struct Workload {
    std::array<PageContent, 6> pages;
    CatalogueContent catalogue;
    std::vector<uint8_t> devices = std::vector<uint8_t>(layout::kDeviceTableSize, 0);
    std::vector<uint8_t> wlan = std::vector<uint8_t>(layout::kWlanSize, 0);
    std::vector<uint8_t> header = NewRecord(BusType::Knx);

    std::array<const PageContent*, 6> View() const {
        return {&pages[0], &pages[1], &pages[2], &pages[3], &pages[4], &pages[5]};
    }
};

// 100 scenes, 512 devices of kind 0 and as many distinct addresses, each assigned once to an
// output of its own object type, as the main part holds:
// 62 + 2 + 2N + 2 + 4N + 2 + 2 x 4296 + 12444 <= 65535 gives N = 7405 (65534 bytes).
inline Workload MakeWorkload() {
    Workload w;
    std::vector<uint8_t> types[6];
    for (int p = 0; p < 2; ++p) {
        types[p].assign(kScenes, 0);
        for (int c = 0; c < 512; ++c)
            types[2 + p].insert(types[2 + p].end(), {0, 3, 7});
        types[4 + p].assign(kDevices, 7);
    }
    size_t outputs = 0;
    for (const auto& t : types)
        outputs += t.size();
    const size_t addresses =
        (layout::kMaxMainPart - 62 - 6 - layout::kDeviceBlockSize - 2 * outputs) / 6;

    std::mt19937 random(2024);
    std::vector<uint16_t> pool(65536);
    std::iota(pool.begin(), pool.end(), uint16_t{0});
    std::shuffle(pool.begin(), pool.end(), random);
    pool.resize(addresses);
    std::vector<std::vector<uint16_t>> children[6];
    for (int p = 0; p < 6; ++p)
        children[p].resize(types[p].size());
    for (const uint16_t g : pool) {
        const size_t p = random() % 6;
        const size_t o = random() % types[p].size();
        children[p][o].push_back(g);
        w.catalogue.groups.push_back(
            {g, (uint32_t{g} << 16) | 0x20u | types[p][o], "Address " + std::to_string(g)});
    }
    for (int p = 0; p < 6; ++p) {
        for (size_t o = 0; o < types[p].size(); ++o) {
            w.pages[p].AddOutput(types[p][o]);
            for (const uint16_t g : children[p][o])
                w.pages[p].AddChild(g);
        }
    }
    std::sort(w.catalogue.groups.begin(), w.catalogue.groups.end(),
              [](const NameEntry& a, const NameEntry& b) { return a.number < b.number; });
    for (uint16_t m = 0; m < 32; ++m)
        w.catalogue.mains.push_back({m, 0, std::to_string(m) + " Main"});
    for (uint16_t m = 0; m < 256; ++m)
        w.catalogue.middles.push_back({m, 0, std::to_string(m & 7) + " Middle"});
    return w;
}

}  // namespace halvex::bench
