#include "support/RecordBuilder.h"

#include <algorithm>
#include <cstring>

namespace halvex::test {
namespace {

// Count, the 12288-byte device table, WlanSettings; then the main part's length at offset 0.
void DeviceBlock(std::vector<uint8_t>& r, uint16_t count, std::vector<uint8_t> table,
                 uint8_t wlanFirstByte = 0) {
    PutAt16(r, 8, static_cast<uint16_t>(r.size()));
    PutU16(r, count);
    table.resize(12288, 0);
    r.insert(r.end(), table.begin(), table.end());
    r.push_back(wlanFirstByte);
    r.insert(r.end(), 153, 0);
    PutAt16(r, 0, static_cast<uint16_t>(r.size()));
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

void PutAt16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

uint16_t GetAt16(const std::vector<uint8_t>& in, size_t at) {
    return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

std::vector<uint8_t> MakeSceneList(const std::vector<std::string>& names) {
    std::vector<uint8_t> list(7, 0);
    list[6] = static_cast<uint8_t>(names.size());
    for (const std::string& name : names) {
        const size_t block = list.size();
        list.resize(block + 20, 0);
        PutAt16(list, block, 20);
        PutAt16(list, block + 3, static_cast<uint16_t>(block + 20));
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

std::vector<uint8_t> Header(uint8_t flagsA, uint8_t flagsB) {
    std::vector<uint8_t> h(62, 0);
    h[0] = 62;
    h[10] = 0xFF, h[11] = 0xFF;
    h[14] = flagsA, h[15] = flagsB;
    const uint8_t addresses[16] = {192, 168, 1, 223, 255, 255, 255, 0,
                                   192, 168, 1, 1,   224, 0,   23,  12};
    std::memcpy(h.data() + 16, addresses, 16);
    return h;
}

std::vector<uint16_t> CurrentOutputs(uint16_t scenes, uint16_t devices,
                                     const std::vector<uint16_t>& assigned) {
    std::vector<uint16_t> codes(2 * scenes, 0x0300);
    for (int i = 0; i < 2 * 512; ++i)
        codes.insert(codes.end(), {0x0300, 0x0303, 0x0307});
    codes.insert(codes.end(), 2 * devices, 0x0307);
    for (uint16_t o : assigned)
        codes[o] |= 0x1400;
    return codes;
}

std::vector<uint8_t> KnxRecord(const KnxParts& p) {
    std::vector<uint8_t> r =
        Header(static_cast<uint8_t>(p.flagsA | (p.trailing.empty() ? 0 : 1)), p.flagsB);
    PutAt16(r, 2, 62);
    PutU16(r, static_cast<uint16_t>(p.list.size()));
    for (uint16_t g : p.list)
        PutU16(r, g);
    PutAt16(r, 4, static_cast<uint16_t>(r.size()));
    PutU16(r, static_cast<uint16_t>(p.pairs.size()));
    for (auto [l, o] : p.pairs) {
        PutU16(r, l);
        PutU16(r, o);
    }
    PutAt16(r, 6, static_cast<uint16_t>(r.size()));
    PutU16(r, static_cast<uint16_t>(p.outputs.size()));
    for (uint16_t c : p.outputs)
        PutU16(r, c);
    DeviceBlock(r, p.deviceCount, p.deviceTable, p.wlanFirstByte);
    r.insert(r.end(), p.trailing.begin(), p.trailing.end());
    return r;
}

std::vector<uint8_t> Row(const std::string& name, uint8_t org, uint8_t status, uint32_t data,
                         uint32_t id) {
    std::vector<uint8_t> row(name.begin(), name.begin() + std::min<size_t>(name.size(), 60));
    row.resize(60, 0);
    row.push_back(org);
    row.push_back(status);
    PutU32(row, data);
    PutU32(row, id);
    return row;
}

std::vector<uint8_t> EnOceanRecord(const std::vector<Entry>& entries,
                                   const std::vector<std::vector<uint8_t>>& rows,
                                   uint16_t deviceCount, const std::vector<uint8_t>& deviceTable) {
    std::vector<uint8_t> r = Header(0x01, 0x10);
    PutAt16(r, 4, static_cast<uint16_t>(entries.size()));
    for (const Entry& e : entries) {
        PutU32(r, e.id);
        PutU32(r, e.data);
        r.push_back(e.org);
        r.push_back(e.page);
        PutU16(r, e.output);
    }
    DeviceBlock(r, deviceCount, deviceTable);
    PutU32(r, static_cast<uint32_t>(70 * rows.size() + 4));
    for (const auto& row : rows)
        r.insert(r.end(), row.begin(), row.end());
    return r;
}

std::vector<uint8_t> BuildKnxRecord(const KnxRecordPlan& plan) {
    KnxParts p;
    p.flagsA = static_cast<uint8_t>(plan.flagsA & ~0x01);
    p.flagsB = plan.flagsB;
    for (const Pair& pair : plan.pairs)
        p.list.push_back(pair.address);
    std::sort(p.list.begin(), p.list.end());
    p.list.erase(std::unique(p.list.begin(), p.list.end()), p.list.end());
    std::vector<uint16_t> assigned;
    for (const Pair& pair : plan.pairs) {
        const auto at = std::find(p.list.begin(), p.list.end(), pair.address) - p.list.begin();
        p.pairs.push_back({static_cast<uint16_t>(at + 1), pair.output});
        assigned.push_back(pair.output);
    }
    std::sort(assigned.begin(), assigned.end());
    assigned.erase(std::unique(assigned.begin(), assigned.end()), assigned.end());
    const auto devices = static_cast<uint16_t>(plan.deviceTypes.size());
    p.outputs = CurrentOutputs(plan.scenes, devices, assigned);
    for (size_t d = 0; d < 2u * devices; ++d) {
        uint16_t& code = p.outputs[2 * plan.scenes + 3072 + d];
        code = static_cast<uint16_t>((code & 0xFF00) | plan.deviceTypes[d % devices]);
    }
    p.deviceCount = plan.deviceCount;
    p.deviceTable = plan.deviceTable;
    if (plan.flagsA & 0x01) {
        p.trailing.assign(4, 0);
        Entries(p.trailing, plan.mains);
        if (plan.flagsB & 0x20)
            Entries(p.trailing, plan.middles);
        Entries(p.trailing, plan.groups);
        p.trailing.insert(p.trailing.end(), 6, 0);
        const auto length = static_cast<uint32_t>(p.trailing.size());
        std::memcpy(p.trailing.data(), &length, 4);
    }
    return KnxRecord(p);
}

std::vector<uint8_t> BuildEnOceanRecord(const std::vector<Transmitter>& rows,
                                        const std::vector<EnOceanEntry>& entries,
                                        uint16_t deviceCount,
                                        const std::vector<uint8_t>& deviceTable) {
    if (rows.empty())
        return Header(0x00, 0x10);
    std::vector<Entry> list;
    for (const EnOceanEntry& e : entries) {
        const Transmitter& t = rows[e.row];
        list.push_back({t.id, t.data, t.org, e.page, e.output});
    }
    std::vector<std::vector<uint8_t>> table;
    for (const Transmitter& t : rows)
        table.push_back(Row(t.name.substr(0, 59), t.org, t.status, t.data, t.id));
    return EnOceanRecord(list, table, deviceCount, deviceTable);
}

std::vector<uint8_t> ThreeTransmitterRecord() {
    return BuildEnOceanRecord({{"Switch A", 5, 0x30, 0x10000000, 0x100},
                               {"", 0xF6, 0x30, 0x30000000, 0x001A2B3C},
                               {"Switch C", 5, 0x20, 0x50000000, 0x300}},
                              {{1, 0, 1}, {2, 0, 1}, {1, 2, 3}});
}

}  // namespace halvex::test
