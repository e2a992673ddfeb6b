// Opens a record as the dialog does and writes it back: checking, the KNX/WLAN read with its
// in-place conversion, the name block, the transmitter table, every page loader, then a rebuild
// from what was loaded, and a second open and rebuild of that result.
//
// Input: scene count of the host's list, two bytes of device count, a device-kind seed, then
// the record. Guarantees checked: nothing reads or writes outside a buffer (sanitizers), every
// loaded assignment names an output of its page, a rebuilt record checks clean, and rebuilding a
// rebuilt record gives the same bytes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "engine/record/HostStructures.h"
#include "engine/record/PageLoader.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace halvex;
using fuzz::Check;

struct Host {
    uint32_t sceneCount = 0;
    uint16_t deviceCount = 0;
    std::vector<uint8_t> deviceTable = std::vector<uint8_t>(layout::kDeviceTableSize, 0);
    std::vector<uint8_t> deviceTypes;
};

Host MakeHost(ConstBytes& input) {
    Host host;
    host.sceneCount = fuzz::TakeByte(input);
    const uint16_t devices =
        static_cast<uint16_t>(fuzz::TakeByte(input) | fuzz::TakeByte(input) << 8);
    host.deviceCount = static_cast<uint16_t>(devices % (layout::kMaxDevices + 1));
    const uint8_t seed = fuzz::TakeByte(input);
    constexpr std::array<uint8_t, 3> kKinds = {20, 40, 1};
    for (size_t i = 0; i < host.deviceCount; ++i) {
        const uint8_t kind = kKinds[(i + seed) % kKinds.size()];
        WriteU8(MutableBytes(host.deviceTable),
                i * layout::kDeviceEntrySize + layout::kDeviceEntryKind, kind);
        host.deviceTypes.push_back(DeviceOutputType(ConstBytes(host.deviceTable), i));
    }
    return host;
}

// One page: outputs of the given types, each loaded assignment a child of its slot's output
// (assignments past the page's outputs are dropped, as the page does).
PageContent MakePage(const std::vector<uint8_t>& types, std::vector<LoadedAssignment> loaded) {
    std::stable_sort(
        loaded.begin(), loaded.end(),
        [](const LoadedAssignment& a, const LoadedAssignment& b) { return a.slot < b.slot; });
    PageContent page;
    auto next = loaded.begin();
    for (size_t o = 0; o < types.size(); ++o) {
        page.AddOutput(types[o]);
        for (; next != loaded.end() && next->slot == o; ++next)
            page.AddChild(next->number);
    }
    return page;
}

const std::vector<uint8_t>& DimmerTypes(bool enOcean) {
    static const std::vector<uint8_t> knx = [] {
        std::vector<uint8_t> types;
        for (uint32_t i = 0; i < layout::kDimmerOutputs; ++i)
            types.push_back(std::array<uint8_t, 3>{0, 3, 7}[i % 3]);
        return types;
    }();
    static const std::vector<uint8_t> enOceanTypes(layout::kDmxChannels, 0);
    return enOcean ? enOceanTypes : knx;
}

// The catalogue the dialog keeps from a name block: one entry per number, the last one read.
CatalogueContent MakeCatalogue(const std::optional<NameBlock>& block, bool threeLevel) {
    CatalogueContent catalogue;
    if (!block)
        return catalogue;
    auto keep = [](const std::vector<NameEntry>& entries, size_t limit,
                   std::vector<NameEntry>& out) {
        std::map<uint16_t, NameEntry> byNumber;
        for (const NameEntry& e : entries) {
            if (e.number < limit)
                byNumber[e.number] = e;
        }
        for (const auto& [number, e] : byNumber)
            out.push_back(e);
    };
    keep(block->mains, 32, catalogue.mains);
    if (threeLevel)
        keep(block->middles, 256, catalogue.middles);
    keep(block->groups, 65536, catalogue.groups);
    return catalogue;
}

// Opens `stored` as the dialog does and rebuilds it; nullopt when the rebuild is refused.
std::optional<std::vector<uint8_t>> OpenAndRebuild(const std::vector<uint8_t>& stored,
                                                   const Host& host) {
    std::vector<uint8_t> record = stored;
    const std::optional<BusMode> mode = RecordBusMode(record);
    if (!mode || record.size() < layout::kHeaderSize)
        return std::nullopt;
    const uint8_t flagsB = *ReadU8(record, layout::kFlagsB);
    std::vector<uint8_t> fresh(record.begin(), record.begin() + layout::kHeaderSize);

    if (*mode != BusMode::EnOcean) {
        std::array<uint8_t, layout::kWlanSize> wlan{};
        const KnxReadResult read = ReadKnxRecord(record, wlan);
        const uint32_t scenes = read.sceneCount & 0xFF;
        const uint32_t dimmer = 2 * read.sceneCount;
        const uint32_t device = dimmer + 2 * layout::kDimmerOutputs;
        const std::vector<uint8_t> sceneTypes(host.sceneCount, 0);
        const std::vector<uint8_t>& dimmerTypes = DimmerTypes(false);
        std::array<PageContent, 6> pages = {
            MakePage(sceneTypes, LoadSceneAssignments(record, 0, scenes)),
            MakePage(sceneTypes, LoadSceneAssignments(record, scenes, scenes)),
            MakePage(dimmerTypes, LoadDimmerAssignments(record, dimmer, layout::kDimmerOutputs)),
            MakePage(dimmerTypes, LoadDimmerAssignments(record, dimmer + layout::kDimmerOutputs,
                                                        layout::kDimmerOutputs)),
            MakePage(host.deviceTypes, LoadDeviceAssignments(record, device, host.deviceTypes)),
            MakePage(host.deviceTypes,
                     LoadDeviceAssignments(record, device + host.deviceCount, host.deviceTypes))};
        const bool threeLevel = (flagsB & layout::kFlagThreeLevel) != 0;
        const CatalogueContent catalogue = MakeCatalogue(ReadNameBlock(record), threeLevel);
        const std::array<const PageContent*, 6> view = {&pages[0], &pages[1], &pages[2],
                                                        &pages[3], &pages[4], &pages[5]};
        if (WriteKnxRecord(fresh, view, catalogue, threeLevel, host.deviceCount,
                           ConstBytes(host.deviceTable), ConstBytes(wlan)) != WriteStatus::Ok) {
            Check(fresh.size() == layout::kHeaderSize);
            return std::nullopt;
        }
    } else {
        std::vector<uint8_t> table(layout::kRowSize * layout::kMaxRows, 0xA5);
        const uint16_t rows = ReadTransmitterTable(
            record, std::span<uint8_t, layout::kRowSize * layout::kMaxRows>(table));
        Check(rows <= layout::kMaxRows);
        Check(fuzz::AllZero(ConstBytes(table).subspan(rows * layout::kRowSize)));
        for (uint16_t r = 0; r < rows; ++r)
            TransmitterLabel(ConstBytes(table).subspan(r * layout::kRowSize, layout::kRowSize));
        const std::vector<uint8_t> sceneTypes(host.sceneCount, 0);
        const std::vector<uint8_t>& dimmerTypes = DimmerTypes(true);
        std::array<PageContent, 4> pages;
        for (uint8_t p = 0; p < 4; ++p) {
            const std::vector<uint8_t>& types = p < 2 ? sceneTypes : dimmerTypes;
            const auto loaded = LoadEnOceanAssignments(
                record, p, static_cast<uint32_t>(types.size()), ConstBytes(table), rows);
            for (const LoadedAssignment& a : loaded)
                Check(a.slot < types.size() && a.number < rows);
            pages[p] = MakePage(types, loaded);
        }
        const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
        if (WriteEnOceanRecord(fresh, view, ConstBytes(table), rows, host.deviceCount,
                               ConstBytes(host.deviceTable)) != WriteStatus::Ok) {
            Check(fresh.size() == layout::kHeaderSize);
            return std::nullopt;
        }
    }
    return fresh;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ConstBytes input(data, size);
    const Host host = MakeHost(input);
    const std::vector<uint8_t> stored(input.begin(), input.end());

    CheckRecord(stored);
    if (const auto storedSize = StoredRecordSize(stored))
        Check(*storedSize <= stored.size());
    ReadKnxSections(stored);
    DeriveSceneCount(stored);

    const auto first = OpenAndRebuild(stored, host);
    if (!first)
        return 0;
    const RecordCheck rebuilt = CheckRecord(*first);
    Check(!rebuilt.Damaged() && rebuilt.referencesOk);
    const auto second = OpenAndRebuild(*first, host);
    Check(second.has_value() && *second == *first);
    return 0;
}
