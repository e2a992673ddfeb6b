#include "support/RecordBuilder.h"

#include <algorithm>
#include <cstring>

namespace halvex::test {
namespace {

void Set16(std::vector<uint8_t>& b, size_t at, size_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

std::vector<uint8_t> Header(uint8_t flagsA, uint8_t flagsB) {
    std::vector<uint8_t> h(62, 0);
    h[10] = 0xFF, h[11] = 0xFF;
    h[14] = flagsA, h[15] = flagsB;
    const uint8_t addresses[16] = {192, 168, 1, 223, 255, 255, 255, 0,
                                   192, 168, 1, 1,   224, 0,   23,  12};
    std::memcpy(h.data() + 16, addresses, 16);
    return h;
}

// Device count, the 12288-byte device table and the 154 bytes of WlanSettings; then the main
// part's length at offset 0.
void DeviceBlock(std::vector<uint8_t>& r, uint16_t count, std::vector<uint8_t> table) {
    Set16(r, 8, r.size());
    PutU16(r, count);
    table.resize(12288, 0);
    r.insert(r.end(), table.begin(), table.end());
    r.insert(r.end(), 154, 0);
    Set16(r, 0, r.size());
}

void Entries(std::vector<uint8_t>& b, const std::vector<Name>& names) {
    PutU16(b, static_cast<uint16_t>(names.size()));
    for (const Name& n : names) {
        PutU16(b, n.number);
        PutU32(b, n.data);
        b.insert(b.end(), n.label.begin(), n.label.end());
        b.push_back(0);
    }
}

}  // namespace

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> MakeSceneList(const std::vector<std::string>& names) {
    std::vector<uint8_t> list(7, 0);
    list[6] = static_cast<uint8_t>(names.size());
    for (const std::string& name : names) {
        const size_t block = list.size();
        list.resize(block + 20, 0);
        Set16(list, block, 20);
        Set16(list, block + 3, block + 20);
        std::memcpy(list.data() + block + 5, name.data(), std::min<size_t>(name.size(), 15));
    }
    list.push_back(0);
    return list;
}

std::vector<uint8_t> MakeDeviceTable(const std::vector<Device>& devices) {
    std::vector<uint8_t> table(12288, 0);
    for (size_t i = 0; i < devices.size(); ++i) {
        std::memcpy(table.data() + 24 * i, devices[i].name.data(),
                    std::min<size_t>(devices[i].name.size(), 20));
        table[24 * i + 20] = devices[i].kind;
    }
    return table;
}

std::vector<uint8_t> BuildKnxRecord(const KnxRecordPlan& plan) {
    std::vector<uint8_t> r = Header(plan.flagsA, plan.flagsB);
    std::vector<uint16_t> list;
    for (const Pair& p : plan.pairs)
        list.push_back(p.address);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    Set16(r, 2, 62);
    PutU16(r, static_cast<uint16_t>(list.size()));
    for (uint16_t a : list)
        PutU16(r, a);
    Set16(r, 4, r.size());
    PutU16(r, static_cast<uint16_t>(plan.pairs.size()));
    for (const Pair& p : plan.pairs) {
        const auto at = std::find(list.begin(), list.end(), p.address) - list.begin();
        PutU16(r, static_cast<uint16_t>(at + 1));
        PutU16(r, p.output);
    }
    Set16(r, 6, r.size());
    std::vector<uint8_t> types;
    for (int page = 0; page < 2; ++page)
        types.insert(types.end(), plan.scenes, 0);
    for (int page = 0; page < 2; ++page) {
        for (int ch = 0; ch < 512; ++ch)
            types.insert(types.end(), {0, 3, 7});
    }
    for (int page = 0; page < 2; ++page) {
        types.insert(types.end(), plan.deviceTypes.begin(), plan.deviceTypes.end());
    }
    PutU16(r, static_cast<uint16_t>(types.size()));
    for (size_t i = 0; i < types.size(); ++i) {
        const bool used = std::any_of(plan.pairs.begin(), plan.pairs.end(),
                                      [i](const Pair& p) { return p.output == i; });
        PutU16(r, static_cast<uint16_t>((used ? 0x1700 : 0x0300) | types[i]));
    }
    DeviceBlock(r, plan.deviceCount, plan.deviceTable);
    std::vector<uint8_t> block(4, 0);
    Entries(block, plan.mains);
    if (plan.flagsB & 0x20)
        Entries(block, plan.middles);
    Entries(block, plan.groups);
    block.insert(block.end(), 6, 0);
    const uint32_t length = static_cast<uint32_t>(block.size());
    std::memcpy(block.data(), &length, 4);
    if (plan.flagsA & 0x01)
        r.insert(r.end(), block.begin(), block.end());
    return r;
}

std::vector<uint8_t> BuildEnOceanRecord(const std::vector<Transmitter>& rows,
                                        const std::vector<EnOceanEntry>& entries,
                                        uint16_t deviceCount,
                                        const std::vector<uint8_t>& deviceTable) {
    std::vector<uint8_t> r = Header(rows.empty() ? 0x00 : 0x01, 0x10);
    if (rows.empty()) {
        Set16(r, 0, r.size());
        return r;
    }
    for (const EnOceanEntry& e : entries) {
        const Transmitter& t = rows[e.row];
        PutU32(r, t.id);
        PutU32(r, t.data);
        r.push_back(t.org);
        r.push_back(e.page);
        PutU16(r, e.output);
    }
    Set16(r, 4, entries.size());
    DeviceBlock(r, deviceCount, deviceTable);
    PutU32(r, static_cast<uint32_t>(70 * rows.size() + 4));
    for (const Transmitter& t : rows) {
        std::vector<uint8_t> row(70, 0);
        std::memcpy(row.data(), t.name.data(), std::min<size_t>(t.name.size(), 59));
        row[60] = t.org;
        row[61] = t.status;
        std::memcpy(row.data() + 62, &t.data, 4);
        std::memcpy(row.data() + 66, &t.id, 4);
        r.insert(r.end(), row.begin(), row.end());
    }
    return r;
}

std::vector<uint8_t> ThreeTransmitterRecord() {
    return BuildEnOceanRecord({{"Switch A", 5, 0x30, 0x10000000, 0x100},
                               {"", 0xF6, 0x30, 0x30000000, 0x001A2B3C},
                               {"Switch C", 5, 0x20, 0x50000000, 0x300}},
                              {{1, 0, 1}, {2, 0, 1}, {1, 2, 3}});
}

}  // namespace halvex::test
