// Rules across the dialog's trees: layouts, drops, the Delete key and transmitters.
#include "engine/ModuleState.h"
#include "engine/net/GatewayParser.h"
#include "model/ItemData.h"
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

TEST_F(DialogModelTest, LayoutFollowsBusModeAndLanguage) {
    KnxRecordPlan wlan;
    wlan.flagsA = 0x03;
    std::vector<uint8_t> networkOnly = BuildEnOceanRecord({}, {});
    networkOnly[14] = 0x02;
    const std::string outs = "Scene Out 1|Scene Out 2|Dimmer Out 1|Dimmer Out 2|";
    // Title, heading, tabs, page slots, catalogue shown, import shown, labels editable, and
    // the catalogue's top-level entries.
    const struct {
        std::vector<uint8_t> record;
        uint8_t language;
        std::string layout;
    } rows[] = {
        {BuildKnxRecord({}), 1,
         "KNX, Grp.-Adressen, Szene Out 1|Szene Out 2|Dimmer Out 1|Dimmer Out 2|Device 1|Device "
         "2|Lan/KNX, 0123456, 110, 1"},
        {BuildKnxRecord(wlan), 0,
         "WLAN, Grp.-Addresses, " + outs + "Device 1|Device 2|Lan/KNX, 0123456, 110, 1"},
        {BuildEnOceanRecord({}, {}), 0,
         "EnOcean, Transmitter, " + outs + "Lan/EnOcean, 01236, 101, 0"},
        {networkOnly, 0, "KNX, Grp.-Addresses:, WLAN, 6, 011, 0"},
    };
    for (const auto& row : rows) {
        Module().TransmitterCount = 7;  // a stale value of an earlier call must not show
        Open(row.record, {"A"}, {}, row.language);
        const DialogLayout l = model->Layout();
        std::string tabs, slots;
        for (const std::string& tab : l.tabs)
            tabs += (tabs.empty() ? "" : "|") + tab;
        for (int slot : l.pageSlots)
            slots += std::to_string(slot);
        for (int slot = 0; slot < 6; ++slot)
            EXPECT_EQ(model->HasPage(slot), slots.find(char('0' + slot)) != std::string::npos);
        EXPECT_EQ(l.title + ", " + l.heading + ", " + tabs + ", " + slots + ", " +
                      char('0' + l.catalogueVisible) + char('0' + l.importVisible) +
                      char('0' + l.editLabels) + ", " +
                      std::to_string(model->catalogue.tree.TopLevelCount()),
                  row.layout);
        // Only the KNX catalogue has groups to add by a right click.
        EXPECT_EQ(
            model->RightClickAction(model->catalogue.Root.node),
            model->Mode() == BusMode::Knx ? CatalogueAction::AddMainGroup : CatalogueAction::None);
        if (model->Mode() == BusMode::NetworkOnly) {
            EXPECT_BYTES_EQ(row.record, Rebuild());  // OK keeps it: no catalogue, no pages
        }
        TearDown();
    }
}

TEST_F(DialogModelTest, CheckBoxFlagsAreTheRecordsBits) {
    KnxRecordPlan plan;
    plan.flagsA = 0x01 | 0x20, plan.flagsB = 0x20 | 0x40;  // soft on/off, preview 1
    Open(BuildKnxRecord(plan));
    const struct {
        RecordFlag flag;
        size_t byte;
        uint8_t bit;
    } rows[] = {{RecordFlag::SoftOnOff, 14, 0x20},
                {RecordFlag::Preview1, 15, 0x40},
                {RecordFlag::Preview2, 15, 0x80}};
    for (const auto& row : rows) {
        const bool on = (Module().WorkingRecord[row.byte] & row.bit) != 0;
        EXPECT_EQ(model->Flag(row.flag), on);
        model->SetFlag(row.flag, !on);
        EXPECT_EQ(Module().WorkingRecord[row.byte] & row.bit, on ? 0 : row.bit);
        EXPECT_EQ(model->Flag(row.flag), !on);
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
    void SetUp() override { Open(ThreeTransmitterRecord(), {"Morning"}); }
    std::string RowName(size_t row) const {
        return reinterpret_cast<const char*>(Module().TransmitterTable.data() + 70 * row);
    }
    TreeNode* TransmitterNode(size_t i) const { return model->catalogue.tree.TopLevel(i); }
};

const Transmitter kSwitchA{"Switch A", 5, 0x30, 0x10000000, 0x100};
const Transmitter kSwitchC{"Switch C", 5, 0x20, 0x50000000, 0x300};

TEST_F(TransmitterModelTest, DeletingATransmitterMovesRowsAndRenumbersAssignments) {
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(1)));
    EXPECT_EQ(Module().TransmitterTable[140], 0);  // the freed row is zero
    EXPECT_EQ(model->catalogue.GroupAddressTable[1].node, TransmitterNode(1));
    // Switch C moves up to row 1 with its assignment; the deleted row's two go.
    EXPECT_BYTES_EQ(BuildEnOceanRecord({kSwitchA, kSwitchC}, {{1, 0, 1}}), Rebuild());
    // The last transmitter gone, the record shrinks to its header.
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(1)));
    EXPECT_TRUE(model->Delete(TreeId::Catalogue, TransmitterNode(0)));
    EXPECT_BYTES_EQ(BuildEnOceanRecord({}, {}), Rebuild());
}

TEST_F(TransmitterModelTest, LabelEditsRenameTheRowAndItsAssignments) {
    const std::string telegram = "ID:0x1a2b3c ORG:0xf6 Data:0x30000000 Status:0x30";
    ASSERT_EQ(TransmitterNode(1)->label, telegram);
    // An edit that changes nothing stores nothing: the row keeps its empty name.
    model->EndLabelEdit(TransmitterNode(1), telegram);
    EXPECT_EQ(RowName(1), "");
    model->EndLabelEdit(TransmitterNode(1), "K\xC3\xBC");
    EXPECT_EQ(model->catalogue.GroupAddressTable[1].label, "K\xC3\xBC");
    EXPECT_EQ(Assignments(), "0/0 K\xC3\xBC, 0/0 Switch C, 2/2 K\xC3\xBC");
    // Cleared: the telegram shows again (lower case, no leading zeros) and the name is empty.
    model->EndLabelEdit(TransmitterNode(0), "");
    EXPECT_EQ(TransmitterNode(0)->label, "ID:0x100 ORG:0x5 Data:0x10000000 Status:0x30");
    // A name longer than the 59-byte field is cut at a character boundary.
    std::string long40;
    for (int i = 0; i < 40; ++i)
        long40 += "\xC3\xBC";
    model->EndLabelEdit(TransmitterNode(1), long40);
    EXPECT_EQ(TransmitterNode(1)->label, long40);
    Transmitter cleared = kSwitchA, cut{long40.substr(0, 58), 0xF6, 0x30, 0x30000000, 0x001A2B3C};
    cleared.name.clear();
    EXPECT_BYTES_EQ(BuildEnOceanRecord({cleared, cut, kSwitchC}, {{1, 0, 1}, {2, 0, 1}, {1, 2, 3}}),
                    Rebuild());
}

TEST_F(TransmitterModelTest, ReportsLearnRockerSwitchesOnce) {
    // ORG, status, data and ID (little-endian), as the gateway reports them.
    const Telegram telegram = {0x05, 0x30, 0x00, 0x00, 0x00, 0x70, 0xEF, 0xCD, 0xAB, 0x00};
    EXPECT_EQ(model->ApplyTransmitterReport(telegram).rfind("Transmitter: ", 0), 0u);
    ASSERT_EQ(model->catalogue.tree.TopLevelCount(), 4u);
    EXPECT_EQ(TransmitterNode(3)->data, 0x00030020u);
    EXPECT_EQ(TransmitterNode(3)->label, "ID:0xabcdef ORG:0x5 Data:0x70000000 Status:0x30");
    model->ApplyTransmitterReport(telegram);
    EXPECT_EQ(model->catalogue.tree.TopLevelCount(), 4u);
    EXPECT_EQ(Module().TransmitterCount, 4);
}

}  // namespace
}  // namespace halvex::test
