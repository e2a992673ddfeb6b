// Rules across the dialog's trees: layouts, drops, the Delete key and transmitters.
#include <algorithm>
#include <cstring>

#include "gateway/GatewayParser.h"
#include "model/ItemData.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

using DialogModelTest = ModelFixture;

KnxRecordPlan Catalogue3() {
    KnxRecordPlan plan;
    plan.mains = {{1, 0x00010090, "1 Light"}};
    plan.middles = {{10, 0x000A0050, "2 Floor"}};
    plan.groups = {{0x0A03, 0x0A0300F0, "1/2/3 Hand"},
                   {0x0A04, 0x0A040020, "1/2/4 Imported"},
                   {0x0A05, 0x0A050027, "1/2/5 Byte"},
                   {0x0A06, 0x0A0600FF, "1/2/6 NoSize"}};
    return plan;
}

std::vector<uint8_t> NetworkOnlyRecord() {
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[14] = 0x02;
    record[15] = 0x10;
    return record;
}

TEST_F(DialogModelTest, LayoutFollowsBusModeAndLanguage) {
    KnxRecordPlan wlan;
    wlan.flagsA = 0x03;
    const struct {
        std::vector<uint8_t> record;
        uint8_t language;
        const char* title;
        const char* heading;
        std::vector<std::string> tabs;
        std::vector<int> slots;
        bool catalogue, import, editLabels;
    } rows[] = {
        {BuildKnxRecord({}),
         1,
         "KNX",
         "Grp.-Adressen",
         {"Szene Out 1", "Szene Out 2", "Dimmer Out 1", "Dimmer Out 2", "Device 1", "Device 2",
          "Lan/KNX"},
         {0, 1, 2, 3, 4, 5, 6},
         true,
         true,
         false},
        {BuildKnxRecord(wlan),
         0,
         "WLAN",
         "Grp.-Addresses",
         {"Scene Out 1", "Scene Out 2", "Dimmer Out 1", "Dimmer Out 2", "Device 1", "Device 2",
          "Lan/KNX"},
         {0, 1, 2, 3, 4, 5, 6},
         true,
         true,
         false},
        {BuildEnOceanRecord({}, {}),
         0,
         "EnOcean",
         "Transmitter",
         {"Scene Out 1", "Scene Out 2", "Dimmer Out 1", "Dimmer Out 2", "Lan/EnOcean"},
         {0, 1, 2, 3, 6},
         true,
         false,
         true},
        {NetworkOnlyRecord(), 0, "KNX", "Grp.-Addresses:", {"WLAN"}, {6}, false, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        Module().TransmitterCount = 7;  // a stale value of an earlier call must not show
        Open(row.record, {"A"}, {}, row.language);
        const DialogLayout l = model->Layout();
        EXPECT_EQ(l.title, row.title);
        EXPECT_EQ(l.heading, row.heading);
        EXPECT_EQ(l.tabs, row.tabs);
        EXPECT_EQ(l.pageSlots, row.slots);
        EXPECT_EQ(l.catalogueVisible, row.catalogue);
        EXPECT_EQ(l.importVisible, row.import);
        EXPECT_EQ(l.editLabels, row.editLabels);
        for (int slot = 0; slot < 6; ++slot)
            EXPECT_EQ(model->HasPage(slot),
                      std::count(row.slots.begin(), row.slots.end(), slot) > 0);
        if (row.tabs.size() == 1) {
            EXPECT_EQ(model->catalogue.tree.TopLevelCount(), 0u);
        }
        TearDown();
    }
}

TEST_F(DialogModelTest, DropDecisions) {
    KnxRecordPlan plan = Catalogue3();
    plan.scenes = 2;
    plan.pairs = {{4 + 14, 0x0A05}};  // loaded on "1byte DMX Ch. 5" of Dimmer Out 1
    Open(BuildKnxRecord(plan), {"Morning", "Evening"});
    const auto& slots = model->catalogue.GroupAddressTable;
    TreeNode* hand = slots[0x0A03].node;
    TreeNode* imported = slots[0x0A04].node;
    TreeNode* byte = slots[0x0A05].node;
    TreeNode* noSize = slots[0x0A06].node;
    TreeNode* scene0 = PageTree(0).TopLevel(0);
    TreeNode* bit5 = PageTree(2).TopLevel(12);
    TreeNode* nibble5 = PageTree(2).TopLevel(13);
    TreeNode* byte5 = PageTree(2).TopLevel(14);
    ASSERT_EQ(byte5->ChildCount(), 1u);
    const TreeId cat = TreeId::Catalogue;
    const struct {
        TreeNode* dragged;
        TreeId target;
        TreeNode* hit;
        bool accepted;
    } rows[] = {
        {hand, TreeId::Scene1, scene0, true},
        {byte, TreeId::Dimmer1, bit5, false},
        {byte, TreeId::Dimmer1, nibble5, false},
        {byte, TreeId::Dimmer1, byte5, false},
        {hand, TreeId::Dimmer1, byte5->Child(0), false},
        {noSize, TreeId::Dimmer1, bit5, false},
        {noSize, TreeId::Dimmer1, byte5, false},
        {hand, cat, model->catalogue.Root.node, false},
        {imported, TreeId::Scene2, PageTree(1).TopLevel(1), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dragged->label);
        EXPECT_EQ(model->CanDrop(cat, row.dragged, row.target, row.hit), row.accepted);
    }
    // "1/2/5 Byte" is on byte5 already: the same label twice on one output is refused.
    TreeNode* copy = model->Drop(cat, hand, TreeId::Scene1, scene0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->label, "1/2/3 Hand");
    EXPECT_EQ(copy->data, 0x0A0300F0u);
    EXPECT_EQ(copy->image, kImageGroupAddress);
    EXPECT_EQ(model->Drop(cat, hand, TreeId::Scene1, scene0), nullptr);
    EXPECT_EQ(model->Drop(cat, imported, TreeId::Scene1, scene0)->data, 0x0A040030u);
    // A dropped assignment can go on to another tree's output of its type.
    EXPECT_TRUE(model->CanDrop(TreeId::Scene1, copy, TreeId::Dimmer1, bit5));
    EXPECT_FALSE(model->CanDrop(TreeId::Scene1, copy, TreeId::Scene1, PageTree(0).TopLevel(1)));
    // Scripted assignments take the same decisions.
    EXPECT_FALSE(model->AssignEntry(2, 14, 0x0A05));  // not twice on one output
    EXPECT_TRUE(model->AssignEntry(3, 14, 0x0A05));
    EXPECT_FALSE(model->AssignEntry(3, 12, 0x0A05));  // not on the 1-bit output
    EXPECT_FALSE(model->AssignEntry(3, 14, 0x0B00));  // no such entry
    EXPECT_FALSE(model->AssignEntry(6, 0, 0x0A05));   // the network page has no outputs
    EXPECT_FALSE(model->AssignEntry(3, 1536, 0x0A05));
    EXPECT_EQ(PageTree(3).TopLevel(14)->Child(0)->data, 0x0A050037u);
}

TEST_F(DialogModelTest, DeleteRulesForCatalogueAndPages) {
    KnxRecordPlan plan = Catalogue3();
    plan.scenes = 1;
    plan.pairs = {{0, 0x0A03}};  // the hand-made address is assigned on Scene Out 1
    Open(BuildKnxRecord(plan), {"Morning"});
    auto& slots = model->catalogue.GroupAddressTable;
    TreeNode* scene = PageTree(0).TopLevel(0);
    TreeNode* hand = slots[0x0A03].node;
    EXPECT_EQ(scene->Child(0)->data, 0x0A030010u);
    // Referenced on a page: Delete in the catalogue does nothing.
    EXPECT_FALSE(model->Delete(TreeId::Catalogue, hand));
    // A dropped hand-made address (kind 0xC0) is still removable from the page.
    EXPECT_TRUE(model->Delete(TreeId::Scene1, scene->Child(0)));
    ASSERT_NE(model->Drop(TreeId::Catalogue, hand, TreeId::Scene1, scene), nullptr);
    EXPECT_TRUE(model->Delete(TreeId::Scene1, scene->Child(0)));
    EXPECT_EQ(scene->ChildCount(), 0u);
    // Now unreferenced: the entry goes, and its number can be added again.
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, hand));
    EXPECT_EQ(slots[0x0A03].node, nullptr);
    EXPECT_TRUE(slots[0x0A03].label.empty());
    // Imported entries, groups with children, outputs and the root stay.
    for (TreeNode* keep : {slots[0x0A04].node, model->catalogue.MiddleGroupTable[10].node,
                           model->catalogue.Root.node}) {
        EXPECT_FALSE(model->Delete(TreeId::Catalogue, keep)) << keep->label;
    }
    EXPECT_FALSE(model->Delete(TreeId::Scene1, scene));
}

TEST_F(DialogModelTest, CopiesOnTheCatalogueNeverEmptyTheOriginalsSlot) {
    KnxRecordPlan plan = Catalogue3();
    plan.scenes = 1;
    Open(BuildKnxRecord(plan), {"Morning"});
    CatalogueSlot& slot = model->catalogue.GroupAddressTable[0x0A03];
    TreeNode* original = slot.node;
    TreeNode* scene = PageTree(0).TopLevel(0);
    auto copyBack = [&] {
        TreeNode* assigned = model->Drop(TreeId::Catalogue, original, TreeId::Scene1, scene);
        TreeNode* copy =
            model->Drop(TreeId::Scene1, assigned, TreeId::Catalogue, model->catalogue.Root.node);
        EXPECT_TRUE(model->Delete(TreeId::Scene1, assigned));
        return copy;
    };
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, copyBack()));
    EXPECT_EQ(slot.node, original);
    EXPECT_EQ(slot.label, "1/2/3 Hand");
    // The other way round: the original goes, its copy takes the slot over and is stored.
    TreeNode* copy = copyBack();
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, original));
    EXPECT_EQ(slot.node, copy);
    const std::vector<uint8_t> stored = Rebuild();
    TearDown();
    Open(stored, {"Morning"});
    EXPECT_NE(model->catalogue.GroupAddressTable[0x0A03].node, nullptr);
}

class TransmitterModelTest : public ModelFixture {
protected:
    void OpenThree() { Open(ThreeTransmitterRecord(), {"Morning"}); }
    std::string RowName(size_t row) const {
        return reinterpret_cast<const char*>(Module().TransmitterTable.data() + 70 * row);
    }
    TreeNode* TransmitterNode(size_t i) const { return model->catalogue.tree.TopLevel(i); }
};

TEST_F(TransmitterModelTest, DeletingATransmitterMovesRowsAndRenumbersAssignments) {
    OpenThree();
    ASSERT_EQ(PageTree(0).TopLevel(0)->ChildCount(), 2u);
    EXPECT_EQ(PageTree(0).TopLevel(0)->Child(1)->data, 0x00020010u);
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(1)));
    EXPECT_EQ(Module().TransmitterCount, 2);
    EXPECT_EQ(RowName(1), "Switch C");
    EXPECT_EQ(Module().TransmitterTable[140], 0);  // the freed row is zero
    ASSERT_EQ(model->catalogue.tree.TopLevelCount(), 2u);
    EXPECT_EQ(TransmitterNode(1)->data, 0x00010020u);
    EXPECT_EQ(model->catalogue.GroupAddressTable[1].node, TransmitterNode(1));
    ASSERT_EQ(PageTree(0).TopLevel(0)->ChildCount(), 1u);
    EXPECT_EQ(PageTree(0).TopLevel(0)->Child(0)->data, 0x00010010u);
    EXPECT_EQ(PageTree(2).TopLevel(2)->ChildCount(), 0u);
    // The last transmitter gone, the record shrinks to its header.
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(1)));
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(0)));
    EXPECT_BYTES_EQ(BuildEnOceanRecord({}, {}), Rebuild());
}

TEST_F(TransmitterModelTest, LabelEditsRenameTheRowAndItsAssignments) {
    OpenThree();
    const std::string telegram = "ID:0x1a2b3c ORG:0xf6 Data:0x30000000 Status:0x30";
    ASSERT_EQ(TransmitterNode(1)->label, telegram);
    // An edit that changes nothing stores nothing: the row keeps its empty name.
    model->EndLabelEdit(TransmitterNode(1), telegram);
    EXPECT_EQ(RowName(1), "");
    model->EndLabelEdit(TransmitterNode(1), "Küche");
    EXPECT_EQ(RowName(1), "Küche");
    EXPECT_EQ(ChildLabel(2, 2), "Küche");
    EXPECT_EQ(model->catalogue.GroupAddressTable[1].label, "Küche");
    // Cleared: the telegram shows again (lower case, no leading zeros) and the name is empty.
    model->EndLabelEdit(TransmitterNode(0), "");
    EXPECT_EQ(TransmitterNode(0)->label, "ID:0x100 ORG:0x5 Data:0x10000000 Status:0x30");
    EXPECT_EQ(RowName(0), "");
    // A name longer than the 59-byte field is cut at a character boundary.
    std::string long40;
    for (int i = 0; i < 40; ++i)
        long40 += "ü";
    model->EndLabelEdit(TransmitterNode(1), long40);
    EXPECT_EQ(RowName(1).size(), 58u);
    EXPECT_EQ(TransmitterNode(1)->label, long40);
}

TEST_F(TransmitterModelTest, ReportsLearnRockerSwitchesOnce) {
    OpenThree();
    // ORG, status, data and ID (little-endian), as the gateway reports them.
    const Telegram telegram = {0x05, 0x30, 0x00, 0x00, 0x00, 0x70, 0xEF, 0xCD, 0xAB, 0x00};
    const std::string heading = model->ApplyTransmitterReport(telegram);
    EXPECT_EQ(heading.rfind("Transmitter: ", 0), 0u);
    ASSERT_EQ(model->catalogue.tree.TopLevelCount(), 4u);
    EXPECT_EQ(TransmitterNode(3)->data, 0x00030020u);
    EXPECT_EQ(TransmitterNode(3)->label, "ID:0xabcdef ORG:0x5 Data:0x70000000 Status:0x30");
    model->ApplyTransmitterReport(telegram);
    EXPECT_EQ(model->catalogue.tree.TopLevelCount(), 4u);
    EXPECT_EQ(Module().TransmitterCount, 4);
}

}  // namespace
}  // namespace halvex::test
