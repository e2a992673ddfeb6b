// Reading each page's assignments out of a record, in the order the page inserts them.
#include <gtest/gtest.h>

#include "engine/record/PageLoader.h"
#include "engine/record/SceneRecord.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;
using List = std::vector<LoadedAssignment>;
using Pairs = std::vector<std::pair<uint16_t, uint16_t>>;

std::vector<uint8_t> ThreeScenes(Pairs pairs) {
    KnxParts p;
    p.list = {0x0801, 0x0802, 0x0803};
    p.pairs = std::move(pairs);
    p.outputs = CurrentOutputs(3, 0);
    return KnxRecord(p);
}

TEST(PageLoader, DimmerAndScenePages) {
    // Dimmer pages walk the pairs once in step with their outputs: two pairs of one output come
    // in stored order, a pair behind a later output is not seen, a list index of 0 or past the
    // list is skipped. Scene pages take every pair of each scene.
    const Pairs dimmer = {{1, 6}, {2, 7}, {3, 8}, {1, 1541}, {2, 1542}};
    const Pairs scenes = {{1, 4}, {2, 1}, {3, 6}, {3, 1}, {1, 0}, {2, 4}};
    const Pairs repeated = {{2, 10}, {1, 10}, {3, 12}, {1, 11}, {2, 13}};
    const struct {
        Pairs pairs;
        bool scene;
        uint32_t first, count;
        List expected;
    } cases[] = {
        {dimmer, false, 6, 1536, {{0, 0x0801}, {1, 0x0802}, {2, 0x0803}, {1535, 0x0801}}},
        {dimmer, false, 6 + 1536, 1536, {{0, 0x0802}}},
        {repeated, false, 6, 1536, {{4, 0x0802}, {4, 0x0801}, {6, 0x0803}, {7, 0x0802}}},
        {{{0, 6}, {4, 6}, {3, 6}}, false, 6, 1536, {{0, 0x0803}}},
        {scenes, true, 0, 3, {{0, 0x0801}, {1, 0x0802}, {1, 0x0803}}},
        {scenes, true, 3, 3, {{1, 0x0801}, {1, 0x0802}}},
        {{{1, 0}}, true, 0, 0, {}},
    };
    for (const auto& c : cases) {
        const auto r = ThreeScenes(c.pairs);
        EXPECT_EQ(c.scene ? LoadSceneAssignments(r, c.first, c.count)
                          : LoadDimmerAssignments(r, c.first, c.count),
                  c.expected);
    }
    // Without address list or pair table there is nothing to show.
    for (const size_t field : {2, 4}) {
        auto r = ThreeScenes({{1, 6}});
        PutAt16(r, field, 0);
        EXPECT_TRUE(LoadDimmerAssignments(r, 6, 1536).empty());
    }
    EXPECT_TRUE(LoadDimmerAssignments(NewRecord(BusType::Knx), 0, 1536).empty());
}

TEST(PageLoader, DevicePagesShowOnlyOutputsOfTheDevicesCurrentType) {
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
    EXPECT_EQ(LoadDeviceAssignments(r, 3076, std::vector<uint8_t>{9, 7, 9}), (List{{1, 0x0802}}));
    EXPECT_TRUE(LoadDeviceAssignments(r, 3076, {}).empty());
    p.outputs = CurrentOutputs(0, 1);  // a pair past the output table
    p.pairs = {{1, 3074}};
    EXPECT_TRUE(LoadDeviceAssignments(KnxRecord(p), 3074, std::vector<uint8_t>{7}).empty());
}

TEST(PageLoader, EnOceanPagesShowEveryMatchingRow) {
    const std::vector<std::vector<uint8_t>> rows = {
        Row("a", 0xF6, 0, 1, 100), Row("b", 0xF6, 0, 2, 100), Row("a again", 0xF6, 9, 1, 100),
        Row("c", 0xA5, 0, 1, 100)};
    std::vector<uint8_t> table;
    for (const auto& row : rows)
        table.insert(table.end(), row.begin(), row.end());
    auto r = EnOceanRecord({{100, 1, 0xF6, 2, 3},
                            {100, 2, 0xF6, 2, 1},
                            {100, 1, 0xF6, 2, 0},
                            {100, 1, 0xF6, 2, 513},
                            {999, 1, 0xF6, 2, 2},  // no such transmitter
                            {100, 1, 0xA5, 1, 2},
                            {100, 2, 0xF6, 3, 512}},
                           rows);
    const struct {
        uint8_t page;
        uint32_t outputs;
        size_t tableBytes;
        uint16_t count;  // rows at or past the count are not matched
        List expected;
    } cases[] = {
        {2, 512, table.size(), 4, {{0, 1}, {2, 0}, {2, 2}}},
        {3, 512, table.size(), 4, {{511, 1}}},
        {1, 2, table.size(), 4, {{1, 3}}},
        {1, 1, table.size(), 4, {}},
        {2, 512, table.size(), 2, {{0, 1}, {2, 0}}},
        {2, 512, 69, 4, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadEnOceanAssignments(r, c.page, c.outputs,
                                         ConstBytes(table).first(c.tableBytes), c.count),
                  c.expected);
    }
    PutAt16(r, 4, 5000);  // entries past the main part are not read
    EXPECT_TRUE(LoadEnOceanAssignments(r, 2, 512, table, 4).empty());
    EXPECT_TRUE(LoadEnOceanAssignments(ThreeScenes({}), 2, 512, table, 4).empty());
}

}  // namespace
}  // namespace halvex
