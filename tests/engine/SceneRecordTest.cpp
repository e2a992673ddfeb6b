// Reading the scene record: new records, bus mode, sizes, scene count, the KNX/WLAN read, the
// name block, the transmitter table, and the ladder of damaged records.
#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>

#include "engine/record/PageLoader.h"
#include "engine/record/RecordInspector.h"
#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;
using Table = std::span<uint8_t, 70000>;

TEST(NewRecord, BytesForEachBusType) {
    const struct {
        BusType type;
        uint8_t flagsA, flagsB, marker;
    } rows[] = {{BusType::Knx, 0x00, 0x20, 0},
                {BusType::KnxMasterSlave, 0x04, 0x20, 0},
                {BusType::EnOcean, 0x00, 0x10, 0},
                {BusType::Wlan, 0x02, 0x20, 0xFE},
                {BusType::WlanMasterSlave, 0x06, 0x20, 0xFE}};
    for (const auto& row : rows) {
        std::vector<uint8_t> expected = Header(row.flagsA, row.flagsB);
        expected[53] = row.marker;  // the WLAN marker behind the device name
        EXPECT_BYTES_EQ(expected, NewRecord(row.type));
    }
}

TEST(BusMode, ChosenByTheTwoFlagBits) {
    EXPECT_EQ(BusModeOf(0x00, 0x20), BusMode::Knx);
    EXPECT_EQ(BusModeOf(0x02, 0x20), BusMode::Knx);  // WLAN gateway, KNX layout
    EXPECT_EQ(BusModeOf(0xFD, 0x10), BusMode::EnOcean);
    EXPECT_EQ(BusModeOf(0x02, 0x10), BusMode::NetworkOnly);
    EXPECT_EQ(RecordBusMode(std::vector<uint8_t>(61, 0)), std::nullopt);
}

TEST(RecordSize, StoredAndClaimed) {
    std::vector<uint8_t> r = NewRecord(BusType::Knx);
    EXPECT_EQ(StoredRecordSize(r), 62u);
    EXPECT_EQ(ClaimedRecordSize(r.data()), 62u);
    r[14] |= 0x01;
    PutU32(r, 10);
    r.resize(80, 0xAA);  // bytes behind the stored record are not part of it
    EXPECT_EQ(StoredRecordSize(r), 72u);
    EXPECT_EQ(ClaimedRecordSize(r.data()), 72u);
    EXPECT_EQ(StoredRecordSize(ConstBytes(r).first(71)), std::nullopt);
    EXPECT_EQ(StoredRecordSize(ConstBytes(r).first(65)), std::nullopt);  // length field cut
    r[62] = 3;  // below its own length field
    EXPECT_EQ(StoredRecordSize(r), std::nullopt);
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    r[62] = 44, r[65] = 0xFF;  // about 4 GB
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    r[65] = 0;
    EXPECT_EQ(ClaimedRecordSize(r.data()), 106u);
    for (const uint16_t mainLength : std::array<uint16_t, 2>{61, 81}) {
        PutAt16(r, 0, mainLength);
        EXPECT_EQ(StoredRecordSize(r), std::nullopt);
    }
    PutAt16(r, 0, 61);
    EXPECT_EQ(ClaimedRecordSize(r.data()), std::nullopt);
    EXPECT_EQ(ClaimedRecordSize(nullptr), std::nullopt);
}

TEST(SceneCount, LeadingRunOfTypeZeroMinusOneHalved) {
    // S scenes: the run is 2S scene outputs plus the first dimmer output (type 0); an assigned
    // type-0 output still counts in the run.
    for (const uint16_t scenes : std::array<uint16_t, 4>{0, 1, 3, 100}) {
        KnxParts p;
        p.outputs = CurrentOutputs(
            scenes, 2, scenes == 3 ? std::vector<uint16_t>{0, 4, 6} : std::vector<uint16_t>{});
        auto r = KnxRecord(p);
        EXPECT_EQ(DeriveSceneCount(r), scenes);
        r[15] = 0x10;  // the same bytes read as an EnOcean record have no output table
        EXPECT_EQ(DeriveSceneCount(r), 0);
    }
    EXPECT_EQ(DeriveSceneCount(NewRecord(BusType::Knx)), 0);
}

TEST(ReadKnxRecord, EarlierFormatConvertsPairsToTheOneByteOutput) {
    // Two scenes, then one output per DMX channel (1024 in all): leading run 4 + first channel.
    KnxParts p;
    p.outputs.assign(4, 0x0300);
    p.outputs.resize(4 + 1024, 0x0307);
    p.list = {0x0801};
    p.pairs = {{1, 0}, {1, 3}, {1, 4}, {1, 5}, {1, 1027}};
    auto r = KnxRecord(p);
    std::array<uint8_t, 154> wlan{};
    wlan[0] = 0x55;
    const KnxReadResult result = ReadKnxRecord(r, wlan);
    EXPECT_EQ(result.sceneCount, 2);
    EXPECT_TRUE(result.earlierFormat);
    EXPECT_FALSE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 0x55);
    // Outputs 4 and 5 become (c - 4) * 3 + 4 + 2; the last channel of Dimmer Out 2 too.
    const size_t pairs = GetAt16(r, 4) + 2;
    const uint16_t converted[] = {0, 3, 6, 9, 1023 * 3 + 6};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(GetAt16(r, pairs + 4 * i + 2), converted[i]) << i;
        EXPECT_EQ(GetAt16(r, pairs + 4 * i), 1);  // list index untouched
    }
}

TEST(ReadKnxRecord, CurrentFormatLoadsWlanSettingsByMarker) {
    KnxParts p;
    p.outputs = CurrentOutputs(1, 0);
    p.list = {5};
    p.pairs = {{1, 2}};
    p.wlanFirstByte = 2;  // WPA2
    auto r = KnxRecord(p);
    std::array<uint8_t, 154> wlan{};
    r[53] = 0xFE;
    KnxReadResult result = ReadKnxRecord(r, wlan);
    EXPECT_EQ(result.sceneCount, 1);
    EXPECT_FALSE(result.earlierFormat);
    EXPECT_TRUE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 2);
    EXPECT_EQ(GetAt16(r, GetAt16(r, 4) + 4), 2);  // pairs untouched
    wlan[0] = 9;
    r[53] = 0xFF;  // bit 0 set: the block holds no valid settings
    result = ReadKnxRecord(r, wlan);
    EXPECT_FALSE(result.wlanLoaded);
    EXPECT_EQ(wlan[0], 9);
}

TEST(NameBlock, AllGroupAddressesReadBackThoughTheCountWraps) {
    std::vector<uint8_t> b(10, 0);  // length, no main, no middle, 65536 as a u16 count: 0
    for (uint32_t g = 0; g < 65536; ++g) {
        PutU16(b, static_cast<uint16_t>(g));
        PutU32(b, g << 16);
        b.insert(b.end(), {'x', 0});
    }
    b.resize(b.size() + 6, 0);
    PutAt16(b, 0, static_cast<uint16_t>(b.size()));
    b[2] = static_cast<uint8_t>(b.size() >> 16);
    KnxParts p;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = b;
    const auto names = ReadNameBlock(KnxRecord(p));
    ASSERT_TRUE(names);
    ASSERT_EQ(names->groups.size(), 65536u);
    EXPECT_EQ(names->groups.back(), (NameEntry{65535, 0xFFFF0000, "x"}));
}

TEST(TransmitterTable, WholeRowsUpToAThousandAndTheRestCleared) {
    std::vector<uint8_t> table(70000, 0xEE);
    const Table span(table.data(), 70000);
    auto r =
        EnOceanRecord({}, {Row("Switch", 0xF6, 0x30, 0x50, 0x0185ABCD), Row("", 0xA5, 0, 7, 1)});
    EXPECT_EQ(ReadTransmitterTable(r, span), 2);
    EXPECT_EQ(table[0], 'S');
    EXPECT_EQ(table[70 + 60], 0xA5);
    EXPECT_EQ(table[140], 0);
    EXPECT_EQ(table[69999], 0);
    r.push_back(0x77);  // a partial third row
    r[GetAt16(r, 0)] += 1;
    EXPECT_EQ(ReadTransmitterTable(r, span), 2);
    std::vector<std::vector<uint8_t>> rows(1001, Row("r", 0, 0, 0, 0));
    EXPECT_EQ(ReadTransmitterTable(EnOceanRecord({}, rows), span), 1000);
    r[14] = 0;  // no trailing block
    EXPECT_EQ(ReadTransmitterTable(r, span), 0);
    EXPECT_EQ(table, std::vector<uint8_t>(70000, 0));
}

TEST(TransmitterTable, LabelIsTheNameOrTheTelegramFields) {
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {Row("Küche", 1, 2, 3, 4), "Küche"},
        {Row("\xE9t\xE9", 0, 0, 0, 0), "été"},  // not UTF-8
        {Row("", 0xF6, 0x30, 0x50, 0x0185ABCD), "ID:0x185abcd ORG:0xf6 Data:0x50 Status:0x30"},
        {Row("", 0, 0, 0, 0), "ID:0x0 ORG:0x0 Data:0x0 Status:0x0"},
        {std::vector<uint8_t>(70, 'n'), std::string(60, 'n')},  // no NUL in 60
        {std::vector<uint8_t>(69, 0), ""},
    };
    for (const auto& [row, label] : cases)
        EXPECT_EQ(TransmitterLabel(row), label);
}

// A sound three-level KNX record: one scene, one device, three pairs, a name block.
std::vector<uint8_t> SoundKnx() {
    KnxParts p;
    p.list = {0x0801, 0x0802};
    p.pairs = {{1, 0}, {2, 4}, {1, 3074}};
    p.outputs = CurrentOutputs(1, 1, {0, 4, 3074});
    p.deviceCount = 1;
    p.trailing = {23, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0x01, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    return KnxRecord(p);
}
std::vector<uint8_t> SoundEnOcean() {
    return EnOceanRecord({{1, 2, 3, 0, 1}, {1, 2, 3, 2, 1}}, {Row("a", 3, 0, 2, 1)});
}

// Everything a reader may be asked on an untrusted record; none of it may read outside.
void ReadEverything(ConstBytes r) {
    std::array<uint8_t, 154> wlan{};
    std::vector<uint8_t> copy(r.begin(), r.end());
    std::vector<uint8_t> table(70000);
    uint16_t sceneCount = 0;
    (void)StoredRecordSize(r);
    (void)DeriveSceneCount(r);
    (void)ReadKnxRecord(copy, wlan);
    (void)ReadTransmitterTable(r, Table(table.data(), 70000));
    (void)LoadDimmerAssignments(r, 2, 1536);
    (void)LoadDeviceAssignments(r, 3074, std::vector<uint8_t>(512, 7));
    (void)LoadEnOceanAssignments(r, 0, 512, table, 1000);
    (void)DeleteSceneInPlace(copy, 0, 0, sceneCount);
    EXPECT_TRUE(nlohmann::json::accept(DescribeRecordJson(r)));
    EXPECT_FALSE(DescribeRecordText(r).empty());
}

TEST(DamagedRecord, TruncatedAnywhere) {
    const auto sound = SoundKnx();
    const size_t mainLength = GetAt16(sound, 0);
    EXPECT_TRUE(CheckRecord(sound).problems.empty());
    for (size_t cut : {size_t{0}, size_t{1}, size_t{61}, size_t{62}, size_t{200}, mainLength - 1,
                       mainLength + 1, sound.size() - 1}) {
        const ConstBytes r = ConstBytes(sound).first(cut);
        const RecordCheck check = CheckRecord(r);
        EXPECT_TRUE(check.Damaged() && !check.problems.empty() && !check.trailingOk) << cut;
        EXPECT_EQ(StoredRecordSize(r), std::nullopt) << cut;
        EXPECT_EQ(check.headerOk, cut >= mainLength) << cut;
    }
    for (size_t cut = 0; cut <= sound.size(); cut += 7)
        ReadEverything(ConstBytes(sound).first(cut));
    for (size_t cut = 0; cut <= SoundEnOcean().size(); cut += 5)
        ReadEverything(ConstBytes(SoundEnOcean()).first(cut));
}

// One damage per row. `broken` names the parts CheckRecord must find unusable (h header,
// s sections, d device block, t trailing block, r references); `problem` is a word of its
// report; `refused` says whether scene deletion must refuse the record and leave it as it is.
struct Damage {
    const char* name;
    std::vector<uint8_t> record;
    const char* broken;
    const char* problem;
    bool refused;
};

std::vector<uint8_t> Edit(std::vector<uint8_t> r, size_t at, uint16_t value) {
    PutAt16(r, at, value);
    return r;
}
std::vector<uint8_t> EditCount(const std::vector<uint8_t>& r, size_t field, uint16_t value) {
    return Edit(r, GetAt16(r, field), value);
}

TEST(DamagedRecord, EachDamageIsNamedAndNoReaderLeavesTheBytes) {
    const auto knx = SoundKnx();
    const uint16_t mainLength = GetAt16(knx, 0);
    const auto enocean = SoundEnOcean();
    const uint16_t enMain = GetAt16(enocean, 0);
    auto noNul = knx;  // a label without its NUL inside the block
    noNul.resize(mainLength + 18);
    noNul[mainLength] = 18, noNul[mainLength + 16] = 'x', noNul[mainLength + 17] = 'y';
    KnxParts references;
    references.list = {7};
    references.pairs = {{0, 5}, {2, 6}, {1, 9000}, {1, 3}};
    references.outputs = CurrentOutputs(2, 0);
    KnxParts tiny;  // earlier format, one scene, no room for s + m
    tiny.outputs = {0x0300, 0x0300, 0x0300};
    const Damage rows[] = {
        {"sound", knx, "", "", false},
        {"list at the main-part end", Edit(knx, 2, mainLength), "s", "address list", true},
        {"pairs at 65535", Edit(knx, 4, 65535), "s", "pair table", true},
        {"outputs inside the header", Edit(knx, 6, 20), "s", "output table", true},
        {"address count", EditCount(knx, 2, 30000), "s", "address list", true},
        {"pair count", EditCount(knx, 4, 20000), "s", "pair table", true},
        {"output count", EditCount(knx, 6, 40000), "s", "output table", true},
        {"device block past the end", Edit(knx, 8, mainLength - 100), "d", "device", false},
        {"600 devices", EditCount(knx, 8, 600), "d", "600", false},
        {"trailing length 0", Edit(knx, mainLength, 0), "t", "trailing block length 0", false},
        {"trailing length 3", Edit(knx, mainLength, 3), "t", "trailing block length 3", false},
        {"trailing ends mid-entry", Edit(knx, mainLength, 12), "t", "name block", false},
        {"trailing length 255", Edit(knx, mainLength, 255), "t", "trailing block length 255",
         false},
        {"label without NUL", noNul, "t", "name block", false},
        {"group count 500", Edit(knx, mainLength + 8, 500), "t", "name block", false},
        {"device block in the pair table", Edit(knx, 8, GetAt16(knx, 4) + 6), "", "", true},
        {"output table on the last pairs", Edit(knx, 6, GetAt16(knx, 6) - 4), "r", "output past",
         true},
        {"broken references", KnxRecord(references), "r", "2 pair(s)", false},
        {"earlier format, too small", KnxRecord(tiny), "", "", true},
        {"short", std::vector<uint8_t>(40, 0), "hsdt", "", true},
        {"EnOcean sound", enocean, "", "", false},
        {"EnOcean 3000 entries", Edit(enocean, 4, 3000), "sd", "entries run past", true},
        {"EnOcean no device block", Edit(enocean, 8, 0), "d", "device block offset is 0", true},
        {"EnOcean ragged rows", Edit(enocean, enMain, 69 + 4), "", "69 bytes", false},
        {"EnOcean 1001 rows", EnOceanRecord({}, std::vector(1001, Row("r", 0, 0, 0, 0))), "",
         "transmitter table holds 1001 rows", false},
        {"EnOcean trailing 200", Edit(enocean, enMain, 200), "t", "200", true},
    };
    for (const Damage& d : rows) {
        SCOPED_TRACE(d.name);
        const RecordCheck check = CheckRecord(d.record);
        const std::string broken = d.broken;
        EXPECT_EQ(check.headerOk, broken.find('h') == std::string::npos);
        EXPECT_EQ(check.sectionsOk, broken.find('s') == std::string::npos);
        EXPECT_EQ(check.deviceBlockOk, broken.find('d') == std::string::npos);
        EXPECT_EQ(check.trailingOk, broken.find('t') == std::string::npos);
        EXPECT_EQ(check.referencesOk, broken.find('r') == std::string::npos);
        std::string problems;
        for (const std::string& p : check.problems)
            problems += p + "\n";
        EXPECT_EQ(problems.empty(), *d.problem == 0 && broken.empty()) << problems;
        EXPECT_NE(problems.find(d.problem), std::string::npos) << problems;
        if (broken.find('s') != std::string::npos) {
            EXPECT_EQ(ReadKnxSections(d.record), std::nullopt);
            EXPECT_TRUE(LoadSceneAssignments(d.record, 0, 1).empty());
        }
        EXPECT_TRUE(check.trailingOk || !ReadNameBlock(d.record));
        auto copy = d.record;
        uint16_t sceneCount = 0;
        EXPECT_EQ(DeleteSceneInPlace(copy, 0, 2, sceneCount), !d.refused);
        EXPECT_EQ(SceneDeletionRefusal(d.record, 0, 2).empty(), !d.refused);
        EXPECT_TRUE(!d.refused || copy == d.record);
        ReadEverything(d.record);
    }
    EXPECT_TRUE(LoadDimmerAssignments(KnxRecord(references), 4, 1536).empty());
}

}  // namespace
}  // namespace halvex
