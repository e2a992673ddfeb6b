// Builds host structures and records for tests, written straight from the byte layout and
// independent of the plug-in's own writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace halvex::test {

// Little-endian builders for expected bytes written by hand.
void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);

// Host scene list: byte 6 = count, blocks of 20 bytes whose u16 at offset 3 points just past
// the 15-byte name at block offset 5, then a count byte 0 (no 7-byte records).
std::vector<uint8_t> MakeSceneList(const std::vector<std::string>& names);

struct Device {
    std::string name;  // Windows-1252 bytes, at most 20
    uint8_t kind = 0;
};
std::vector<uint8_t> MakeDeviceTable(const std::vector<Device>& devices);  // 12288 bytes

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
std::vector<uint8_t> BuildEnOceanRecord(const std::vector<Transmitter>& rows,
                                        const std::vector<EnOceanEntry>& entries,
                                        uint16_t deviceCount = 0,
                                        const std::vector<uint8_t>& deviceTable = {});

// An EnOcean record of three transmitters ("Switch A"; an unnamed one with ID 0x1A2B3C, ORG
// 0xF6; "Switch C") whose entries put row 1 on scene output 1 and dimmer channel 3 of Dimmer
// Out 1, and row 2 on scene output 1.
std::vector<uint8_t> ThreeTransmitterRecord();

}  // namespace halvex::test
