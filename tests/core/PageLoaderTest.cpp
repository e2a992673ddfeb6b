#include <gtest/gtest.h>

#include "core/RecordTestBytes.h"
#include "plugin/PageLoader.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::KnxParts;
using test::KnxRecord;
using A = LoadedAssignment;
using List = std::vector<LoadedAssignment>;

std::vector<uint8_t> ThreeScenes(std::vector<std::pair<uint16_t, uint16_t>> pairs) {
    KnxParts p;
    p.list = {0x0801, 0x0802, 0x0803};
    p.pairs = std::move(pairs);
    p.outputs = CurrentOutputs(3, 0);
    return KnxRecord(p);
}

TEST(DimmerPage, OutputsOfBothDimmerPages) {
    const auto r = ThreeScenes({{1, 6}, {2, 7}, {3, 8}, {1, 1541}, {2, 1542}});
    EXPECT_EQ(LoadDimmerAssignments(r, 6, 1536),
              (List{{0, 0x0801}, {1, 0x0802}, {2, 0x0803}, {1535, 0x0801}}));
    EXPECT_EQ(LoadDimmerAssignments(r, 6 + 1536, 1536), (List{{0, 0x0802}}));
}

TEST(DimmerPage, WalkFollowsStoredOrder) {
    // Two pairs for one output: both, in stored order. A pair behind a later output: skipped.
    const auto r = ThreeScenes({{2, 10}, {1, 10}, {3, 12}, {1, 11}, {2, 13}});
    EXPECT_EQ(LoadDimmerAssignments(r, 6, 1536),
              (List{{4, 0x0802}, {4, 0x0801}, {6, 0x0803}, {7, 0x0802}}));
}

TEST(DimmerPage, NothingWithoutListOrPairTable) {
    auto r = ThreeScenes({{1, 6}});
    auto noList = r;
    test::PutAt16(noList, 2, 0);
    EXPECT_TRUE(LoadDimmerAssignments(noList, 6, 1536).empty());
    auto noPairs = r;
    test::PutAt16(noPairs, 4, 0);
    EXPECT_TRUE(LoadDimmerAssignments(noPairs, 6, 1536).empty());
    EXPECT_TRUE(LoadDimmerAssignments(NewRecord(BusType::Knx), 0, 1536).empty());
}

TEST(DimmerPage, PairsOutsideTheListAreSkipped) {
    const auto r = ThreeScenes({{0, 6}, {4, 6}, {3, 6}});
    EXPECT_EQ(LoadDimmerAssignments(r, 6, 1536), (List{{0, 0x0803}}));
}

TEST(ScenePage, EachSceneTakesAllItsPairs) {
    const auto r = ThreeScenes({{1, 4}, {2, 1}, {3, 6}, {3, 1}, {1, 0}, {2, 4}});
    EXPECT_EQ(LoadSceneAssignments(r, 0, 3), (List{{0, 0x0801}, {1, 0x0802}, {1, 0x0803}}));
    EXPECT_EQ(LoadSceneAssignments(r, 3, 3), (List{{1, 0x0801}, {1, 0x0802}}));
    EXPECT_TRUE(LoadSceneAssignments(r, 0, 0).empty());
}

TEST(DevicePage, OutputIndicesAndTypeMatch) {
    // S = 2, D = 3: Device 1 starts at 3076, Device 2 at 3079.
    KnxParts p;
    p.list = {0x0801, 0x0802};
    p.outputs = CurrentOutputs(2, 3);
    p.outputs[3076] = 0x170A;  // stored as a 4-byte output
    p.outputs[3077] = 0x1707;
    p.outputs[3081] = 0x1709;
    p.pairs = {{1, 3076}, {2, 3077}, {1, 3081}};
    const auto r = KnxRecord(p);
    const std::vector<uint8_t> types = {10, 7, 9};
    EXPECT_EQ(LoadDeviceAssignments(r, 3076, types), (List{{0, 0x0801}, {1, 0x0802}}));
    EXPECT_EQ(LoadDeviceAssignments(r, 3079, types), (List{{2, 0x0801}}));
    // Device 0 changed its kind from 40 to 20: its 4-byte assignment is not shown.
    const std::vector<uint8_t> changed = {9, 7, 9};
    EXPECT_EQ(LoadDeviceAssignments(r, 3076, changed), (List{{1, 0x0802}}));
    EXPECT_TRUE(LoadDeviceAssignments(r, 3076, {}).empty());
}

TEST(DevicePage, PairPastTheOutputTableIsNotShown) {
    KnxParts p;
    p.list = {1};
    p.outputs = CurrentOutputs(0, 1);
    p.pairs = {{1, 3074}};
    EXPECT_TRUE(LoadDeviceAssignments(KnxRecord(p), 3074, std::vector<uint8_t>{7}).empty());
}

TEST(EnOceanPage, EveryMatchingRowOfThePagesEntries) {
    const std::vector<std::vector<uint8_t>> rows = {
        test::Row("a", 0xF6, 0, 1, 100), test::Row("b", 0xF6, 0, 2, 100),
        test::Row("a again", 0xF6, 9, 1, 100), test::Row("c", 0xA5, 0, 1, 100)};
    std::vector<uint8_t> table;
    for (const auto& row : rows)
        table.insert(table.end(), row.begin(), row.end());
    const auto r = test::EnOceanRecord({{100, 1, 0xF6, 2, 3},
                                        {100, 2, 0xF6, 2, 1},
                                        {100, 1, 0xF6, 2, 0},
                                        {100, 1, 0xF6, 2, 513},
                                        {999, 1, 0xF6, 2, 2},  // no such transmitter
                                        {100, 1, 0xA5, 1, 2},
                                        {100, 2, 0xF6, 3, 512}},
                                       rows);
    EXPECT_EQ(LoadEnOceanAssignments(r, 2, 512, table, 4), (List{{0, 1}, {2, 0}, {2, 2}}));
    EXPECT_EQ(LoadEnOceanAssignments(r, 3, 512, table, 4), (List{{511, 1}}));
    EXPECT_EQ(LoadEnOceanAssignments(r, 1, 2, table, 4), (List{{1, 3}}));
    EXPECT_TRUE(LoadEnOceanAssignments(r, 1, 1, table, 4).empty());
    // Rows at or past the count are not matched.
    EXPECT_EQ(LoadEnOceanAssignments(r, 2, 512, table, 2), (List{{0, 1}, {2, 0}}));
    EXPECT_TRUE(LoadEnOceanAssignments(r, 2, 512, ConstBytes(table).first(69), 4).empty());
}

TEST(EnOceanPage, EntriesPastTheMainPartAreNotRead) {
    auto r = test::EnOceanRecord({{100, 1, 0xF6, 2, 1}}, {test::Row("a", 0xF6, 0, 1, 100)});
    std::vector<uint8_t> table(r.end() - 70, r.end());
    EXPECT_EQ(LoadEnOceanAssignments(r, 2, 512, table, 1), (List{{0, 0}}));
    test::PutAt16(r, 4, 5000);
    EXPECT_TRUE(LoadEnOceanAssignments(r, 2, 512, table, 1).empty());
    EXPECT_TRUE(LoadEnOceanAssignments(ThreeScenes({}), 2, 512, table, 1).empty());
}

}  // namespace
}  // namespace halvex
