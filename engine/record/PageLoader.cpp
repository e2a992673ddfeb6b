#include "engine/record/PageLoader.h"

#include <algorithm>
#include <tuple>

#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"

namespace halvex {

using namespace layout;

namespace {

// Pairs of a page whose outputs ascend: the pair table is consumed in one pass in step with
// the outputs; `accept` decides for a pair that hits output `slot` whether it is shown.
template <typename Accept>
std::vector<LoadedAssignment> MergedWalk(const KnxSections& sections, uint32_t firstOutput,
                                         uint32_t slotCount, Accept accept) {
    std::vector<LoadedAssignment> loaded;
    const size_t pairCount = sections.PairCount();
    size_t p = 0;
    for (uint32_t slot = 0; slot < slotCount && p < pairCount; ++slot) {
        const uint32_t output = firstOutput + slot;
        for (; p < pairCount && sections.PairOutput(p) <= output; ++p) {
            if (sections.PairOutput(p) != output || !accept(slot, output))
                continue;
            if (const auto g = sections.AddressAtPosition(sections.PairListIndex(p))) {
                loaded.push_back({static_cast<uint16_t>(slot), *g});
            }
        }
    }
    return loaded;
}

std::optional<KnxSections> AssignmentSections(ConstBytes record) {
    auto sections = ReadKnxSections(record);
    if (!sections || !sections->hasAssignments)
        return std::nullopt;
    return sections;
}

}  // namespace

std::vector<LoadedAssignment> LoadDimmerAssignments(ConstBytes record, uint32_t firstOutput,
                                                    uint32_t slotCount) {
    const auto sections = AssignmentSections(record);
    if (!sections)
        return {};
    return MergedWalk(*sections, firstOutput, slotCount, [](uint32_t, uint32_t) { return true; });
}

std::vector<LoadedAssignment> LoadSceneAssignments(ConstBytes record, uint32_t firstOutput,
                                                   uint32_t sceneCount) {
    const auto sections = AssignmentSections(record);
    if (!sections)
        return {};
    // Same result as scanning the whole table once per scene: stable order by scene.
    std::vector<LoadedAssignment> loaded;
    for (size_t p = 0; p < sections->PairCount(); ++p) {
        const uint32_t output = sections->PairOutput(p);
        if (output < firstOutput || output - firstOutput >= sceneCount)
            continue;
        if (const auto g = sections->AddressAtPosition(sections->PairListIndex(p))) {
            loaded.push_back({static_cast<uint16_t>(output - firstOutput), *g});
        }
    }
    std::stable_sort(loaded.begin(), loaded.end(),
                     [](const auto& a, const auto& b) { return a.slot < b.slot; });
    return loaded;
}

std::vector<LoadedAssignment> LoadDeviceAssignments(ConstBytes record, uint32_t firstOutput,
                                                    std::span<const uint8_t> deviceTypes) {
    const auto sections = AssignmentSections(record);
    if (!sections)
        return {};
    return MergedWalk(*sections, firstOutput, static_cast<uint32_t>(deviceTypes.size()),
                      [&](uint32_t slot, uint32_t output) {
                          return output < sections->OutputCount() &&
                                 (sections->OutputCode(output) & 0x0F) == deviceTypes[slot];
                      });
}

std::vector<LoadedAssignment> LoadEnOceanAssignments(ConstBytes record, uint8_t pageCode,
                                                     uint32_t outputCount,
                                                     ConstBytes transmitterTable,
                                                     uint16_t transmitterCount) {
    const auto mainLength = MainPartLength(record);
    if (!mainLength || BusModeOf(record[kFlagsA], record[kFlagsB]) == BusMode::Knx)
        return {};
    const uint16_t entryCount = *ReadU16(record, kEntryCount);
    const auto entries =
        Slice(record.first(*mainLength), kHeaderSize, size_t{entryCount} * kEntrySize);
    if (!entries)
        return {};

    // Rows keyed by (ORG, data, ID), ascending row within equal keys.
    using Key = std::tuple<uint8_t, uint32_t, uint32_t>;
    const size_t rows = std::min<size_t>(transmitterCount, transmitterTable.size() / kRowSize);
    std::vector<std::pair<Key, uint16_t>> byKey;
    byKey.reserve(rows);
    for (size_t k = 0; k < rows; ++k) {
        const ConstBytes row = transmitterTable.subspan(k * kRowSize, kRowSize);
        byKey.push_back({{row[kRowOrg], *ReadU32(row, kRowData), *ReadU32(row, kRowId)},
                         static_cast<uint16_t>(k)});
    }
    std::sort(byKey.begin(), byKey.end());

    // Entries of this page, by output number, stored order within one output.
    std::vector<std::pair<uint16_t, size_t>> pageEntries;
    for (size_t e = 0; e < entryCount; ++e) {
        const ConstBytes entry = entries->subspan(e * kEntrySize, kEntrySize);
        const uint16_t output = *ReadU16(entry, kEntryOutput);
        if (entry[kEntryPage] == pageCode && output >= 1 && output <= outputCount) {
            pageEntries.push_back({output, e});
        }
    }
    std::stable_sort(pageEntries.begin(), pageEntries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<LoadedAssignment> loaded;
    for (const auto& [output, e] : pageEntries) {
        const ConstBytes entry = entries->subspan(e * kEntrySize, kEntrySize);
        const Key key{entry[kEntryOrg], *ReadU32(entry, kEntryData), *ReadU32(entry, kEntryId)};
        auto [first, last] =
            std::equal_range(byKey.begin(), byKey.end(), std::pair<Key, uint16_t>{key, 0},
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        for (; first != last; ++first) {
            loaded.push_back({static_cast<uint16_t>(output - 1), first->second});
        }
    }
    return loaded;
}

}  // namespace halvex
