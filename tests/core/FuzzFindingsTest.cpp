// Faults the fuzz targets found, each kept as the smallest case that shows it.
#include <gtest/gtest.h>

#include "core/RecordTestBytes.h"
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

}  // namespace
}  // namespace halvex
