#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/RecordTestBytes.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::KnxParts;
using test::KnxRecord;

std::vector<uint8_t> LiteralNewRecord(uint8_t flagsA, uint8_t flagsB, uint8_t marker) {
    std::vector<uint8_t> r = {
        0x3E,   0x00,              // main-part length 62
        0x00,   0x00,              // group-address list offset
        0x00,   0x00,              // pair table offset / entry count
        0x00,   0x00,              // output table offset
        0x00,   0x00,              // device block offset
        0xFF,   0xFF,              // physical address 15.15.255
        0x00,   0x00,              // system ID
        flagsA, flagsB,            // flags A, flags B
        192,    168,    1,   223,  // IP address
        255,    255,    255, 0,    // subnet mask
        192,    168,    1,   1,    // default gateway
        224,    0,      23,  12,   // multicast
    };
    r.resize(53, 0);  // device name, 21 bytes
    r.push_back(marker);
    r.resize(62, 0);  // bytes 54-61
    return r;
}

TEST(NewRecord, BytesForEachBusType) {
    EXPECT_BYTES_EQ(LiteralNewRecord(0x00, 0x20, 0x00), NewRecord(BusType::Knx));
    EXPECT_BYTES_EQ(LiteralNewRecord(0x04, 0x20, 0x00), NewRecord(BusType::KnxMasterSlave));
    EXPECT_BYTES_EQ(LiteralNewRecord(0x00, 0x10, 0x00), NewRecord(BusType::EnOcean));
    EXPECT_BYTES_EQ(LiteralNewRecord(0x02, 0x20, 0xFE), NewRecord(BusType::Wlan));
    EXPECT_BYTES_EQ(LiteralNewRecord(0x06, 0x20, 0xFE), NewRecord(BusType::WlanMasterSlave));
}

TEST(BusMode, ChosenByTheTwoFlagBits) {
    EXPECT_EQ(BusModeOf(0x00, 0x20), BusMode::Knx);
    EXPECT_EQ(BusModeOf(0x02, 0x20), BusMode::Knx);  // WLAN gateway, KNX layout
    EXPECT_EQ(BusModeOf(0xFD, 0x10), BusMode::EnOcean);
    EXPECT_EQ(BusModeOf(0x02, 0x10), BusMode::NetworkOnly);
    EXPECT_EQ(RecordBusMode(std::vector<uint8_t>(61, 0)), std::nullopt);
}

TEST(StoredRecordSize, MainPartPlusTrailingBlock) {
    std::vector<uint8_t> r = NewRecord(BusType::Knx);
    EXPECT_EQ(StoredRecordSize(r), 62u);
    r[14] |= 0x01;
    test::PutU32(r, 10);
    r.resize(72, 0);
    r.resize(80, 0xAA);  // bytes behind the stored record are not part of it
    EXPECT_EQ(StoredRecordSize(r), 72u);
    EXPECT_EQ(StoredRecordSize(ConstBytes(r).first(71)), std::nullopt);
    EXPECT_EQ(StoredRecordSize(ConstBytes(r).first(65)), std::nullopt);  // length field cut
    test::PutAt16(r, 0, 61);
    EXPECT_EQ(StoredRecordSize(r), std::nullopt);
    test::PutAt16(r, 0, 81);
    EXPECT_EQ(StoredRecordSize(r), std::nullopt);
}

TEST(ClaimedRecordSize, FromTheHostsPointer) {
    std::vector<uint8_t> r = NewRecord(BusType::Knx);
    EXPECT_EQ(ClaimedRecordSize(r.data()), 62u);
    r[14] |= 0x01;
    test::PutU32(r, 300);
    EXPECT_EQ(ClaimedRecordSize(r.data()), 362u);
    r[62] = 3;  // below its own length field
    r[63] = 0;
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    r[65] = 0xFF;  // about 4 GB
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    test::PutAt16(r, 0, 61);
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    EXPECT_EQ(ClaimedRecordSize(nullptr), std::nullopt);
}

TEST(SceneCount, CurrentFormatUsesLeadingRunMinusOneHalved) {
    // S scenes: the run is 2S scene outputs plus the first dimmer output (type 0).
    for (const uint16_t scenes : std::array<uint16_t, 4>{0, 1, 3, 100}) {
        KnxParts p;
        p.outputs = CurrentOutputs(scenes, 2);
        EXPECT_EQ(DeriveSceneCount(KnxRecord(p)), scenes) << scenes;
    }
    // An assigned type-0 output (0x1700) still counts in the run.
    KnxParts p;
    p.outputs = CurrentOutputs(3, 0, {0, 4, 6});
    EXPECT_EQ(DeriveSceneCount(KnxRecord(p)), 3);
}

TEST(SceneCount, NoOutputTableGivesZero) {
    EXPECT_EQ(DeriveSceneCount(NewRecord(BusType::Knx)), 0);
    KnxParts p;
    p.outputs = CurrentOutputs(3, 0);
    auto enocean = KnxRecord(p);
    enocean[15] = 0x10;  // the same bytes read as an EnOcean record have no output table
    EXPECT_EQ(DeriveSceneCount(enocean), 0);
}

TEST(ReadKnxRecord, EarlierFormatConvertsPairsToTheOneByteOutput) {
    // Two scenes, then one output per DMX channel (1024 in all): leading run 4 + first channel.
    KnxParts p;
    for (int i = 0; i < 4; ++i)
        p.outputs.push_back(0x0300);
    for (int i = 0; i < 1024; ++i)
        p.outputs.push_back(0x0307);
    p.list = {0x0801};
    p.pairs = {{1, 0}, {1, 3}, {1, 4}, {1, 5}, {1, 1027}};
    auto r = KnxRecord(p);
    std::array<uint8_t, 154> wlan{};
    wlan[0] = 0x55;
    const KnxReadResult result = ReadKnxRecord(r, wlan);
    EXPECT_EQ(result.sceneCount, 2);
    EXPECT_TRUE(result.earlierFormat);
    EXPECT_FALSE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 0x55);  // left as it was
    const size_t pairs = test::GetAt16(r, 4) + 2;
    EXPECT_EQ(test::GetAt16(r, pairs + 2), 0);
    EXPECT_EQ(test::GetAt16(r, pairs + 6), 3);
    EXPECT_EQ(test::GetAt16(r, pairs + 10), 6);             // (4 - 4) * 3 + 4 + 2
    EXPECT_EQ(test::GetAt16(r, pairs + 14), 9);             // (5 - 4) * 3 + 4 + 2
    EXPECT_EQ(test::GetAt16(r, pairs + 18), 1023 * 3 + 6);  // last channel of Dimmer Out 2
    EXPECT_EQ(test::GetAt16(r, pairs + 16), 1);             // list index untouched
}

TEST(ReadKnxRecord, CurrentFormatLoadsWlanSettingsByMarker) {
    KnxParts p;
    p.outputs = CurrentOutputs(1, 0);
    p.list = {5};
    p.pairs = {{1, 2}};
    p.wlanFirstByte = 2;  // WPA2
    auto r = KnxRecord(p);
    const auto before = r;
    std::array<uint8_t, 154> wlan{};
    r[53] = 0xFE;
    KnxReadResult result = ReadKnxRecord(r, wlan);
    EXPECT_EQ(result.sceneCount, 1);
    EXPECT_FALSE(result.earlierFormat);
    EXPECT_TRUE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 2);
    EXPECT_EQ(test::GetAt16(r, test::GetAt16(r, 4) + 4), 2);  // pairs untouched

    wlan[0] = 9;
    r[53] = 0xFF;  // bit 0 set: the block holds no valid settings
    result = ReadKnxRecord(r, wlan);
    EXPECT_FALSE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 9);
}

std::vector<uint8_t> NameBlockBytes(bool threeLevel) {
    std::vector<uint8_t> b = {0, 0, 0, 0};
    test::PutU16(b, 1);  // main groups
    test::PutU16(b, 1);
    test::PutU32(b, 0);
    for (char c : std::string("Light"))
        b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    if (threeLevel) {
        test::PutU16(b, 0);  // no middle group
    }
    test::PutU16(b, 2);  // group addresses
    test::PutU16(b, 0x0801);
    test::PutU32(b, 0x08010037);
    b.push_back(0xC4);  // "Ä" in the ANSI code page
    b.push_back(0);
    test::PutU16(b, 0x0802);
    test::PutU32(b, 0x08020030);
    b.push_back(0);  // empty label
    b.resize(b.size() + 6, 0);
    test::PutAt16(b, 0, static_cast<uint16_t>(b.size()));
    return b;
}

TEST(NameBlock, ThreeLevelWithEmptyMiddleGroups) {
    KnxParts p;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = NameBlockBytes(true);
    const auto names = ReadNameBlock(KnxRecord(p));
    ASSERT_TRUE(names);
    ASSERT_EQ(names->mains.size(), 1u);
    EXPECT_EQ(names->mains[0], (NameEntry{1, 0, "Light"}));
    EXPECT_TRUE(names->middles.empty());
    ASSERT_EQ(names->groups.size(), 2u);
    EXPECT_EQ(names->groups[0], (NameEntry{0x0801, 0x08010037, "\xC4"}));
    EXPECT_EQ(names->groups[1], (NameEntry{0x0802, 0x08020030, ""}));
}

TEST(NameBlock, TwoLevelHasNoMiddleCount) {
    KnxParts p;
    p.flagsB = 0x00;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = NameBlockBytes(false);
    const auto names = ReadNameBlock(KnxRecord(p));
    ASSERT_TRUE(names);
    EXPECT_EQ(names->groups.size(), 2u);
    // The same block read as three-level takes the group count for a middle count.
    p.flagsB = 0x20;
    const auto misread = ReadNameBlock(KnxRecord(p));
    EXPECT_TRUE(!misread || misread->groups.size() != 2u);
}

TEST(NameBlock, AbsentOrNotKnx) {
    KnxParts p;
    p.flagsA = 0x00;
    p.outputs = CurrentOutputs(0, 0);
    EXPECT_EQ(ReadNameBlock(KnxRecord(p)), std::nullopt);
    EXPECT_EQ(ReadNameBlock(test::EnOceanRecord({}, {})), std::nullopt);
}

TEST(NameBlock, AllGroupAddressesReadBackThoughTheCountWraps) {
    std::vector<uint8_t> b = {0, 0, 0, 0};
    test::PutU16(b, 0);
    test::PutU16(b, 0);
    test::PutU16(b, 0);  // 65536 entries do not fit the u16 count
    for (uint32_t g = 0; g < 65536; ++g) {
        test::PutU16(b, static_cast<uint16_t>(g));
        test::PutU32(b, g << 16);
        b.push_back('x');
        b.push_back(0);
    }
    b.resize(b.size() + 6, 0);
    const auto length = static_cast<uint32_t>(b.size());
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(length >> (8 * i));
    KnxParts p;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = b;
    const auto names = ReadNameBlock(KnxRecord(p));
    ASSERT_TRUE(names);
    ASSERT_EQ(names->groups.size(), 65536u);
    EXPECT_EQ(names->groups.back(), (NameEntry{65535, 0xFFFF0000, "x"}));
}

TEST(StoredTransmitterTable, RowsFromTheTrailingBlock) {
    const auto r = test::EnOceanRecord(
        {}, {test::Row("Switch", 0xF6, 0x30, 0x50, 0x0185ABCD), test::Row("", 0xA5, 0, 7, 1)});
    std::vector<uint8_t> table(70000, 0xEE);
    const uint16_t count = ReadTransmitterTable(r, std::span<uint8_t, 70000>(table.data(), 70000));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(table[0], 'S');
    EXPECT_EQ(table[70 + 60], 0xA5);
    EXPECT_EQ(table[140], 0);  // the rest is cleared
    EXPECT_EQ(table[69999], 0);
}

TEST(StoredTransmitterTable, PartialRowsAndOverlongTablesAreCut) {
    auto r = test::EnOceanRecord({}, {test::Row("a", 1, 2, 3, 4)});
    r.push_back(0x77);  // a partial second row
    test::PutAt16(r, 0, test::GetAt16(r, 0));
    const size_t lengthAt = test::GetAt16(r, 0);
    r[lengthAt] = 70 + 4 + 1;
    std::vector<uint8_t> table(70000);
    auto span = std::span<uint8_t, 70000>(table.data(), 70000);
    EXPECT_EQ(ReadTransmitterTable(r, span), 1);

    std::vector<std::vector<uint8_t>> rows(1001, test::Row("r", 0, 0, 0, 0));
    EXPECT_EQ(ReadTransmitterTable(test::EnOceanRecord({}, rows), span), 1000);

    auto noBlock = test::EnOceanRecord({}, {});
    noBlock[14] = 0;
    EXPECT_EQ(ReadTransmitterTable(noBlock, span), 0);
}

TEST(TransmitterLabel, NameOrTelegramFields) {
    EXPECT_EQ(TransmitterLabel(test::Row("Küche", 1, 2, 3, 4)), "Küche");
    EXPECT_EQ(TransmitterLabel(test::Row("", 0xF6, 0x30, 0x50, 0x0185ABCD)),
              "ID:0x185abcd ORG:0xf6 Data:0x50 Status:0x30");
    EXPECT_EQ(TransmitterLabel(test::Row("", 0, 0, 0, 0)), "ID:0x0 ORG:0x0 Data:0x0 Status:0x0");
    EXPECT_EQ(TransmitterLabel(test::Row("\xE9t\xE9", 0, 0, 0, 0)), "été");  // not UTF-8
    std::vector<uint8_t> full(70, 'n');                                      // no NUL in 60
    EXPECT_EQ(TransmitterLabel(full), std::string(60, 'n'));
    EXPECT_EQ(TransmitterLabel(std::vector<uint8_t>(69, 0)), "");
}

}  // namespace
}  // namespace halvex
