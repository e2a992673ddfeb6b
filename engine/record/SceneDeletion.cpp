#include "engine/record/SceneDeletion.h"

#include <algorithm>

#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"

namespace halvex {

using namespace layout;

namespace {

// Bytes [begin, end) of one part of the main part; empty when the part is absent.
struct Extent {
    size_t begin = 0;
    size_t end = 0;
    bool Overlaps(const Extent& other) const {
        return begin < end && other.begin < other.end && begin < other.end && other.begin < end;
    }
};

Extent SectionExtent(ConstBytes record, size_t headerField, size_t entries, size_t width) {
    const size_t offset = *ReadU16(record, headerField);
    return offset == 0 ? Extent{} : Extent{offset, offset + 2 + entries * width};
}

// The deletion rewrites the pair and output tables; when either shares bytes with another part
// (the other table, the address list or the device block), that part would change with them.
bool EditedTablesOverlap(ConstBytes record, const KnxSections& sections) {
    const Extent pairs = SectionExtent(record, kPairTableOffset, sections.PairCount(), 4);
    const Extent outputs = SectionExtent(record, kOutputTableOffset, sections.OutputCount(), 2);
    const Extent addresses = SectionExtent(record, kAddressListOffset, sections.AddressCount(), 2);
    const size_t deviceOffset = *ReadU16(record, kDeviceBlockOffset);
    const Extent devices =
        deviceOffset == 0 ? Extent{} : Extent{deviceOffset, deviceOffset + kDeviceBlockSize};
    return pairs.Overlaps(outputs) || pairs.Overlaps(addresses) || pairs.Overlaps(devices) ||
           outputs.Overlaps(addresses) || outputs.Overlaps(devices);
}

std::string KnxRefusal(ConstBytes record, size_t mainLength, uint32_t scene,
                       uint32_t partnerOffset) {
    const SectionProbe probes[] = {
        ProbeSection(record, mainLength, kAddressListOffset, 2, "group-address list"),
        ProbeSection(record, mainLength, kPairTableOffset, 4, "pair table"),
        ProbeSection(record, mainLength, kOutputTableOffset, 2, "output table")};
    for (const SectionProbe& probe : probes) {
        if (!probe.Usable())
            return probe.problem;
    }
    const KnxSections sections = *ReadKnxSections(record);
    if (EditedTablesOverlap(record, sections))
        return "the pair or output table shares bytes with another part of the record";
    if (SceneCountFromOutputs(sections.outputs) <= scene)
        return {};
    if (partnerOffset == 0) {
        return "scene-list byte 6 is 255, so the scene's output on Scene Out 2 would be the "
               "scene itself";
    }
    if (scene + partnerOffset >= sections.OutputCount()) {
        return "the scene's output on Scene Out 2 (" + std::to_string(scene + partnerOffset) +
               ") lies past the output table of " + std::to_string(sections.OutputCount());
    }
    return {};
}

std::string EnOceanRefusal(ConstBytes record, size_t mainLength) {
    const TrailingProbe trailing = ProbeTrailingBlock(record, mainLength);
    if (trailing.present && !trailing.block)
        return trailing.problem;
    const size_t entries = *ReadU16(record, kEntryCount);
    const size_t deviceOffset = *ReadU16(record, kDeviceBlockOffset);
    if (kHeaderSize + kEntrySize * entries > mainLength) {
        return std::to_string(entries) + " transmitter entries run past the main part (" +
               std::to_string(mainLength) + " bytes)";
    }
    if (entries > 0 &&
        (deviceOffset < kHeaderSize + kEntrySize * entries || deviceOffset > mainLength)) {
        return "device block offset " + std::to_string(deviceOffset) +
               " lies inside the transmitter entries or past the main part";
    }
    return {};
}

// Both edits run only on records that SceneDeletionRefusal accepts.
void DeleteKnxScene(MutableBytes record, uint32_t scene, uint32_t partner, uint16_t sceneCount) {
    if (sceneCount <= scene)
        return;
    const auto sections = *ReadKnxSections(record);
    const size_t outputCount = sections.OutputCount();

    // Both tables are edited at their own offsets, which were checked to lie inside the main
    // part; a pair table whose offset is 0 is absent and holds nothing to edit.
    const size_t pairTable = *ReadU16(record, kPairTableOffset);
    const size_t pairsAt = pairTable + 2;
    const size_t outputsAt = size_t{*ReadU16(record, kOutputTableOffset)} + 2;
    const size_t pairCount = sections.PairCount();
    size_t kept = 0;
    for (size_t i = 0; i < pairCount; ++i) {
        const uint16_t listIndex = *ReadU16(record, pairsAt + 4 * i);
        const uint32_t output = *ReadU16(record, pairsAt + 4 * i + 2);
        if (output == scene || output == partner)
            continue;
        const uint32_t moved = output < scene ? output : output < partner ? output - 1 : output - 2;
        WriteU16(record, pairsAt + 4 * kept, listIndex);
        WriteU16(record, pairsAt + 4 * kept + 2, static_cast<uint16_t>(moved));
        ++kept;
    }
    if (pairTable != 0)
        WriteU16(record, pairTable, static_cast<uint16_t>(kept));

    size_t to = scene;
    for (size_t from = scene + 1; from < outputCount; ++from) {
        if (from == partner)
            continue;
        WriteU16(record, outputsAt + 2 * to, *ReadU16(record, outputsAt + 2 * from));
        ++to;
    }
    WriteU16(record, outputsAt - 2, static_cast<uint16_t>(outputCount - 2));
}

void DeleteEnOceanScene(MutableBytes record, uint32_t scene) {
    const size_t mainLength = *MainPartLength(record);
    const TrailingProbe trailing = ProbeTrailingBlock(record, mainLength);
    size_t end = mainLength + (trailing.block ? trailing.block->size() : 0);
    size_t entries = *ReadU16(record, kEntryCount);
    const size_t deviceOffset = *ReadU16(record, kDeviceBlockOffset);

    const uint32_t number = scene + 1;
    auto isScenePage = [&](size_t at) { return record[at + kEntryPage] <= 1; };
    size_t removed = 0;
    for (size_t e = 0; e < entries;) {
        const size_t at = kHeaderSize + kEntrySize * e;
        if (isScenePage(at) && *ReadU16(record, at + kEntryOutput) == number) {
            std::copy(record.begin() + static_cast<std::ptrdiff_t>(at + kEntrySize),
                      record.begin() + static_cast<std::ptrdiff_t>(end),
                      record.begin() + static_cast<std::ptrdiff_t>(at));
            end -= kEntrySize;
            --entries;
            ++removed;
        } else {
            ++e;
        }
    }
    for (size_t e = 0; e < entries; ++e) {
        const size_t at = kHeaderSize + kEntrySize * e;
        const uint16_t output = *ReadU16(record, at + kEntryOutput);
        if (isScenePage(at) && output > number) {
            WriteU16(record, at + kEntryOutput, static_cast<uint16_t>(output - 1));
        }
    }
    if (removed > 0) {
        WriteU16(record, kEntryCount, static_cast<uint16_t>(entries));
        WriteU16(record, kMainLength, static_cast<uint16_t>(mainLength - kEntrySize * removed));
        WriteU16(record, kDeviceBlockOffset,
                 static_cast<uint16_t>(deviceOffset - kEntrySize * removed));
    }
}

}  // namespace

std::string SceneDeletionRefusal(ConstBytes record, uint8_t sceneIndex, uint8_t sceneListByte6) {
    if (record.size() < kHeaderSize) {
        return "the record has " + std::to_string(record.size()) +
               " bytes, fewer than its 62-byte header";
    }
    const auto mainLength = MainPartLength(record);
    if (!mainLength) {
        return "main-part length " + std::to_string(*ReadU16(record, kMainLength)) +
               " does not fit the " + std::to_string(record.size()) + "-byte record";
    }
    if (*RecordBusMode(record) == BusMode::Knx) {
        const auto partnerOffset = static_cast<uint8_t>(sceneListByte6 + 1);
        return KnxRefusal(record, *mainLength, sceneIndex, partnerOffset);
    }
    return EnOceanRefusal(record, *mainLength);
}

bool DeleteSceneInPlace(MutableBytes record, uint8_t sceneIndex, uint8_t sceneListByte6,
                        uint16_t& sceneCount) {
    const bool knx = RecordBusMode(record) == BusMode::Knx;
    if (knx && MainPartLength(record))
        sceneCount = DeriveSceneCount(record);
    if (!SceneDeletionRefusal(record, sceneIndex, sceneListByte6).empty())
        return false;
    if (knx) {
        const auto partnerOffset = static_cast<uint8_t>(sceneListByte6 + 1);
        DeleteKnxScene(record, sceneIndex, sceneIndex + partnerOffset, sceneCount);
    } else {
        DeleteEnOceanScene(record, sceneIndex);
    }
    return true;
}

}  // namespace halvex
