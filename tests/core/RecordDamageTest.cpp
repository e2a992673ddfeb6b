// A ladder of damaged records: every reader must stay inside the bytes, name what is wrong
// and leave unreadable parts alone.
#include <gtest/gtest.h>

#include <array>

#include "core/RecordTestBytes.h"
#include "plugin/HostStructures.h"
#include "plugin/PageLoader.h"
#include "plugin/RecordInspector.h"
#include "plugin/SceneDeletion.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::GetAt16;
using test::KnxParts;
using test::KnxRecord;
using test::PutAt16;

std::vector<uint8_t> SoundKnx() {
    KnxParts p;
    p.list = {0x0801, 0x0802};
    p.pairs = {{1, 0}, {2, 4}, {1, 3074}};
    p.outputs = CurrentOutputs(1, 1, {0, 4, 3074});
    p.deviceCount = 1;
    p.trailing = {23,   0,    0, 0,           // block length
                  0,    0,                    // no main group
                  0,    0,                    // no middle group
                  1,    0,                    // one group address
                  0x01, 0x08, 0, 0, 0, 0, 0,  // 0x0801, item data 0, empty label
                  0,    0,    0, 0, 0, 0};    // padding
    return KnxRecord(p);
}

// Everything a reader may be asked on an untrusted record; none of it may read outside.
void ReadEverything(ConstBytes r) {
    std::array<uint8_t, 154> wlan{};
    std::vector<uint8_t> copy(r.begin(), r.end());
    std::vector<uint8_t> table(70000);
    uint16_t sceneCount = 0;
    (void)StoredRecordSize(r);
    (void)CheckRecord(r);
    (void)DeriveSceneCount(r);
    (void)ReadKnxRecord(copy, wlan);
    (void)ReadNameBlock(r);
    (void)ReadTransmitterTable(r, std::span<uint8_t, 70000>(table.data(), 70000));
    (void)LoadDimmerAssignments(r, 2, 1536);
    (void)LoadSceneAssignments(r, 0, 255);
    (void)LoadDeviceAssignments(r, 3074, std::vector<uint8_t>(512, 7));
    (void)LoadEnOceanAssignments(r, 0, 512, table, 1000);
    (void)DeleteSceneInPlace(copy, 0, 0, sceneCount);
}

TEST(DamagedRecord, SoundRecordHasNoProblems) {
    const RecordCheck check = CheckRecord(SoundKnx());
    EXPECT_FALSE(check.Damaged());
    EXPECT_TRUE(check.referencesOk);
    EXPECT_TRUE(check.problems.empty()) << check.problems.front();
    const RecordCheck enocean =
        CheckRecord(test::EnOceanRecord({{1, 2, 3, 0, 1}}, {test::Row("a", 3, 0, 2, 1)}));
    EXPECT_FALSE(enocean.Damaged());
    EXPECT_TRUE(enocean.problems.empty());
    EXPECT_FALSE(CheckRecord(NewRecord(BusType::EnOcean)).Damaged());
    EXPECT_FALSE(CheckRecord(NewRecord(BusType::Wlan)).Damaged());
}

TEST(DamagedRecord, TruncatedAnywhere) {
    const auto sound = SoundKnx();
    const size_t mainLength = GetAt16(sound, 0);
    for (size_t cut : {size_t{0}, size_t{1}, size_t{61}, size_t{62}, size_t{200}, mainLength - 1,
                       mainLength + 1, sound.size() - 1}) {
        const ConstBytes r = ConstBytes(sound).first(cut);
        const RecordCheck check = CheckRecord(r);
        EXPECT_TRUE(check.Damaged()) << cut;
        EXPECT_FALSE(check.problems.empty()) << cut;
        EXPECT_EQ(StoredRecordSize(r), std::nullopt) << cut;
        EXPECT_EQ(check.headerOk, cut >= mainLength) << cut;
        EXPECT_EQ(check.trailingOk, false) << cut;
    }
    for (size_t cut = 0; cut <= sound.size(); cut += 7)
        ReadEverything(ConstBytes(sound).first(cut));
    const auto enocean =
        test::EnOceanRecord({{1, 2, 3, 0, 1}, {1, 2, 3, 2, 1}}, {test::Row("a", 3, 0, 2, 1)});
    for (size_t cut = 0; cut <= enocean.size(); cut += 5) {
        ReadEverything(ConstBytes(enocean).first(cut));
    }
}

TEST(DamagedRecord, SectionOffsetsAndCountsPastTheMainPart) {
    const auto sound = SoundKnx();
    const size_t mainLength = GetAt16(sound, 0);
    struct Case {
        size_t field;
        uint16_t value;
        bool countInstead;  // write the value into the section's count, not the header
    };
    const Case cases[] = {{2, static_cast<uint16_t>(mainLength), false},
                          {4, 65535, false},
                          {6, 20, false},  // inside the header
                          {2, 30000, true},
                          {4, 20000, true},
                          {6, 40000, true}};
    for (const Case& c : cases) {
        auto r = sound;
        if (c.countInstead) {
            PutAt16(r, GetAt16(r, c.field), c.value);
        } else {
            PutAt16(r, c.field, c.value);
        }
        const RecordCheck check = CheckRecord(r);
        EXPECT_FALSE(check.sectionsOk) << c.field << " " << c.value;
        EXPECT_TRUE(check.headerOk);
        EXPECT_TRUE(check.trailingOk);
        EXPECT_EQ(ReadKnxSections(r), std::nullopt);
        EXPECT_TRUE(LoadSceneAssignments(r, 0, 1).empty());
        const auto before = r;
        uint16_t sceneCount = 0;
        EXPECT_FALSE(DeleteSceneInPlace(r, 0, 0, sceneCount));
        EXPECT_EQ(before, r);
        ReadEverything(r);
    }
}

TEST(DamagedRecord, DeviceBlock) {
    auto r = SoundKnx();
    PutAt16(r, 8, static_cast<uint16_t>(GetAt16(r, 0) - 100));
    RecordCheck check = CheckRecord(r);
    EXPECT_FALSE(check.deviceBlockOk);
    EXPECT_TRUE(check.sectionsOk);
    r = SoundKnx();
    PutAt16(r, GetAt16(r, 8), 600);
    check = CheckRecord(r);
    EXPECT_FALSE(check.deviceBlockOk);
    EXPECT_NE(check.problems.front().find("600"), std::string::npos);
}

TEST(DamagedRecord, TrailingBlock) {
    const auto sound = SoundKnx();
    const size_t mainLength = GetAt16(sound, 0);
    for (const uint8_t length : std::array<uint8_t, 4>{0, 3, 12, 255}) {
        auto r = sound;
        r[mainLength] = length;
        const RecordCheck check = CheckRecord(r);
        EXPECT_FALSE(check.trailingOk) << int{length};
        EXPECT_TRUE(check.sectionsOk);
        EXPECT_EQ(ReadNameBlock(r), std::nullopt);
        EXPECT_EQ(StoredRecordSize(r).has_value(), length == 12);  // 12 fits but ends mid-entry
    }
    // A label without its NUL inside the block.
    auto r = sound;
    r[mainLength + 16] = 'x';
    r[mainLength + 17] = 'y';
    r.resize(mainLength + 18);
    r[mainLength] = 18;
    EXPECT_FALSE(CheckRecord(r).trailingOk);
    EXPECT_EQ(ReadNameBlock(r), std::nullopt);
    // A group count larger than the block.
    r = sound;
    PutAt16(r, mainLength + 8, 500);
    EXPECT_FALSE(CheckRecord(r).trailingOk);
}

TEST(DamagedRecord, EnOceanEntriesAndTable) {
    auto r = test::EnOceanRecord({{1, 2, 3, 0, 1}}, {test::Row("a", 3, 0, 2, 1)});
    auto many = r;
    PutAt16(many, 4, 3000);
    EXPECT_FALSE(CheckRecord(many).sectionsOk);
    auto noDevice = r;
    PutAt16(noDevice, 8, 0);
    EXPECT_FALSE(CheckRecord(noDevice).deviceBlockOk);
    auto ragged = r;
    ragged[GetAt16(ragged, 0)] = 70 + 4 - 1;  // part of a row
    const RecordCheck check = CheckRecord(ragged);
    EXPECT_FALSE(check.Damaged());
    ASSERT_EQ(check.problems.size(), 1u);
    EXPECT_NE(check.problems[0].find("69 bytes"), std::string::npos);
}

TEST(DamagedRecord, BrokenReferencesAreNotedNotFatal) {
    KnxParts p;
    p.list = {7};
    p.pairs = {{0, 5}, {2, 6}, {1, 9000}, {1, 3}};
    p.outputs = CurrentOutputs(2, 0);
    const auto r = KnxRecord(p);
    const RecordCheck check = CheckRecord(r);
    EXPECT_FALSE(check.Damaged());
    EXPECT_FALSE(check.referencesOk);
    ASSERT_EQ(check.problems.size(), 3u);  // list positions, output past table, order
    EXPECT_NE(check.problems[0].find("2 pair(s)"), std::string::npos);
    EXPECT_NE(check.problems[1].find("output 9000"), std::string::npos);
    EXPECT_TRUE(LoadDimmerAssignments(r, 4, 1536).empty());
}

TEST(HostSceneListDamage, ReadHostScenesStaysInsideTheSpan) {
    std::vector<uint8_t> list(7, 0);
    list[6] = 200;  // claims 200 scenes, holds one block of 20 bytes
    test::PutU16(list, 20);
    list.push_back(0);
    test::PutU16(list, 27);  // name ends at 27: bytes 12-26
    list.resize(27, 'n');
    EXPECT_EQ(ReadHostScenes(list).size(), 1u);
}

}  // namespace
}  // namespace halvex
