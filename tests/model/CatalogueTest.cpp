// The catalogue: loading, additions with their checks, imports and the stored label bytes.
#include "model/ItemData.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

using CatalogueTest = ModelFixture;

TEST_F(CatalogueTest, LoadedTreesPlaceEveryEntryUnderItsParents) {
    KnxRecordPlan three;
    three.mains = {{0, 0x00000090, "0 Central"}, {3, 0x00030090, "3 Light"}};
    three.middles = {{1, 0x00010050, "1 Ground"}, {24, 0, "0 Hall"}};
    three.groups = {{0x0105, 0x010500F0, "0/1/5 Door"},
                    {0x1800, 0x18000027, "3/0/0 Ceiling"},
                    {0x1C07, 0x1C070020, "3/4/7 Up"}};  // its middle group is missing
    Open(BuildKnxRecord(three));
    const TreeModel& tree = model->catalogue.tree;
    ASSERT_EQ(tree.TopLevelCount(), 1u);
    const TreeNode* root = tree.TopLevel(0);
    EXPECT_EQ(root->label, "Groupaddresses");
    EXPECT_TRUE(root->expanded);
    EXPECT_EQ(Labels(root), "0 Central|3 Light");
    const TreeNode* ground = root->Child(0)->Child(0);
    EXPECT_EQ(root->Child(0)->data, 0u);  // stored data of groups is not restored
    EXPECT_EQ(ground->image, kImageMiddleGroup);
    EXPECT_EQ(Labels(ground), "0/1/5 Door");
    EXPECT_EQ(ground->Child(0)->data, 0x010500F0u);
    EXPECT_EQ(Labels(root->Child(1)), "0 Hall|4");
    TearDown();

    KnxRecordPlan two;
    two.flagsB = 0x00;
    two.mains = {{3, 0, "3 Pumps"}};
    two.groups = {{3 << 11 | 200, 0x1EC80027, "3/200 Pump"},
                  {5 << 11 | 1, 0x28010020, "5/1 Orphan"}};
    Open(BuildKnxRecord(two));
    EXPECT_EQ(Labels(model->catalogue.tree.TopLevel(0)->Child(0)), "3/200 Pump");
    ASSERT_EQ(model->catalogue.tree.TopLevelCount(), 2u);
    EXPECT_EQ(model->catalogue.tree.TopLevel(1)->label, "5/1 Orphan");
}

TEST_F(CatalogueTest, AdditionsCheckRangeZeroAndDuplicates) {
    Open(BuildKnxRecord({}), {}, {}, 1);
    Catalogue& c = model->catalogue;
    TreeNode* root = c.Root.node;
    EXPECT_EQ(c.RightClickAction(root), CatalogueAction::AddMainGroup);
    EXPECT_EQ(c.AddMainGroup(2, "Light").node->data, 0x00020090u);
    EXPECT_EQ(c.AddMainGroup(10, "Heating").node->label, "10 Heating");
    EXPECT_EQ(c.AddMainGroup(2, "Again").warning, Text::MainGroupExists);
    EXPECT_EQ(c.AddMainGroup(32, "Out").node, nullptr);
    EXPECT_EQ(Labels(root), "10 Heating|2 Light");

    EXPECT_EQ(c.AddMainGroup(0, "Central").warning, std::nullopt);
    TreeNode* central = c.MainGroupTable[0].node;
    EXPECT_EQ(c.RightClickAction(central), CatalogueAction::AddMiddleGroup);
    EXPECT_EQ(c.AddMiddleGroup(central, 8, "Out").node, nullptr);
    TreeNode* ground = c.AddMiddleGroup(central, 0, "Ground").node;
    EXPECT_EQ(c.AddMiddleGroup(central, 0, "Twice").warning, Text::MiddleGroupExists);
    ASSERT_EQ(c.RightClickAction(ground), CatalogueAction::AddGroupAddress);
    EXPECT_TRUE(c.GroupAddressIsThreeLevel(ground));
    EXPECT_EQ(c.AddGroupAddress(ground, 0, "Null", 0).warning, Text::InvalidAddress3Level);
    EXPECT_EQ(c.AddGroupAddress(ground, 256, "Out", 0).node, nullptr);
    TreeNode* door = c.AddGroupAddress(ground, 1, "Door", 7).node;
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->label, "0/0/1 Door");
    EXPECT_EQ(door->data, 0x000100F7u);
    EXPECT_EQ(door->parent, ground);
    EXPECT_EQ(c.AddGroupAddress(ground, 1, "Door2", 0).warning, Text::GroupAddressExists);
    EXPECT_EQ(c.RightClickAction(door), CatalogueAction::None);
    EXPECT_FALSE(model->Delete(TreeId::Catalogue, ground)) << "a group with an entry stays";
    TearDown();

    KnxRecordPlan two;
    two.flagsB = 0x00;
    Open(BuildKnxRecord(two));
    Catalogue& c2 = model->catalogue;
    TreeNode* heating = c2.AddMainGroup(1, "Heating").node;
    EXPECT_EQ(c2.RightClickAction(heating), CatalogueAction::AddGroupAddress);
    EXPECT_FALSE(c2.GroupAddressIsThreeLevel(heating));
    EXPECT_EQ(c2.AddGroupAddress(heating, 2048, "Out", 0).node, nullptr);
    EXPECT_EQ(c2.AddGroupAddress(heating, 2047, "Valve", 10).node->data, 0x0FFF00FAu);
    EXPECT_EQ(c2.GroupAddressTable[0x0FFF].label, "1/2047 Valve");
    TreeNode* zero = c2.AddMainGroup(0, "Zero").node;
    EXPECT_EQ(c2.AddGroupAddress(zero, 0, "Null", 0).warning, Text::InvalidAddress2Level);
}

TEST(LabelBytes, LowByteOfEachUtf16Unit) {
    const struct {
        std::string utf8;
        std::string bytes;
    } rows[] = {{"1/0/1 K\xC3\xBC", "1/0/1 K\xFC"},
                {"\xE2\x82\xAC", "\xAC"},           // U+20AC keeps its low byte
                {"\xF0\x9F\x92\xA1", "\x3D\xA1"}};  // U+1F4A1: D83D DCA1
    for (const auto& row : rows)
        EXPECT_EQ(LabelBytes(row.utf8), row.bytes);
    EXPECT_EQ(LabelFromBytes("K\xFC"), "K\xC3\xBC");
    EXPECT_EQ(LabelBytes(LabelFromBytes("\x01\x7F\x80\xFF")), "\x01\x7F\x80\xFF");
}

}  // namespace
}  // namespace halvex::test
