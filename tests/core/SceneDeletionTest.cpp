#include <gtest/gtest.h>

#include "core/RecordTestBytes.h"
#include "plugin/SceneDeletion.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::GetAt16;
using test::KnxParts;
using test::KnxRecord;

std::vector<std::pair<uint16_t, uint16_t>> PairsOf(const std::vector<uint8_t>& r) {
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    const size_t at = GetAt16(r, 4);
    for (size_t i = 0; i < GetAt16(r, at); ++i) {
        pairs.push_back({GetAt16(r, at + 2 + 4 * i), GetAt16(r, at + 4 + 4 * i)});
    }
    return pairs;
}

std::vector<uint16_t> OutputsOf(const std::vector<uint8_t>& r) {
    std::vector<uint16_t> codes;
    const size_t at = GetAt16(r, 6);
    for (size_t i = 0; i < GetAt16(r, at); ++i)
        codes.push_back(GetAt16(r, at + 2 + 2 * i));
    return codes;
}

// Three scenes; outputs 1 to 6 have one pair each (output 6, the first dimmer output, two).
KnxParts ThreeScenes() {
    KnxParts p;
    p.list = {10, 20, 30, 40, 50, 60, 70};
    p.pairs = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 6}};
    p.outputs = CurrentOutputs(3, 0, {1, 2, 3, 4, 5, 6});
    return p;
}

TEST(DeleteKnxScene, MiddleOfThreeScenes) {
    auto r = KnxRecord(ThreeScenes());
    const auto before = r;
    uint16_t sceneCount = 99;
    ASSERT_TRUE(DeleteSceneInPlace(r, 1, 2, sceneCount));  // m = 3
    EXPECT_EQ(sceneCount, 3);
    const std::vector<std::pair<uint16_t, uint16_t>> pairs = {
        {2, 1}, {3, 2}, {5, 3}, {6, 4}, {7, 4}};
    EXPECT_EQ(PairsOf(r), pairs);
    auto expected = CurrentOutputs(3, 0, {1, 2, 3, 4, 5, 6});
    expected.erase(expected.begin() + 4);
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(OutputsOf(r), expected);
    // Freed slots keep their bytes; nothing else moves.
    const size_t pairsAt = GetAt16(r, 4);
    EXPECT_EQ(GetAt16(r, pairsAt + 2 + 4 * 5), GetAt16(before, pairsAt + 2 + 4 * 5));
    EXPECT_EQ(GetAt16(r, pairsAt + 2 + 4 * 6), 7);
    EXPECT_EQ(GetAt16(r, pairsAt + 4 + 4 * 6), 6);
    const size_t outAt = GetAt16(r, 6);
    const size_t e = GetAt16(before, outAt);
    EXPECT_EQ(GetAt16(r, outAt + 2 * e), GetAt16(before, outAt + 2 * e));
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + pairsAt, before.begin()));
    EXPECT_TRUE(
        std::equal(r.begin() + outAt + 2 + 2 * e, r.end(), before.begin() + outAt + 2 + 2 * e));
    EXPECT_EQ(r.size(), before.size());
}

TEST(DeleteKnxScene, LastScene) {
    auto r = KnxRecord(ThreeScenes());
    uint16_t sceneCount = 0;
    ASSERT_TRUE(DeleteSceneInPlace(r, 2, 2, sceneCount));  // outputs 2 and 5 go
    const std::vector<std::pair<uint16_t, uint16_t>> pairs = {
        {1, 1}, {3, 2}, {4, 3}, {6, 4}, {7, 4}};
    EXPECT_EQ(PairsOf(r), pairs);
    EXPECT_EQ(OutputsOf(r).size(), 3072u + 6 - 2);
}

TEST(DeleteKnxScene, NoPairsOnlyTheOutputTableChanges) {
    KnxParts p;
    p.outputs = CurrentOutputs(2, 0);
    p.outputs[3] = 0x0301;  // mark Scene Out 2's second scene
    auto r = KnxRecord(p);
    uint16_t sceneCount = 0;
    ASSERT_TRUE(DeleteSceneInPlace(r, 0, 1, sceneCount));  // outputs 0 and 2
    EXPECT_TRUE(PairsOf(r).empty());
    const auto codes = OutputsOf(r);
    ASSERT_EQ(codes.size(), 3072u + 2);
    EXPECT_EQ(codes[1], 0x0301);
    EXPECT_EQ(codes[2], 0x0300);
    EXPECT_EQ(codes[3], 0x0303);
}

TEST(DeleteKnxScene, IndexAtSceneCountChangesNothing) {
    KnxParts p;
    p.outputs = CurrentOutputs(5, 0);
    p.pairs = {{1, 0}};
    p.list = {1};
    auto r = KnxRecord(p);
    const auto before = r;
    uint16_t sceneCount = 0;
    EXPECT_TRUE(DeleteSceneInPlace(r, 5, 4, sceneCount));
    EXPECT_EQ(sceneCount, 5);
    EXPECT_BYTES_EQ(before, r);
}

TEST(DeleteKnxScene, RefusedWhereItCannotEditSafely) {
    const auto sound = KnxRecord(ThreeScenes());
    uint16_t sceneCount = 0;
    auto r = sound;
    EXPECT_FALSE(DeleteSceneInPlace(r, 0, 255, sceneCount));  // m wraps to 0
    EXPECT_BYTES_EQ(sound, r);

    KnxParts tiny;
    tiny.outputs = {0x0300, 0x0300, 0x0300};  // earlier format, one scene, no room for s + m
    auto t = KnxRecord(tiny);
    const auto tinyBefore = t;
    EXPECT_FALSE(DeleteSceneInPlace(t, 0, 200, sceneCount));
    EXPECT_EQ(sceneCount, 1);
    EXPECT_BYTES_EQ(tinyBefore, t);

    auto cut = sound;
    test::PutAt16(cut, GetAt16(cut, 4), 60000);  // pair count past the main part
    const auto cutBefore = cut;
    EXPECT_FALSE(DeleteSceneInPlace(cut, 0, 2, sceneCount));
    EXPECT_BYTES_EQ(cutBefore, cut);

    std::vector<uint8_t> shortRecord(40, 0);
    EXPECT_FALSE(DeleteSceneInPlace(shortRecord, 0, 2, sceneCount));
    EXPECT_FALSE(DeleteSceneInPlace(MutableBytes(r).first(100), 0, 2, sceneCount));
}

std::vector<test::Entry> EntriesOf(const std::vector<uint8_t>& r) {
    std::vector<test::Entry> entries;
    for (size_t i = 0; i < GetAt16(r, 4); ++i) {
        const size_t at = 62 + 12 * i;
        entries.push_back({static_cast<uint32_t>(r[at]), 0, 0, r[at + 9], GetAt16(r, at + 10)});
    }
    return entries;
}

TEST(DeleteEnOceanScene, EntriesOfScenePagesOnly) {
    const std::vector<test::Entry> entries = {{1, 0, 0, 0, 1},
                                              {2, 0, 0, 0, 1},  // scene 0 on page 0, twice
                                              {3, 0, 0, 1, 4},  // scene 3 on Scene Out 2
                                              {4, 0, 0, 2, 1},  // dimmer channel 1
                                              {5, 0, 0, 1, 1},  // scene 0 on Scene Out 2
                                              {6, 0, 0, 3, 9}};
    const auto rows = std::vector<std::vector<uint8_t>>{test::Row("t", 1, 2, 3, 4)};
    auto r = test::EnOceanRecord(entries, rows, 2);
    const auto before = r;
    uint16_t sceneCount = 42;
    ASSERT_TRUE(DeleteSceneInPlace(r, 0, 7, sceneCount));
    EXPECT_EQ(sceneCount, 42);  // not used for EnOcean records
    const auto left = EntriesOf(r);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].id, 3u);
    EXPECT_EQ(left[0].output, 3);
    EXPECT_EQ(left[1].id, 4u);
    EXPECT_EQ(left[1].output, 1);
    EXPECT_EQ(left[2].id, 6u);
    EXPECT_EQ(GetAt16(r, 0), GetAt16(before, 0) - 36);
    EXPECT_EQ(GetAt16(r, 8), GetAt16(before, 8) - 36);
    // Device block and trailing block moved up by three entries; the allocation keeps its size.
    EXPECT_TRUE(
        std::equal(r.begin() + GetAt16(r, 8), r.end() - 36, before.begin() + GetAt16(before, 8)));
    EXPECT_EQ(r.size(), before.size());
}

TEST(DeleteEnOceanScene, NoEntriesAndDamagedLengths) {
    auto empty = test::EnOceanRecord({}, {test::Row("t", 1, 2, 3, 4)});
    const auto emptyBefore = empty;
    uint16_t sceneCount = 0;
    EXPECT_TRUE(DeleteSceneInPlace(empty, 0, 0, sceneCount));
    EXPECT_BYTES_EQ(emptyBefore, empty);

    const auto sound = test::EnOceanRecord({{1, 0, 0, 0, 1}}, {test::Row("t", 1, 2, 3, 4)});
    auto longTrailing = sound;
    longTrailing[GetAt16(longTrailing, 0)] = 200;  // trailing block longer than the record
    auto copy = longTrailing;
    EXPECT_FALSE(DeleteSceneInPlace(longTrailing, 0, 0, sceneCount));
    EXPECT_BYTES_EQ(copy, longTrailing);

    auto manyEntries = sound;
    test::PutAt16(manyEntries, 4, 2000);
    copy = manyEntries;
    EXPECT_FALSE(DeleteSceneInPlace(manyEntries, 0, 0, sceneCount));
    EXPECT_BYTES_EQ(copy, manyEntries);

    auto noDeviceOffset = sound;
    test::PutAt16(noDeviceOffset, 8, 0);
    copy = noDeviceOffset;
    EXPECT_FALSE(DeleteSceneInPlace(noDeviceOffset, 0, 0, sceneCount));
    EXPECT_BYTES_EQ(copy, noDeviceOffset);
}

}  // namespace
}  // namespace halvex
