#include "engine/record/RecordInspector.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

#include "engine/Codepage.h"
#include "engine/record/HostStructures.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"

namespace halvex {

using namespace layout;
using nlohmann::json;

namespace {

std::string Hex(ConstBytes bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::string Dotted(ConstBytes four) {
    return std::to_string(four[0]) + "." + std::to_string(four[1]) + "." + std::to_string(four[2]) +
           "." + std::to_string(four[3]);
}

std::string Ansi(ConstBytes field) {
    return Cp1252ToUtf8(FieldText(field.data(), field.size()));
}

std::string GroupAddressText(uint16_t g, bool threeLevel) {
    if (threeLevel) {
        return std::to_string(g >> 11) + "/" + std::to_string((g >> 8) & 7) + "/" +
               std::to_string(g & 0xFF);
    }
    return std::to_string(g >> 11) + "/" + std::to_string(g & 0x7FF);
}

const char* BusModeName(BusMode mode) {
    switch (mode) {
        case BusMode::Knx:
            return "knx";
        case BusMode::EnOcean:
            return "enocean";
        case BusMode::NetworkOnly:
            return "network-only";
    }
    return "unknown";
}

json Header(ConstBytes r, BusMode mode) {
    const uint8_t a = r[kFlagsA];
    const uint8_t b = r[kFlagsB];
    const uint16_t physical = *ReadU16(r, kPhysicalAddress);
    json h = {
        {"mainLength", *ReadU16(r, kMainLength)},
        {"deviceBlockOffset", *ReadU16(r, kDeviceBlockOffset)},
        {"physicalAddress", std::to_string(physical >> 12) + "." +
                                std::to_string((physical >> 8) & 15) + "." +
                                std::to_string(physical & 0xFF)},
        {"systemId", *ReadU16(r, kSystemId)},
        {"flagsA",
         {{"value", a},
          {"trailingBlock", (a & kFlagTrailingBlock) != 0},
          {"wlan", (a & kFlagWlan) != 0},
          {"masterSlave", (a & kFlagMasterSlave) != 0},
          {"slaveOut1", (a & kFlagSlaveOut1) != 0},
          {"slaveOut2", (a & kFlagSlaveOut2) != 0},
          {"softOnOff", (a & kFlagSoftOnOff) != 0}}},
        {"flagsB",
         {{"value", b},
          {"dhcp", (b & kFlagDhcp) != 0},
          {"pause", (b & kFlagPause) != 0},
          {"repeater", (b & kFlagRepeater) != 0},
          {"repeaterLevel2", (b & kFlagRepeaterLevel2) != 0},
          {"enOcean", (b & kFlagEnOcean) != 0},
          {"threeLevel", (b & kFlagThreeLevel) != 0},
          {"preview1", (b & kFlagPreview1) != 0},
          {"preview2", (b & kFlagPreview2) != 0}}},
        {"ipAddress", Dotted(r.subspan(kIpAddress, 4))},
        {"subnetMask", Dotted(r.subspan(kSubnetMask, 4))},
        {"defaultGateway", Dotted(r.subspan(kDefaultGateway, 4))},
        {"multicast", Dotted(r.subspan(kMulticast, 4))},
        {"deviceName", Ansi(r.subspan(kDeviceName, kDeviceNameSize))},
        {"wlanMarker", r[kWlanMarker]},
        {"reserved", Hex(r.subspan(kWlanMarker + 1, kHeaderSize - kWlanMarker - 1))},
    };
    if (mode == BusMode::Knx) {
        h["addressListOffset"] = *ReadU16(r, kAddressListOffset);
        h["pairTableOffset"] = *ReadU16(r, kPairTableOffset);
        h["outputTableOffset"] = *ReadU16(r, kOutputTableOffset);
    } else {
        h["entryCount"] = *ReadU16(r, kEntryCount);
    }
    return h;
}

// Device block (and, on KNX/WLAN, its WLAN settings) when it lies inside the main part.
void DeviceBlock(ConstBytes r, const RecordCheck& check, BusMode mode, json& out) {
    const uint16_t offset = *ReadU16(r, kDeviceBlockOffset);
    if (offset == 0 || !check.deviceBlockOk || !check.headerOk)
        return;
    const ConstBytes block = r.subspan(offset, kDeviceBlockSize);
    const uint16_t count = *ReadU16(block, 0);
    const ConstBytes table = block.subspan(2, kDeviceTableSize);
    json devices = json::array();
    for (size_t i = 0; i < count; ++i) {
        devices.push_back({{"index", i},
                           {"name", Cp1252ToUtf8(DeviceName(table, i))},
                           {"kind", table[i * kDeviceEntrySize + kDeviceEntryKind]},
                           {"outputType", DeviceOutputType(table, i)}});
    }
    out["deviceBlock"] = {{"offset", offset}, {"deviceCount", count}, {"devices", devices}};
    if (mode != BusMode::Knx)
        return;
    const ConstBytes wlan = block.subspan(2 + kDeviceTableSize, kWlanSize);
    static constexpr const char* kEncryption[] = {"none", "WEP", "WPA2", "WPS"};
    json keys = json::array();
    for (size_t k = 0; k < 4; ++k)
        keys.push_back(wlan[kWlanWepKey1 + k * kWlanWepKeySize] != 0);
    // Keys and pass phrase are secrets: the description says whether they are set.
    out["wlan"] = {
        {"valid", (r[kWlanMarker] & 0x01) == 0},
        {"encryption", wlan[kWlanEncryption] < 4 ? json(kEncryption[wlan[kWlanEncryption]])
                                                 : json(wlan[kWlanEncryption])},
        {"ssid", Ansi(wlan.subspan(kWlanSsid, kWlanSsidSize))},
        {"wepKeysSet", keys},
        {"passPhraseSet", wlan[kWlanPassPhrase] != 0},
    };
}

struct PageRange {
    const char* page;
    uint32_t first, count;
};

// Output index -> page and position on it, from the layout of the current format.
std::vector<PageRange> PageRanges(uint32_t scenes, uint32_t devices, bool earlier) {
    const uint32_t dimmer = earlier ? kDmxChannels : kDimmerOutputs;
    const uint32_t d1 = 2 * scenes + 2 * dimmer;
    std::vector<PageRange> ranges = {{"Scene Out 1", 0, scenes},
                                     {"Scene Out 2", scenes, scenes},
                                     {"Dimmer Out 1", 2 * scenes, dimmer},
                                     {"Dimmer Out 2", 2 * scenes + dimmer, dimmer}};
    if (!earlier) {
        ranges.push_back({"Device 1", d1, devices});
        ranges.push_back({"Device 2", d1 + devices, devices});
    }
    return ranges;
}

void Resolve(const std::vector<PageRange>& ranges, uint32_t output, bool earlier, json& pair) {
    for (const PageRange& range : ranges) {
        if (output < range.first || output - range.first >= range.count)
            continue;
        const uint32_t position = output - range.first;
        pair["page"] = range.page;
        pair["output"] = position + 1;
        if (std::string_view(range.page).starts_with("Dimmer") && !earlier) {
            static constexpr const char* kKinds[] = {"1bit", "4bit", "1byte"};
            pair["outputName"] =
                std::string(kKinds[position % 3]) + " DMX Ch. " + std::to_string(position / 3 + 1);
        }
        return;
    }
    pair["page"] = nullptr;
}

void KnxContent(ConstBytes r, const RecordCheck& check, json& out) {
    const bool threeLevel = (r[kFlagsB] & kFlagThreeLevel) != 0;
    const auto sections = ReadKnxSections(r);
    if (!sections)
        return;
    const uint16_t scenes = SceneCountFromOutputs(sections->outputs);
    const bool earlier =
        sections->OutputCount() > 0 && sections->OutputCount() < kCurrentFormatOutputs;
    out["sceneCount"] = scenes;
    out["format"] = sections->OutputCount() == 0 ? "no output table"
                    : earlier                    ? "earlier"
                                                 : "current";

    json addresses = json::array();
    for (size_t i = 0; i < sections->AddressCount(); ++i) {
        const uint16_t g = sections->AddressAt(i);
        addresses.push_back(
            {{"position", i + 1}, {"value", g}, {"address", GroupAddressText(g, threeLevel)}});
    }
    out["groupAddresses"] = addresses;

    uint32_t devices = 0;
    if (check.deviceBlockOk && *ReadU16(r, kDeviceBlockOffset) != 0) {
        devices = *ReadU16(r, *ReadU16(r, kDeviceBlockOffset));
    }
    const auto ranges = PageRanges(scenes, devices, earlier);
    json pairs = json::array();
    for (size_t i = 0; i < sections->PairCount(); ++i) {
        const uint16_t listIndex = sections->PairListIndex(i);
        const uint16_t output = sections->PairOutput(i);
        json pair = {{"listIndex", listIndex}, {"outputIndex", output}};
        const auto g = sections->AddressAtPosition(listIndex);
        pair["address"] = g ? json(GroupAddressText(*g, threeLevel)) : json(nullptr);
        Resolve(ranges, output, earlier, pair);
        pairs.push_back(pair);
    }
    out["pairs"] = pairs;

    json pages = json::array();
    size_t assigned = 0;
    std::array<size_t, 16> types{};
    for (size_t i = 0; i < sections->OutputCount(); ++i) {
        const uint16_t code = sections->OutputCode(i);
        assigned += (code & kOutputAssigned) ? 1 : 0;
        ++types[code & 0x0F];
    }
    for (const PageRange& range : ranges) {
        size_t onPage = 0;
        const size_t end = std::min<size_t>(range.first + range.count, sections->OutputCount());
        for (size_t i = range.first; i < end; ++i) {
            onPage += (sections->OutputCode(i) & kOutputAssigned) ? 1 : 0;
        }
        pages.push_back({{"page", range.page},
                         {"first", range.first},
                         {"count", range.count},
                         {"assigned", onPage}});
    }
    json typeCounts = json::object();
    for (size_t t = 0; t < types.size(); ++t) {
        if (types[t])
            typeCounts[std::to_string(t)] = types[t];
    }
    out["outputs"] = {{"count", sections->OutputCount()},
                      {"assigned", assigned},
                      {"pages", pages},
                      {"types", typeCounts}};

    if (const auto names = ReadNameBlock(r)) {
        auto list = [](const std::vector<NameEntry>& entries) {
            json items = json::array();
            for (const NameEntry& e : entries) {
                items.push_back({{"number", e.number},
                                 {"itemData", e.itemData},
                                 {"label", Cp1252ToUtf8(e.label)}});
            }
            return items;
        };
        json block = {{"mains", list(names->mains)}, {"groups", list(names->groups)}};
        if (threeLevel)
            block["middles"] = list(names->middles);
        out["nameBlock"] = block;
    }
}

void EnOceanContent(ConstBytes r, json& out) {
    const size_t mainLength = *MainPartLength(r);
    const uint16_t count = *ReadU16(r, kEntryCount);
    std::vector<uint8_t> table(kRowSize * kMaxRows);
    const uint16_t rows = ReadTransmitterTable(
        r, std::span<uint8_t, kRowSize * kMaxRows>(table.data(), table.size()));
    json transmitters = json::array();
    for (size_t k = 0; k < rows; ++k) {
        const ConstBytes row = ConstBytes(table).subspan(k * kRowSize, kRowSize);
        transmitters.push_back({{"row", k},
                                {"label", TransmitterLabel(row)},
                                {"org", row[kRowOrg]},
                                {"status", row[kRowStatus]},
                                {"data", *ReadU32(row, kRowData)},
                                {"id", *ReadU32(row, kRowId)}});
    }
    out["transmitters"] = transmitters;
    json entries = json::array();
    if (kHeaderSize + size_t{count} * kEntrySize <= mainLength) {
        for (size_t e = 0; e < count; ++e) {
            const ConstBytes entry = r.subspan(kHeaderSize + e * kEntrySize, kEntrySize);
            json matches = json::array();
            for (size_t k = 0; k < rows; ++k) {
                const ConstBytes row = ConstBytes(table).subspan(k * kRowSize, kRowSize);
                if (row[kRowOrg] == entry[kEntryOrg] &&
                    ReadU32(row, kRowData) == ReadU32(entry, kEntryData) &&
                    ReadU32(row, kRowId) == ReadU32(entry, kEntryId)) {
                    matches.push_back(k);
                }
            }
            entries.push_back({{"id", *ReadU32(entry, kEntryId)},
                               {"data", *ReadU32(entry, kEntryData)},
                               {"org", entry[kEntryOrg]},
                               {"page", entry[kEntryPage]},
                               {"output", *ReadU16(entry, kEntryOutput)},
                               {"rows", matches}});
        }
    }
    out["entries"] = entries;
}

json Describe(ConstBytes r) {
    const RecordCheck check = CheckRecord(r);
    json out = {{"size", r.size()}};
    const auto stored = StoredRecordSize(r);
    out["storedSize"] = stored ? json(*stored) : json(nullptr);
    out["damaged"] = check.Damaged();
    out["parts"] = {{"header", check.headerOk},
                    {"sections", check.sectionsOk},
                    {"deviceBlock", check.deviceBlockOk},
                    {"trailingBlock", check.trailingOk},
                    {"references", check.referencesOk}};
    out["problems"] = check.problems;
    if (r.size() < kHeaderSize)
        return out;
    const BusMode mode = BusModeOf(r[kFlagsA], r[kFlagsB]);
    out["busMode"] = BusModeName(mode);
    out["header"] = Header(r, mode);
    if (!check.headerOk)
        return out;
    DeviceBlock(r, check, mode, out);
    if (mode == BusMode::Knx) {
        KnxContent(r, check, out);
    } else if (mode == BusMode::EnOcean) {
        EnOceanContent(r, out);
    }
    return out;
}

// Texts come from the record: escaped, so that none can forge a line or reach the terminal raw.
std::string Line(const json& v) {
    return v.is_string() ? EscapeControls(v.get<std::string>()) : v.dump();
}

}  // namespace

std::string DescribeRecordJson(ConstBytes record) {
    return Describe(record).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string DescribeRecordText(ConstBytes record) {
    const json d = Describe(record);
    std::string t = "Scene record: " + Line(d["size"]) + " bytes";
    t += d["storedSize"].is_null() ? " (stored size unknown)\n"
                                   : " (stored size " + Line(d["storedSize"]) + ")\n";
    if (d.contains("header")) {
        const json& h = d["header"];
        t += "Bus mode: " + Line(d["busMode"]) +
             (h["flagsA"]["wlan"].get<bool>() ? ", WLAN gateway" : "") +
             (h["flagsA"]["masterSlave"].get<bool>() ? ", master/slave" : "") + "\n";
        t += "Main part: " + Line(h["mainLength"]) + " bytes, device block at " +
             Line(h["deviceBlockOffset"]);
        if (h.contains("pairTableOffset")) {
            t += ", group-address list at " + Line(h["addressListOffset"]) + ", pairs at " +
                 Line(h["pairTableOffset"]) + ", outputs at " + Line(h["outputTableOffset"]);
        } else {
            t += ", " + Line(h["entryCount"]) + " transmitter entries";
        }
        t += "\nGateway: " + Line(h["ipAddress"]) + " mask " + Line(h["subnetMask"]) + " gateway " +
             Line(h["defaultGateway"]) + " multicast " + Line(h["multicast"]) + ", name \"" +
             Line(h["deviceName"]) + "\", physical address " + Line(h["physicalAddress"]) +
             ", system ID " + Line(h["systemId"]) + "\n";
        for (const char* flags : {"flagsA", "flagsB"}) {
            t += std::string(flags == std::string_view("flagsA") ? "Flags A:" : "Flags B:");
            for (const auto& [name, value] : h[flags].items()) {
                if (name != "value" && value.get<bool>())
                    t += " " + name;
            }
            t += "\n";
        }
    }
    if (d.contains("sceneCount")) {
        t += "Scenes per scene page: " + Line(d["sceneCount"]) + " (" + Line(d["format"]) + ")\n";
        t += "Group addresses: " + std::to_string(d["groupAddresses"].size()) + "\n";
        t += "Assignments: " + std::to_string(d["pairs"].size()) + "\n";
        for (const json& pair : d["pairs"]) {
            t += "  " + (pair["address"].is_null() ? "(no address)" : Line(pair["address"])) +
                 " -> ";
            t += pair["page"].is_null() ? "output " + Line(pair["outputIndex"]) + " (no page)"
                                        : Line(pair["page"]) + " output " + Line(pair["output"]);
            t += "\n";
        }
        t += "Outputs: " + Line(d["outputs"]["count"]) + " (" + Line(d["outputs"]["assigned"]) +
             " with assignments)\n";
    }
    if (d.contains("entries")) {
        t += "Transmitter entries: " + std::to_string(d["entries"].size()) +
             ", transmitters: " + std::to_string(d["transmitters"].size()) + "\n";
        for (const json& row : d["transmitters"])
            t += "  " + Line(row["row"]) + ": " + Line(row["label"]) + "\n";
    }
    if (d.contains("deviceBlock"))
        t += "Devices: " + Line(d["deviceBlock"]["deviceCount"]) + "\n";
    if (d.contains("wlan")) {
        t += "WLAN: " + Line(d["wlan"]["encryption"]) + ", SSID \"" + Line(d["wlan"]["ssid"]) +
             "\"" + (d["wlan"]["valid"].get<bool>() ? "" : " (not marked valid)") + "\n";
    }
    if (d.contains("nameBlock")) {
        const json& n = d["nameBlock"];
        t += "Names: " + std::to_string(n["mains"].size()) + " main groups, " +
             (n.contains("middles") ? std::to_string(n["middles"].size()) + " middle groups, "
                                    : "") +
             std::to_string(n["groups"].size()) + " group addresses\n";
    }
    if (d["problems"].empty()) {
        t += "No problems found.\n";
    } else {
        t += d["damaged"].get<bool>() ? "DAMAGED:\n" : "Problems:\n";
        for (const json& p : d["problems"])
            t += "  - " + Line(p) + "\n";
    }
    return t;
}

}  // namespace halvex
