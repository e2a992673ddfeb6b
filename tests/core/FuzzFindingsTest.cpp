// Faults the fuzz targets found, each kept as the smallest case that shows it.
#include <gtest/gtest.h>

#include <array>

#include "core/RecordTestBytes.h"
#include "plugin/PageLoader.h"
#include "plugin/RecordWriter.h"
#include "plugin/SceneDeletion.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::GetAt16;
using test::KnxParts;
using test::KnxRecord;
using test::PutAt16;

// Three scenes, one pair on each scene output.
std::vector<uint8_t> ThreeSceneRecord() {
    KnxParts p;
    p.list = {0x0801, 0x0802, 0x0803};
    p.pairs = {{1, 0}, {2, 1}, {3, 2}, {1, 3}, {2, 4}, {3, 5}};
    p.outputs = CurrentOutputs(3, 0, {0, 1, 2, 3, 4, 5});
    return KnxRecord(p);
}

// scene_delete_fuzz: a device block whose offset points into the pair table passes every
// length check, and deleting a scene moved pairs through the device count, leaving a record
// whose device block claimed over 512 devices. Such a record is now refused untouched.
TEST(SceneDeletionFinding, DeviceBlockInsideThePairTableIsRefused) {
    auto record = ThreeSceneRecord();
    const uint16_t pairTable = GetAt16(record, 4);
    PutAt16(record, 8, static_cast<uint16_t>(pairTable + 6));  // count byte of a list index
    ASSERT_FALSE(CheckRecord(record).Damaged()) << "the case needs a record that checks clean";
    const auto before = record;
    uint16_t sceneCount = 0;
    EXPECT_FALSE(DeleteSceneInPlace(record, 0, 2, sceneCount));
    EXPECT_EQ(record, before);
}

TEST(SceneDeletionFinding, OutputTableInsideThePairTableIsRefused) {
    auto record = ThreeSceneRecord();
    // The output table offset moved back onto the last pairs: both tables share bytes.
    const uint16_t outputTable = GetAt16(record, 6);
    PutAt16(record, 6, static_cast<uint16_t>(outputTable - 4));
    const auto before = record;
    uint16_t sceneCount = 0;
    EXPECT_FALSE(DeleteSceneInPlace(record, 0, 2, sceneCount));
    EXPECT_EQ(record, before);
}

TEST(SceneDeletionFinding, SeparatePartsStillDelete) {
    auto record = ThreeSceneRecord();
    uint16_t sceneCount = 0;
    EXPECT_TRUE(DeleteSceneInPlace(record, 0, 2, sceneCount));
    EXPECT_EQ(sceneCount, 3);
    EXPECT_EQ(GetAt16(record, GetAt16(record, 4)), 4);  // pairs of outputs 0 and 3 gone
    EXPECT_FALSE(CheckRecord(record).Damaged());
}

// record_fuzz: two transmitter rows with the same telegram under different names. Reading a
// record inserts every row that matches an entry, so an output with one of them came back with
// both, was saved with two equal entries, came back with four, and so on at every save. Equal
// entries of one output are now written once, and the record stays the same from save to save.
TEST(EnOceanRoundTripFinding, RowsWithTheSameTelegramDoNotMultiply) {
    std::vector<uint8_t> table(70 * 1000, 0);
    for (size_t row = 0; row < 2; ++row) {
        table[row * 70] = static_cast<uint8_t>('A' + row);  // names differ
        table[row * 70 + 60] = 5;                           // ORG
        table[row * 70 + 62] = 0x30;                        // data
        table[row * 70 + 66] = 0x21;                        // ID
    }
    const std::vector<uint8_t> devices(12288, 0);
    std::vector<uint8_t> header(62, 0);
    header[15] = 0x10;  // EnOcean

    auto save = [&](const std::array<PageContent, 4>& pages) {
        std::vector<uint8_t> record = header;
        const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
        EXPECT_EQ(WriteEnOceanRecord(record, view, table, 2, 0, devices), WriteStatus::Ok);
        return record;
    };
    auto open = [&](const std::vector<uint8_t>& record) {
        std::array<PageContent, 4> pages;
        for (uint8_t p = 0; p < 4; ++p) {
            pages[p].AddOutput(0);
            for (const LoadedAssignment& a : LoadEnOceanAssignments(record, p, 1, table, 2))
                pages[p].AddChild(a.number);
        }
        return pages;
    };

    std::array<PageContent, 4> pages;
    for (PageContent& page : pages)
        page.AddOutput(0);
    pages[0].AddChild(0);  // row A on scene 1
    const auto first = save(pages);
    EXPECT_EQ(GetAt16(first, 4), 1);  // one entry
    const auto reopened = open(first);
    ASSERT_EQ(reopened[0].ChildCount(), 2u);  // both rows match it, as reading is meant to
    const auto second = save(reopened);
    EXPECT_EQ(GetAt16(second, 4), 1);
    EXPECT_EQ(second, first);
    EXPECT_EQ(save(open(second)), first);
}

}  // namespace
}  // namespace halvex
