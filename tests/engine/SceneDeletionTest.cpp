// Removing a deleted host scene from a stored record, in place. Records it must refuse are in
// the damaged-record table.
#include <gtest/gtest.h>

#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;
using Pairs = std::vector<std::pair<uint16_t, uint16_t>>;

KnxParts Scenes(uint16_t scenes, Pairs pairs, std::vector<uint16_t> assigned) {
    KnxParts p;
    p.list = {10, 20, 30, 40, 50, 60, 70};
    p.pairs = std::move(pairs);
    p.outputs = CurrentOutputs(scenes, 0, assigned);
    return p;
}

TEST(DeleteKnxScene, OutputsAndPairsMoveDownInPlace) {
    // Three scenes; outputs 1 to 6 have one pair each (output 6, the first dimmer output, two).
    const KnxParts three =
        Scenes(3, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 6}}, {1, 2, 3, 4, 5, 6});
    const KnxParts every =
        Scenes(3, {{1, 0}, {2, 1}, {3, 2}, {1, 3}, {2, 4}, {3, 5}}, {0, 1, 2, 3, 4, 5});
    KnxParts marked = Scenes(2, {}, {});
    marked.outputs[3] = 0x0301;  // Scene Out 2's second scene
    const struct {
        const char* name;
        KnxParts parts;
        uint8_t scene, byte6;  // the scene's output on Scene Out 2: scene + byte6 + 1
        Pairs pairs;
        std::vector<size_t> removedOutputs;
        uint16_t sceneCount;
    } cases[] = {
        {"middle", three, 1, 2, {{2, 1}, {3, 2}, {5, 3}, {6, 4}, {7, 4}}, {1, 4}, 3},
        {"last", three, 2, 2, {{1, 1}, {3, 2}, {4, 3}, {6, 4}, {7, 4}}, {2, 5}, 3},
        {"first, pairs on every output", every, 0, 2, {{2, 0}, {3, 1}, {2, 2}, {3, 3}}, {0, 3}, 3},
        {"no pairs", marked, 0, 1, {}, {0, 2}, 1},
        {"index at the scene count", Scenes(5, {{1, 0}}, {}), 5, 4, {{1, 0}}, {}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = KnxRecord(c.parts);
        auto r = before;
        uint16_t sceneCount = 99;
        ASSERT_TRUE(DeleteSceneInPlace(r, c.scene, c.byte6, sceneCount));
        EXPECT_EQ(sceneCount, c.sceneCount);
        // Counts and moved entries change; freed slots keep their bytes, nothing else moves.
        auto expected = before;
        const size_t pairsAt = GetAt16(before, 4), outputsAt = GetAt16(before, 6);
        PutAt16(expected, pairsAt, static_cast<uint16_t>(c.pairs.size()));
        for (size_t i = 0; i < c.pairs.size(); ++i) {
            PutAt16(expected, pairsAt + 2 + 4 * i, c.pairs[i].first);
            PutAt16(expected, pairsAt + 4 + 4 * i, c.pairs[i].second);
        }
        std::vector<uint16_t> codes = c.parts.outputs;
        for (auto o = c.removedOutputs.rbegin(); o != c.removedOutputs.rend(); ++o)
            codes.erase(codes.begin() + static_cast<long>(*o));
        PutAt16(expected, outputsAt, static_cast<uint16_t>(codes.size()));
        for (size_t i = 0; i < codes.size(); ++i)
            PutAt16(expected, outputsAt + 2 + 2 * i, codes[i]);
        EXPECT_BYTES_EQ(expected, r);
        EXPECT_FALSE(CheckRecord(r).Damaged());
    }
}

TEST(DeleteKnxScene, RefusedUntouchedForAScene6OfByte255OrAShortSpan) {
    const auto sound = KnxRecord(Scenes(3, {{1, 1}}, {1}));
    auto r = sound;
    uint16_t sceneCount = 0;
    EXPECT_FALSE(DeleteSceneInPlace(r, 0, 255, sceneCount));  // m wraps to 0
    EXPECT_FALSE(SceneDeletionRefusal(r, 0, 255).empty());
    EXPECT_FALSE(DeleteSceneInPlace(MutableBytes(r).first(100), 0, 2, sceneCount));
    for (const size_t size : {0u, 1u, 14u, 61u})
        EXPECT_FALSE(DeleteSceneInPlace(MutableBytes(r).first(size), 0, 2, sceneCount)) << size;
    EXPECT_BYTES_EQ(sound, r);
}

TEST(DeleteEnOceanScene, EntriesOfScenePagesOnly) {
    const std::vector<std::vector<uint8_t>> rows = {Row("t", 1, 2, 3, 4)};
    const auto before = EnOceanRecord({{1, 0, 0, 0, 1},
                                       {2, 0, 0, 0, 1},  // scene 0 on page 0, twice
                                       {3, 0, 0, 1, 4},  // scene 3 on Scene Out 2
                                       {4, 0, 0, 2, 1},  // dimmer channel 1
                                       {5, 0, 0, 1, 1},  // scene 0 on Scene Out 2
                                       {6, 0, 0, 3, 9}},
                                      rows, 2);
    auto r = before;
    uint16_t sceneCount = 42;
    ASSERT_TRUE(DeleteSceneInPlace(r, 0, 7, sceneCount));
    EXPECT_EQ(sceneCount, 42);  // not used for EnOcean records
    // Later parts move up by three entries; the allocation keeps its size.
    const auto expected =
        EnOceanRecord({{3, 0, 0, 1, 3}, {4, 0, 0, 2, 1}, {6, 0, 0, 3, 9}}, rows, 2);
    EXPECT_BYTES_EQ(expected, ConstBytes(r).first(expected.size()));
    EXPECT_EQ(r.size(), before.size());

    auto empty = EnOceanRecord({}, rows);
    const auto emptyBefore = empty;
    EXPECT_TRUE(DeleteSceneInPlace(empty, 0, 0, sceneCount));
    EXPECT_BYTES_EQ(emptyBefore, empty);
}

}  // namespace
}  // namespace halvex
