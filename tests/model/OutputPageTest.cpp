// Output pages: which output each record entry lands on, and the record they write back.
#include <random>
#include <set>

#include "engine/ModuleState.h"
#include "model/ItemData.h"
#include "support/ByteDiff.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

using OutputPageTest = ModelFixture;

const std::vector<Name> kGroups = {{0x0801, 0x08010020, "1/0/1 Switch"},
                                   {0x0802, 0x08020023, "1/0/2 Dim"},
                                   {0x0803, 0x08030027, "1/0/3 Value"},
                                   {0x0804, 0x08040029, "1/0/4 Colour"},
                                   {0x0805, 0x0805002A, "1/0/5 Wide"}};

TEST_F(OutputPageTest, SceneDimmerAndDeviceOutputsTakeTheirPairs) {
    KnxRecordPlan plan;
    plan.scenes = 3;
    plan.mains = {{1, 0, "1 Light"}};
    plan.middles = {{8, 0, "0 Ground"}};
    plan.groups = kGroups;
    plan.pairs = {{1, 0x0801},    {4, 0x0801},    {6, 0x0801},    {7, 0x0802},
                  {8, 0x0803},    {1541, 0x0803}, {1542, 0x0801}, {3077, 0x0802},
                  {3078, 0x0803}, {3079, 0x0803}, {3079, 0xFFFF}};
    plan.deviceTypes = {7};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Dimmer A", 0}});
    Open(BuildKnxRecord(plan), {"Morning", "Evening", "Fifteen chars!!"}, {{"Dimmer A", 0}});
    EXPECT_EQ(Module().SceneCount, 3);
    EXPECT_EQ(PageTree(0).TopLevel(2)->label, "Fifteen chars!!");
    EXPECT_EQ(PageTree(2).TopLevel(1535)->label, "1byte DMX Ch. 512");
    EXPECT_EQ(PageTree(2).TopLevel(1535)->data, 7u);
    EXPECT_EQ(PageTree(4).TopLevel(0)->label, "Dimmer A");
    EXPECT_EQ(Assignments(),
              "0/1 1/0/1 Switch, 1/1 1/0/1 Switch, 2/0 1/0/1 Switch, 2/1 1/0/2 Dim, "
              "2/2 1/0/3 Value, 2/1535 1/0/3 Value, 3/0 1/0/1 Switch, 3/1535 1/0/2 Dim, "
              "4/0 1/0/3 Value, 5/0 1/0/3 Value, 5/0 ");
    // Stored assignments: catalogue number, 0x10, and 0x17 on dimmer and device pages.
    EXPECT_EQ(PageTree(0).TopLevel(1)->Child(0)->data, 0x08010010u);
    EXPECT_EQ(PageTree(2).TopLevel(0)->Child(0)->data, 0x08010017u);
    EXPECT_EQ(PageTree(2).TopLevel(0)->Child(0)->image, kImageGroupAddress);
    EXPECT_BYTES_EQ(BuildKnxRecord(plan), Rebuild());
}

TEST_F(OutputPageTest, ConfigurationTooLargeIsRefusedAndNothingIsLost) {
    const std::vector<uint8_t> original = BuildKnxRecord({});
    Open(original);
    // 11,000 addresses on dimmer channels: the main part would pass 65,535 bytes.
    for (uint32_t a = 1; a <= 11000; ++a)
        PageTree(2).Insert(PageTree(2).TopLevel(a % 512 * 3), "", InsertAt::Last, 0, 0, a << 16);
    EXPECT_EQ(model->Rebuild(), DialogModel::RebuildResult::TooLarge);
    EXPECT_BYTES_EQ(original, WorkingRecord());
}

// Random configurations, stored again unchanged: the rebuilt record equals the one built by
// hand, with the address list the sorted set of all addresses and each pair naming its
// address's position. Scene and dimmer outputs take any addresses, several each; device
// outputs the catalogue's addresses of their type.
TEST_F(OutputPageTest, RandomConfigurationsRoundTrip) {
    std::mt19937 random(20261206);
    const std::vector<Device> devices = {{"D0", 0}, {"D1", 20}, {"D2", 40}};
    for (int round = 0; round < 4; ++round) {
        KnxRecordPlan plan;
        plan.scenes = static_cast<uint16_t>(random() % 20);
        plan.mains = {{1, 0, "1 Light"}};
        plan.middles = {{8, 0, "0 Ground"}};
        plan.groups = kGroups;
        plan.deviceTypes = {7, 9, 10};
        plan.deviceCount = 3;
        plan.deviceTable = MakeDeviceTable(devices);
        plan.flagsB = static_cast<uint8_t>((round < 2 ? 0x20 : 0x00) | (round == 1 ? 0x40 : 0));
        const size_t firstDevice = 2 * plan.scenes + 3072;
        for (uint16_t out = 0; out < firstDevice + 6; ++out) {
            std::set<uint16_t> addresses;
            while (out < firstDevice && random() % 7 == 0)
                addresses.insert(static_cast<uint16_t>(round % 2 ? random() : random() % 2000));
            for (const Name& g : kGroups) {
                if (out >= firstDevice && random() % 3 == 0 &&
                    (g.data & 0x0F) == plan.deviceTypes[(out - firstDevice) % 3])
                    addresses.insert(g.number);
            }
            for (uint16_t address : addresses)
                plan.pairs.push_back({out, address});
        }
        std::vector<std::string> names;
        for (int s = 0; s < plan.scenes; ++s)
            names.push_back("Scene " + std::to_string(s));
        const std::vector<uint8_t> original = BuildKnxRecord(plan);
        Open(original, names, devices);
        EXPECT_BYTES_EQ(original, Rebuild()) << "round " << round;
        TearDown();
    }
}

}  // namespace
}  // namespace halvex::test
