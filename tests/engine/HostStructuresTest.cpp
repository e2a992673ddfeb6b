// The host's scene list and device table, read within their bytes.
#include <gtest/gtest.h>

#include <string>

#include "engine/record/HostStructures.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

// Scene list with the named scenes: each block is 2 + 1 + 2 + 15 (name) + `extra` bytes and
// its u16 at offset 3 points behind its name; then a count byte and `records` 7-byte records.
std::vector<uint8_t> SceneList(const std::vector<std::string>& names, uint8_t records,
                               size_t extra = 0) {
    std::vector<uint8_t> list = {1, 2, 3, 4, 5, 6, static_cast<uint8_t>(names.size())};
    for (const std::string& name : names) {
        const size_t block = list.size();
        test::PutU16(list, static_cast<uint16_t>(20 + extra));
        list.push_back(0);
        test::PutU16(list, static_cast<uint16_t>(block + 20));
        std::string field = name.substr(0, 15);
        field.resize(15, '\0');
        field.append(extra, '\xEE');
        list.insert(list.end(), field.begin(), field.end());
    }
    list.push_back(records);
    list.resize(list.size() + 7u * records, 0x11);
    return list;
}

TEST(HostSceneList, SizeAndNames) {
    // Blocks of 280 bytes: both length bytes count.
    const auto list = SceneList({"Morning", "ABCDEFGHIJKLMNOP", "Gr\xFC\xDF"}, 2, 260);
    EXPECT_EQ(HostSceneListSize(list.data()), 7u + 3 * 280 + 1 + 14);
    EXPECT_EQ(list.size(), 7u + 3 * 280 + 1 + 14);
    const auto scenes = ReadHostScenes(list);
    ASSERT_EQ(scenes.size(), 3u);
    EXPECT_EQ(scenes[0].name, "Morning");
    EXPECT_EQ(scenes[1].name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(scenes[2].name, "Gr\xFC\xDF");  // ANSI bytes, converted by the caller
}

TEST(HostSceneList, BogusLengthsAndCountsStayInside) {
    EXPECT_EQ(HostSceneListSize(nullptr), 0u);
    std::vector<uint8_t> huge(70000 * 2, 0xFF);  // every block claims 65535 bytes
    huge[6] = 3;
    EXPECT_EQ(HostSceneListSize(huge.data()), kSceneListSizeCap);
    auto farName = SceneList({"A"}, 0);
    farName[10] = 0xFF;  // name end far outside: the scene is there, its name is not
    farName[11] = 0x7F;
    const auto scenes = ReadHostScenes(farName);
    ASSERT_EQ(scenes.size(), 1u);
    EXPECT_EQ(scenes[0].name, "");
    auto many = SceneList({"A"}, 0);
    many[6] = 200;  // claims 200 scenes, holds one block
    EXPECT_EQ(ReadHostScenes(many).size(), 1u);
    EXPECT_TRUE(ReadHostScenes(std::vector<uint8_t>(6, 1)).empty());
    EXPECT_TRUE(ReadHostScenes({}).empty());
}

TEST(DeviceTable, TypeAndName) {
    std::vector<uint8_t> table(12288, 0);
    const std::string full = "Twenty character nam";  // exactly 20, no NUL
    std::copy(full.begin(), full.end(), table.begin());
    table[20] = 20, table[24 + 20] = 40, table[48 + 20] = 41, table[48] = 'D';
    const struct {
        size_t index;
        uint8_t type;
        std::string name;
    } cases[] = {{0, 9, full}, {1, 10, ""}, {2, 7, "D"}, {512, 7, ""}};  // 512: past the table
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceOutputType(table, c.index), c.type) << c.index;
        EXPECT_EQ(DeviceName(table, c.index), c.name) << c.index;
    }
    EXPECT_EQ(DeviceName({}, 0), "");
    EXPECT_EQ(DeviceOutputType({}, 0), 7);
    EXPECT_EQ(DeviceName(std::vector<uint8_t>(24, 'A'), 1), "");
}

}  // namespace
}  // namespace halvex
