// Records assembled by hand, field by field, for the record tests. Nothing here calls the
// code under test: the layout is spelled out again so that a writer or reader fault shows.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "support/ByteDiff.h"

namespace halvex::test {

inline void PutAt16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline uint16_t GetAt16(const std::vector<uint8_t>& in, size_t at) {
    return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

// 62-byte header with the given flags; lengths and offsets are filled in by the builders.
inline std::vector<uint8_t> Header(uint8_t flagsA, uint8_t flagsB) {
    std::vector<uint8_t> h(62, 0);
    h[14] = flagsA;
    h[15] = flagsB;
    return h;
}

// Output codes of a current-format table: S + S scene outputs (type 0), 2 x 512 channels of
// types 0, 3, 7, then D + D device outputs of type 7. Outputs in `assigned` get 0x1400.
inline std::vector<uint16_t> CurrentOutputs(uint16_t scenes, uint16_t devices,
                                            const std::vector<uint16_t>& assigned = {}) {
    std::vector<uint16_t> codes;
    for (int i = 0; i < 2 * scenes; ++i)
        codes.push_back(0x0300);
    for (int i = 0; i < 2 * 512; ++i) {
        codes.push_back(0x0300);
        codes.push_back(0x0303);
        codes.push_back(0x0307);
    }
    for (int i = 0; i < 2 * devices; ++i)
        codes.push_back(0x0307);
    for (uint16_t o : assigned)
        codes[o] |= 0x1400;
    return codes;
}

struct KnxParts {
    uint8_t flagsA = 0x00;  // bit 0x01 is added when there is a trailing block
    uint8_t flagsB = 0x20;
    std::vector<uint16_t> list;
    std::vector<std::pair<uint16_t, uint16_t>> pairs;  // (list index, output index)
    std::vector<uint16_t> outputs;
    uint16_t deviceCount = 0;
    uint8_t wlanFirstByte = 0;
    std::vector<uint8_t> trailing;  // whole trailing block including its length
};

// Header, list, pairs, outputs, 12444-byte device block (device table zero), trailing block.
inline std::vector<uint8_t> KnxRecord(const KnxParts& p) {
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
    PutAt16(r, 8, static_cast<uint16_t>(r.size()));
    PutU16(r, p.deviceCount);
    r.resize(r.size() + 12288, 0);
    r.push_back(p.wlanFirstByte);
    r.resize(r.size() + 153, 0);
    PutAt16(r, 0, static_cast<uint16_t>(r.size()));
    r.insert(r.end(), p.trailing.begin(), p.trailing.end());
    return r;
}

struct Entry {
    uint32_t id, data;
    uint8_t org, page;
    uint16_t output;
};

// 70-byte transmitter row.
inline std::vector<uint8_t> Row(const char* name, uint8_t org, uint8_t status, uint32_t data,
                                uint32_t id) {
    std::vector<uint8_t> row(60, 0);
    for (size_t i = 0; name[i] != 0 && i < 60; ++i)
        row[i] = static_cast<uint8_t>(name[i]);
    row.push_back(org);
    row.push_back(status);
    PutU32(row, data);
    PutU32(row, id);
    return row;
}

// EnOcean record: header, entries, device block, trailing block of the given rows.
inline std::vector<uint8_t> EnOceanRecord(const std::vector<Entry>& entries,
                                          const std::vector<std::vector<uint8_t>>& rows,
                                          uint16_t deviceCount = 0) {
    std::vector<uint8_t> r = Header(0x01, 0x10);
    PutAt16(r, 4, static_cast<uint16_t>(entries.size()));
    for (const Entry& e : entries) {
        PutU32(r, e.id);
        PutU32(r, e.data);
        r.push_back(e.org);
        r.push_back(e.page);
        PutU16(r, e.output);
    }
    PutAt16(r, 8, static_cast<uint16_t>(r.size()));
    PutU16(r, deviceCount);
    r.resize(r.size() + 12288 + 154, 0);
    PutAt16(r, 0, static_cast<uint16_t>(r.size()));
    PutU32(r, static_cast<uint32_t>(70 * rows.size() + 4));
    for (const auto& row : rows)
        r.insert(r.end(), row.begin(), row.end());
    return r;
}

}  // namespace halvex::test
