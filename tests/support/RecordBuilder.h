// Builds host structures and records for tests, written straight from the byte layout and
// independent of the plug-in's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace halvex::test {

// Little-endian builders for expected bytes written by hand.
void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);
void PutAt16(std::vector<uint8_t>& out, size_t at, uint16_t v);
uint16_t GetAt16(const std::vector<uint8_t>& in, size_t at);

// Host scene list: byte 6 = count, blocks of 20 bytes whose u16 at offset 3 points just past
// the 15-byte name at block offset 5, then a count byte 0 (no 7-byte records).
std::vector<uint8_t> MakeSceneList(const std::vector<std::string>& names);

struct Device {
    std::string name;  // Windows-1252 bytes, at most 20
    uint8_t kind = 0;
};
std::vector<uint8_t> MakeDeviceTable(const std::vector<Device>& devices);  // 12288 bytes

// A record of a new record's header alone: length 62, physical address 15.15.255, addresses
// 192.168.1.223, 255.255.255.0, 192.168.1.1 and 224.0.23.12; flags as given.
std::vector<uint8_t> Header(uint8_t flagsA, uint8_t flagsB);

// Output codes of a current-format table: S + S scene outputs (type 0), 2 x 512 channels of
// types 0, 3, 7, then D + D device outputs of type 7. Outputs in `assigned` get 0x1400.
std::vector<uint16_t> CurrentOutputs(uint16_t scenes, uint16_t devices,
                                     const std::vector<uint16_t>& assigned = {});

// A KNX/WLAN record part by part: header, list, pairs, outputs, device block (count, table,
// WlanSettings), trailing block.
struct KnxParts {
    uint8_t flagsA = 0x00;  // bit 0x01 is added when there is a trailing block
    uint8_t flagsB = 0x20;
    std::vector<uint16_t> list;
    std::vector<std::pair<uint16_t, uint16_t>> pairs;  // (list index, output index)
    std::vector<uint16_t> outputs;
    uint16_t deviceCount = 0;
    std::vector<uint8_t> deviceTable;  // 12288 bytes, zero when empty
    uint8_t wlanFirstByte = 0;
    std::vector<uint8_t> trailing;  // whole trailing block including its length
};
std::vector<uint8_t> KnxRecord(const KnxParts& parts);

// 70-byte transmitter row.
std::vector<uint8_t> Row(const std::string& name, uint8_t org, uint8_t status, uint32_t data,
                         uint32_t id);

struct Entry {
    uint32_t id, data;
    uint8_t org, page;
    uint16_t output;
};
// EnOcean record: header, entries, device block, trailing block of the given rows.
std::vector<uint8_t> EnOceanRecord(const std::vector<Entry>& entries,
                                   const std::vector<std::vector<uint8_t>>& rows,
                                   uint16_t deviceCount = 0,
                                   const std::vector<uint8_t>& deviceTable = {});

struct Pair {
    uint16_t output;
    uint16_t address;
};
struct Name {
    uint16_t number;
    uint32_t data;
    std::string label;
};

// A current-format KNX/WLAN record: header (flags as given, defaults elsewhere), address
// list, pairs (must be in output order), full output table for S scenes and D devices,
// device block, name block.
struct KnxRecordPlan {
    uint8_t flagsA = 0x01;
    uint8_t flagsB = 0x20;
    uint16_t scenes = 0;
    std::vector<uint8_t> deviceTypes;  // output type per device
    std::vector<Pair> pairs;
    std::vector<Name> mains, middles, groups;
    std::vector<uint8_t> deviceTable;  // 12288 bytes, zero when empty
    uint16_t deviceCount = 0;
};
std::vector<uint8_t> BuildKnxRecord(const KnxRecordPlan& plan);

struct Transmitter {
    std::string name;
    uint8_t org, status;
    uint32_t data, id;
};
struct EnOceanEntry {
    uint16_t row;  // transmitter the entry copies its telegram from
    uint8_t page;
    uint16_t output;
};
// Without rows: the header alone.
std::vector<uint8_t> BuildEnOceanRecord(const std::vector<Transmitter>& rows,
                                        const std::vector<EnOceanEntry>& entries,
                                        uint16_t deviceCount = 0,
                                        const std::vector<uint8_t>& deviceTable = {});

// An EnOcean record of three transmitters ("Switch A"; an unnamed one with ID 0x1A2B3C, ORG
// 0xF6; "Switch C") whose entries put row 1 on scene output 1 and dimmer channel 3 of Dimmer
// Out 1, and row 2 on scene output 1.
std::vector<uint8_t> ThreeTransmitterRecord();

}  // namespace halvex::test
