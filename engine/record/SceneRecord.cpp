#include "engine/record/SceneRecord.h"

#include <algorithm>
#include <cstdio>

#include "engine/Codepage.h"

namespace halvex {

using namespace layout;

BusMode BusModeOf(uint8_t flagsA, uint8_t flagsB) {
    if ((flagsB & kFlagEnOcean) == 0)
        return BusMode::Knx;
    return (flagsA & kFlagWlan) ? BusMode::NetworkOnly : BusMode::EnOcean;
}

std::optional<BusMode> RecordBusMode(ConstBytes record) {
    if (record.size() < kHeaderSize)
        return std::nullopt;
    return BusModeOf(record[kFlagsA], record[kFlagsB]);
}

std::vector<uint8_t> NewRecord(BusType type) {
    struct Flags {
        uint8_t a, b, marker;
    };
    static constexpr Flags kByType[] = {
        {0x00, kFlagThreeLevel, 0x00},
        {kFlagMasterSlave, kFlagThreeLevel, 0x00},
        {0x00, kFlagEnOcean, 0x00},
        {kFlagWlan, kFlagThreeLevel, 0xFE},
        {kFlagWlan | kFlagMasterSlave, kFlagThreeLevel, 0xFE},
    };
    const auto index = static_cast<size_t>(type);
    const Flags flags = index < std::size(kByType) ? kByType[index] : kByType[0];

    std::vector<uint8_t> record(kHeaderSize, 0);
    WriteU16(record, kMainLength, static_cast<uint16_t>(kHeaderSize));
    WriteU16(record, kPhysicalAddress, 0xFFFF);
    record[kFlagsA] = flags.a;
    record[kFlagsB] = flags.b;
    constexpr uint8_t kAddresses[16] = {192, 168, 1, 223, 255, 255, 255, 0,
                                        192, 168, 1, 1,   224, 0,   23,  12};
    WriteBytes(record, kIpAddress, kAddresses);
    record[kWlanMarker] = flags.marker;
    return record;
}

std::optional<size_t> MainPartLength(ConstBytes record) {
    const auto length = ReadU16(record, kMainLength);
    if (!length || record.size() < kHeaderSize || *length < kHeaderSize ||
        *length > record.size()) {
        return std::nullopt;
    }
    return *length;
}

TrailingProbe ProbeTrailingBlock(ConstBytes record, size_t mainLength) {
    TrailingProbe probe;
    probe.present = (record[kFlagsA] & kFlagTrailingBlock) != 0;
    if (!probe.present)
        return probe;
    const auto length = ReadU32(record, mainLength);
    if (!length) {
        probe.problem = "trailing block flag is set but its length field lies past the end";
    } else if (*length < 4) {
        probe.problem = "trailing block length " + std::to_string(*length) + " is below 4";
    } else if (!InBounds(record.size(), mainLength, *length)) {
        probe.problem = "trailing block length " + std::to_string(*length) + " at offset " +
                        std::to_string(mainLength) + " runs past the end of the record (" +
                        std::to_string(record.size()) + " bytes)";
    } else {
        probe.block = record.subspan(mainLength, *length);
    }
    return probe;
}

std::optional<size_t> StoredRecordSize(ConstBytes available) {
    const auto mainLength = MainPartLength(available);
    if (!mainLength)
        return std::nullopt;
    const TrailingProbe trailing = ProbeTrailingBlock(available, *mainLength);
    if (!trailing.present)
        return *mainLength;
    if (!trailing.block)
        return std::nullopt;
    return *mainLength + trailing.block->size();
}

std::optional<size_t> ClaimedRecordSize(const uint8_t* record) {
    if (record == nullptr)
        return std::nullopt;
    const ConstBytes header(record, kHeaderSize);
    const size_t mainLength = *ReadU16(header, kMainLength);
    if (mainLength < kHeaderSize)
        return std::nullopt;
    if ((header[kFlagsA] & kFlagTrailingBlock) == 0)
        return mainLength;
    const uint32_t trailing = *ReadU32(ConstBytes(record + mainLength, 4), 0);
    if (trailing < 4 || trailing > kMaxClaimedRecordSize - mainLength)
        return std::nullopt;
    return mainLength + trailing;
}

SectionProbe ProbeSection(ConstBytes record, size_t mainLength, size_t headerField, size_t width,
                          const char* name) {
    SectionProbe probe;
    const uint16_t offset = *ReadU16(record, headerField);
    probe.present = offset != 0;
    if (!probe.present)
        return probe;
    const std::string where = std::string(name) + " at offset " + std::to_string(offset);
    const ConstBytes main = record.first(mainLength);
    const auto count = ReadU16(main, offset);
    if (offset < kHeaderSize) {
        probe.problem = where + " overlaps the header";
    } else if (!count) {
        probe.problem =
            where + " starts past the main part (" + std::to_string(mainLength) + " bytes)";
    } else if (const auto body = Slice(main, size_t{offset} + 2, size_t{*count} * width)) {
        probe.body = *body;
    } else {
        probe.problem = where + ": " + std::to_string(*count) +
                        " entries run past the main part (" + std::to_string(mainLength) +
                        " bytes)";
    }
    return probe;
}

namespace {

void CheckKnxReferences(const KnxSections& sections, RecordCheck& check) {
    size_t badList = 0, badOutput = 0, outOfOrder = 0;
    std::string firstList, firstOutput;
    for (size_t i = 0; i < sections.PairCount(); ++i) {
        const uint16_t listIndex = sections.PairListIndex(i);
        const uint16_t output = sections.PairOutput(i);
        if (!sections.AddressAtPosition(listIndex) && badList++ == 0) {
            firstList = "pair " + std::to_string(i) + " -> position " + std::to_string(listIndex);
        }
        if (output >= sections.OutputCount() && badOutput++ == 0) {
            firstOutput = "pair " + std::to_string(i) + " -> output " + std::to_string(output);
        }
        if (i > 0 && output < sections.PairOutput(i - 1))
            ++outOfOrder;
    }
    if (badList) {
        check.problems.push_back(std::to_string(badList) +
                                 " pair(s) refer to a position outside the group-address list of " +
                                 std::to_string(sections.AddressCount()) + " (first: " + firstList +
                                 "); they are not shown");
    }
    if (badOutput) {
        check.problems.push_back(std::to_string(badOutput) +
                                 " pair(s) refer to an output past the output table of " +
                                 std::to_string(sections.OutputCount()) +
                                 " (first: " + firstOutput + "); they are not shown");
    }
    if (outOfOrder) {
        check.problems.push_back(std::to_string(outOfOrder) +
                                 " pair(s) are out of output order; dimmer and device pages skip "
                                 "them");
    }
    check.referencesOk = badList == 0 && badOutput == 0 && outOfOrder == 0;
}

void CheckDeviceBlock(ConstBytes record, size_t mainLength, size_t firstFree, RecordCheck& check) {
    const uint16_t offset = *ReadU16(record, kDeviceBlockOffset);
    if (offset == 0)
        return;
    const std::string where = "device block at offset " + std::to_string(offset);
    if (offset < firstFree) {
        check.problems.push_back(where + " overlaps the header or the entries before it");
        check.deviceBlockOk = false;
    } else if (!InBounds(mainLength, offset, kDeviceBlockSize)) {
        check.problems.push_back(where + " needs " + std::to_string(kDeviceBlockSize) +
                                 " bytes but the main part ends at " + std::to_string(mainLength));
        check.deviceBlockOk = false;
    } else if (const uint16_t devices = *ReadU16(record, offset); devices > kMaxDevices) {
        check.problems.push_back(where + " claims " + std::to_string(devices) +
                                 " devices, more than the table's " + std::to_string(kMaxDevices));
        check.deviceBlockOk = false;
    }
}

}  // namespace

RecordCheck CheckRecord(ConstBytes record) {
    RecordCheck check;
    if (record.size() < kHeaderSize) {
        check.problems.push_back("record has " + std::to_string(record.size()) +
                                 " bytes, fewer than the 62-byte header");
        check.headerOk = check.sectionsOk = check.deviceBlockOk = check.trailingOk = false;
        return check;
    }
    const uint16_t storedLength = *ReadU16(record, kMainLength);
    const auto mainLength = MainPartLength(record);
    if (!mainLength) {
        check.problems.push_back(storedLength < kHeaderSize
                                     ? "main-part length " + std::to_string(storedLength) +
                                           " is shorter than the header"
                                     : "main-part length " + std::to_string(storedLength) +
                                           " runs past the end of the record (" +
                                           std::to_string(record.size()) + " bytes)");
        check.headerOk = check.sectionsOk = check.deviceBlockOk = check.trailingOk = false;
        return check;
    }
    const BusMode mode = BusModeOf(record[kFlagsA], record[kFlagsB]);
    if (mode == BusMode::Knx) {
        const SectionProbe probes[] = {
            ProbeSection(record, *mainLength, kAddressListOffset, 2, "group-address list"),
            ProbeSection(record, *mainLength, kPairTableOffset, 4, "pair table"),
            ProbeSection(record, *mainLength, kOutputTableOffset, 2, "output table")};
        for (const SectionProbe& probe : probes) {
            if (probe.Usable())
                continue;
            check.problems.push_back(probe.problem);
            check.sectionsOk = false;
        }
        if (const auto sections = ReadKnxSections(record)) {
            if (sections->hasAssignments)
                CheckKnxReferences(*sections, check);
        }
        CheckDeviceBlock(record, *mainLength, kHeaderSize, check);
    } else {
        const uint16_t entries = *ReadU16(record, kEntryCount);
        const size_t entriesEnd = kHeaderSize + size_t{entries} * kEntrySize;
        if (entriesEnd > *mainLength) {
            check.problems.push_back(std::to_string(entries) +
                                     " transmitter entries run past the main part (" +
                                     std::to_string(*mainLength) + " bytes)");
            check.sectionsOk = false;
        }
        CheckDeviceBlock(record, *mainLength, std::min(entriesEnd, *mainLength), check);
        if (entries > 0 && *ReadU16(record, kDeviceBlockOffset) == 0) {
            check.problems.push_back("transmitter entries exist but the device block offset is 0");
            check.deviceBlockOk = false;
        }
    }

    const TrailingProbe trailing = ProbeTrailingBlock(record, *mainLength);
    if (trailing.present && !trailing.block) {
        check.problems.push_back(trailing.problem);
        check.trailingOk = false;
    } else if (trailing.block && mode == BusMode::Knx) {
        const NameBlockParse names =
            ParseNameBlock(*trailing.block, (record[kFlagsB] & kFlagThreeLevel) != 0);
        if (!names.block) {
            check.problems.push_back(names.problem);
            check.trailingOk = false;
        } else if (trailing.block->size() - names.end != 6) {
            check.problems.push_back("name block has " +
                                     std::to_string(trailing.block->size() - names.end) +
                                     " bytes behind its entries instead of 6 padding bytes");
        }
    } else if (trailing.block && mode == BusMode::EnOcean) {
        const size_t body = trailing.block->size() - 4;
        if (body % kRowSize != 0) {
            check.problems.push_back("transmitter table has " + std::to_string(body % kRowSize) +
                                     " bytes beyond its last whole row; they are ignored");
        }
        if (body / kRowSize > kMaxRows) {
            check.problems.push_back("transmitter table holds " + std::to_string(body / kRowSize) +
                                     " rows; only the first 1000 are read");
        }
    }
    return check;
}

uint16_t KnxSections::AddressAt(size_t i) const {
    return *ReadU16(addresses, 2 * i);
}
uint16_t KnxSections::PairListIndex(size_t i) const {
    return *ReadU16(pairs, 4 * i);
}
uint16_t KnxSections::PairOutput(size_t i) const {
    return *ReadU16(pairs, 4 * i + 2);
}
uint16_t KnxSections::OutputCode(size_t i) const {
    return *ReadU16(outputs, 2 * i);
}

std::optional<uint16_t> KnxSections::AddressAtPosition(uint16_t listIndex) const {
    if (listIndex == 0 || listIndex > AddressCount())
        return std::nullopt;
    return AddressAt(listIndex - 1u);
}

std::optional<KnxSections> ReadKnxSections(ConstBytes record) {
    const auto mainLength = MainPartLength(record);
    if (!mainLength || BusModeOf(record[kFlagsA], record[kFlagsB]) != BusMode::Knx) {
        return std::nullopt;
    }
    const SectionProbe list = ProbeSection(record, *mainLength, kAddressListOffset, 2, "");
    const SectionProbe pairs = ProbeSection(record, *mainLength, kPairTableOffset, 4, "");
    const SectionProbe outputs = ProbeSection(record, *mainLength, kOutputTableOffset, 2, "");
    if (!list.Usable() || !pairs.Usable() || !outputs.Usable())
        return std::nullopt;
    KnxSections sections;
    sections.addresses = list.body.value_or(ConstBytes{});
    sections.pairs = pairs.body.value_or(ConstBytes{});
    sections.outputs = outputs.body.value_or(ConstBytes{});
    sections.hasAssignments = list.present && pairs.present;
    return sections;
}

std::optional<ConstBytes> ReadOutputTable(ConstBytes record) {
    const auto mainLength = MainPartLength(record);
    if (!mainLength || BusModeOf(record[kFlagsA], record[kFlagsB]) != BusMode::Knx) {
        return std::nullopt;
    }
    SectionProbe outputs = ProbeSection(record, *mainLength, kOutputTableOffset, 2, "");
    if (!outputs.Usable())
        return std::nullopt;
    return outputs.body.value_or(ConstBytes{});
}

uint16_t SceneCountFromOutputs(ConstBytes outputs) {
    const size_t count = outputs.size() / 2;
    size_t run = 0;
    while (run < count && (*ReadU16(outputs, 2 * run) & kOutputRunMask) == kOutputBase)
        ++run;
    if (count >= kCurrentFormatOutputs)
        return static_cast<uint16_t>(run == 0 ? 0 : (run - 1) / 2);
    return static_cast<uint16_t>(run / 2);
}

uint16_t DeriveSceneCount(ConstBytes record) {
    const auto outputs = ReadOutputTable(record);
    return outputs ? SceneCountFromOutputs(*outputs) : 0;
}

KnxReadResult ReadKnxRecord(MutableBytes record, std::span<uint8_t, kWlanSize> wlan) {
    KnxReadResult result;
    const auto outputs = ReadOutputTable(record);
    if (!outputs)
        return result;
    result.sceneCount = SceneCountFromOutputs(*outputs);
    const size_t outputCount = outputs->size() / 2;
    if (outputCount >= kCurrentFormatOutputs) {
        if ((record[kWlanMarker] & 0x01) == 0) {
            const size_t mainLength = *MainPartLength(record);
            if (mainLength >= kHeaderSize + kWlanSize) {
                std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(mainLength - kWlanSize),
                            kWlanSize, wlan.begin());
                result.wlanLoaded = true;
            }
        }
        return result;
    }
    if (outputs->empty())
        return result;
    result.earlierFormat = true;
    const auto sections = ReadKnxSections(record);
    if (!sections)
        return result;
    // Earlier records had one output per DMX channel; point each channel's pairs at the
    // 1-byte output, the third of the channel's three outputs today.
    const uint32_t firstDimmer = 2u * result.sceneCount;
    const auto pairStart = static_cast<size_t>(sections->pairs.data() - record.data());
    for (size_t i = 0; i < sections->PairCount(); ++i) {
        const uint32_t output = sections->PairOutput(i);
        if (output < firstDimmer)
            continue;
        const auto converted = static_cast<uint16_t>((output - firstDimmer) * 3 + firstDimmer + 2);
        WriteU16(record, pairStart + 4 * i + 2, converted);
    }
    return result;
}

NameBlockParse ParseNameBlock(ConstBytes block, bool threeLevel) {
    NameBlockParse parse;
    size_t pos = 4;
    const size_t end = block.size();
    auto readGroup = [&](std::vector<NameEntry>& out, const char* what, bool zeroMeansFull) {
        const auto stored = ReadU16(block, pos);
        if (!stored) {
            parse.problem = std::string("name block: ") + what + " count lies past the block";
            return false;
        }
        pos += 2;
        size_t count = *stored;
        // 65536 group addresses do not fit the u16 count, which then reads 0; the entries
        // that follow it tell the two cases apart.
        if (zeroMeansFull && count == 0 && end - pos > 6)
            count = 65536;
        out.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const auto number = ReadU16(block, pos);
            const auto data = ReadU32(block, pos + 2);
            if (!number || !data) {
                parse.problem = std::string("name block: ") + what + " entry " + std::to_string(i) +
                                " lies past the block";
                return false;
            }
            const size_t text = pos + 6;
            const auto nul = std::find(block.begin() + static_cast<std::ptrdiff_t>(text),
                                       block.end(), uint8_t{0});
            if (nul == block.end()) {
                parse.problem = std::string("name block: ") + what + " entry " + std::to_string(i) +
                                " has no terminating NUL inside the block";
                return false;
            }
            const auto textEnd = static_cast<size_t>(nul - block.begin());
            out.push_back(
                {*number, *data,
                 std::string(reinterpret_cast<const char*>(block.data() + text), textEnd - text)});
            pos = textEnd + 1;
        }
        return true;
    };
    NameBlock names;
    if (!readGroup(names.mains, "main-group", false))
        return parse;
    if (threeLevel && !readGroup(names.middles, "middle-group", false))
        return parse;
    if (!readGroup(names.groups, "group-address", true))
        return parse;
    parse.block = std::move(names);
    parse.end = pos;
    return parse;
}

std::optional<NameBlock> ReadNameBlock(ConstBytes record) {
    const auto mainLength = MainPartLength(record);
    if (!mainLength || BusModeOf(record[kFlagsA], record[kFlagsB]) != BusMode::Knx) {
        return std::nullopt;
    }
    const TrailingProbe trailing = ProbeTrailingBlock(record, *mainLength);
    if (!trailing.block)
        return std::nullopt;
    return ParseNameBlock(*trailing.block, (record[kFlagsB] & kFlagThreeLevel) != 0).block;
}

uint16_t ReadTransmitterTable(ConstBytes record, std::span<uint8_t, kRowSize * kMaxRows> table) {
    std::fill(table.begin(), table.end(), uint8_t{0});
    const auto mainLength = MainPartLength(record);
    if (!mainLength || BusModeOf(record[kFlagsA], record[kFlagsB]) != BusMode::EnOcean)
        return 0;
    const TrailingProbe trailing = ProbeTrailingBlock(record, *mainLength);
    if (!trailing.block)
        return 0;
    const size_t rows = std::min((trailing.block->size() - 4) / kRowSize, kMaxRows);
    std::copy_n(trailing.block->begin() + 4, rows * kRowSize, table.begin());
    return static_cast<uint16_t>(rows);
}

std::string TransmitterLabel(ConstBytes row70) {
    if (row70.size() < kRowSize)
        return {};
    if (row70[kRowName] != 0) {
        return DecodeUtf8OrCp1252(FieldText(row70.data() + kRowName, kRowNameSize));
    }
    char text[96];
    std::snprintf(
        text, sizeof text, "ID:0x%x ORG:0x%x Data:0x%x Status:0x%x",
        static_cast<unsigned>(*ReadU32(row70, kRowId)), static_cast<unsigned>(row70[kRowOrg]),
        static_cast<unsigned>(*ReadU32(row70, kRowData)), static_cast<unsigned>(row70[kRowStatus]));
    return text;
}

}  // namespace halvex
