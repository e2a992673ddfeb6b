// Output pages: which output each record entry lands on, and the record they write back.
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <random>

#include "pages/CDragTreeCtrl.h"
#include "pages/CPageTabCtrl.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

using PagesTest = DialogFixture;

const std::vector<Name> kGroups = {{0x0801, 0x08010020, "1/0/1 Switch"},
                                   {0x0802, 0x08020023, "1/0/2 Dim"},
                                   {0x0803, 0x08030027, "1/0/3 Value"},
                                   {0x0804, 0x08040029, "1/0/4 Colour"},
                                   {0x0805, 0x0805002A, "1/0/5 Wide"}};

KnxRecordPlan ThreeScenes(std::vector<Pair> pairs) {
    KnxRecordPlan plan;
    plan.scenes = 3;
    plan.mains = {{1, 0, "1 Light"}};
    plan.middles = {{8, 0, "0 Ground"}};
    plan.groups = kGroups;
    plan.pairs = std::move(pairs);
    return plan;
}

QString ChildText(CDragTreeCtrl* tree, int output, int child = 0) {
    QTreeWidgetItem* item = tree->topLevelItem(output);
    return item != nullptr && item->childCount() > child ? item->child(child)->text(0) : QString();
}

TEST_F(PagesTest, SceneAndDimmerOutputsFollowTheSceneCount) {
    Open(BuildKnxRecord(ThreeScenes({{1, 0x0801},
                                     {4, 0x0801},
                                     {6, 0x0801},
                                     {7, 0x0802},
                                     {8, 0x0803},
                                     {1541, 0x0803},
                                     {1542, 0x0801}})),
         {"Morning", "Evening", "Fifteen chars!!"});
    const ModuleState& m = Module();
    EXPECT_EQ(m.SceneCount, 3);
    EXPECT_EQ(m.SceneTree1->topLevelItem(2)->text(0), "Fifteen chars!!");
    EXPECT_EQ(ChildText(m.SceneTree1, 1), "1/0/1 Switch");
    EXPECT_EQ(ChildText(m.SceneTree2, 1), "1/0/1 Switch");
    EXPECT_EQ(m.SceneTree1->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(ChildText(m.DimmerTree1, 0), "1/0/1 Switch");
    EXPECT_EQ(ChildText(m.DimmerTree1, 1), "1/0/2 Dim");
    EXPECT_EQ(ChildText(m.DimmerTree1, 2), "1/0/3 Value");
    EXPECT_EQ(m.DimmerTree1->topLevelItem(1535)->text(0), "1byte DMX Ch. 512");
    EXPECT_EQ(ChildText(m.DimmerTree1, 1535), "1/0/3 Value");
    EXPECT_EQ(ChildText(m.DimmerTree2, 0), "1/0/1 Switch");
    EXPECT_EQ(CDragTreeCtrl::ItemData(m.DimmerTree1->topLevelItem(0)->child(0)), 0x08010017u);
    EXPECT_EQ(CDragTreeCtrl::ItemData(m.SceneTree1->topLevelItem(1)->child(0)), 0x08010010u);
}

TEST_F(PagesTest, DeviceOutputsAndTypeMatch) {
    // S = 2, D = 3: device 0 of Device 1 is output 3076, device 2 of Device 2 is 3081.
    KnxRecordPlan plan;
    plan.scenes = 2;
    plan.groups = kGroups;
    plan.mains = {{1, 0, "1 Light"}};
    plan.middles = {{8, 0, "0 Ground"}};
    plan.deviceTypes = {7, 10, 9};
    plan.deviceCount = 3;
    plan.deviceTable =
        MakeDeviceTable({{"Dimmer A", 0}, {"Twenty characters!!!", 40}, {"RGB", 20}});
    plan.pairs = {{3076, 0x0803}, {3077, 0x0805}, {3081, 0x0804}};
    // The host changed the second device from kind 40 to 20: its 4-byte assignment is hidden.
    Open(BuildKnxRecord(plan), {"A", "B"},
         {{"Dimmer A", 0}, {"Twenty characters!!!", 20}, {"RGB", 20}});
    const ModuleState& m = Module();
    EXPECT_EQ(m.DeviceTree1->topLevelItem(1)->text(0), "Twenty characters!!!");
    EXPECT_EQ(ChildText(m.DeviceTree1, 0), "1/0/3 Value");
    EXPECT_EQ(m.DeviceTree1->topLevelItem(1)->childCount(), 0);
    EXPECT_EQ(ChildText(m.DeviceTree2, 2), "1/0/4 Colour");
    EXPECT_EQ(CDragTreeCtrl::ItemData(m.DeviceTree2->topLevelItem(2)), 9u);
}

TEST_F(PagesTest, RecordSurvivesCloseAndReopenByteForByte) {
    KnxRecordPlan plan = ThreeScenes({{0, 0x0801},
                                      {0, 0x0805},
                                      {4, 0x0801},
                                      {6, 0x0801},
                                      {8, 0x0803},
                                      {1542 + 3, 0x0801},
                                      {3078, 0x0803},
                                      {3079, 0x0803}});
    plan.groups[4].data = 0x08050020;  // assignable to scenes
    plan.deviceTypes = {7};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Dimmer A", 0}});
    plan.flagsB = 0x20 | 0x40;
    const std::vector<uint8_t> original = BuildKnxRecord(plan);
    Open(original, {"Morning", "Evening", "Off"}, {{"Dimmer A", 0}});
    const std::vector<uint8_t> first = PressOk();
    EXPECT_BYTES_EQ(original, first);
    TearDown();
    Open(first, {"Morning", "Evening", "Off"}, {{"Dimmer A", 0}});
    EXPECT_BYTES_EQ(first, PressOk());
}

TEST_F(PagesTest, EarlierFormatRecordIsRewrittenInTheCurrentFormat) {
    // Two scenes, one output per DMX channel: pair (1, 4) is the first channel's 1-byte output.
    const std::vector<uint8_t> header = BuildKnxRecord({});
    std::vector<uint8_t> r(header.begin(), header.begin() + 62);
    r[14] = 0x00;
    auto put = [&r](uint16_t v) {
        r.push_back(static_cast<uint8_t>(v));
        r.push_back(static_cast<uint8_t>(v >> 8));
    };
    r[2] = 62;
    put(1);
    put(0x0801);
    r[4] = static_cast<uint8_t>(r.size());
    put(1);
    put(1);
    put(4);
    r[6] = static_cast<uint8_t>(r.size());
    put(4 + 1024);
    for (int i = 0; i < 4; ++i)
        put(0x0300);
    for (int i = 0; i < 1024; ++i)
        put(static_cast<uint16_t>(i == 0 ? 0x1707 : 0x0307));
    const size_t device = r.size();
    r[8] = static_cast<uint8_t>(device), r[9] = static_cast<uint8_t>(device >> 8);
    put(0);
    r.insert(r.end(), 12288 + 154, 0);
    r[0] = static_cast<uint8_t>(r.size()), r[1] = static_cast<uint8_t>(r.size() >> 8);

    Open(r, {"A", "B"});
    EXPECT_EQ(Module().SceneCount, 2);
    EXPECT_EQ(ChildText(Module().DimmerTree1, 2), QString());  // no name block: empty label
    EXPECT_EQ(Module().DimmerTree1->topLevelItem(2)->childCount(), 1);
    const std::vector<uint8_t> rewritten = PressOk();
    KnxRecordPlan expected;
    expected.scenes = 2;
    expected.pairs = {{6, 0x0801}};
    EXPECT_BYTES_EQ(BuildKnxRecord(expected), rewritten);
}

TEST_F(PagesTest, EnOceanEntriesShowEveryMatchingRowAndWriteBack) {
    const std::vector<Transmitter> rows = {{"Rocker", 5, 0x30, 0x10000000, 0x100},
                                           {"Twin", 5, 0x30, 0x10000000, 0x100},
                                           {"Other", 5, 0x20, 0x50000000, 0x200}};
    const std::vector<uint8_t> original =
        BuildEnOceanRecord(rows, {{0, 1, 2}, {2, 2, 512}, {2, 3, 0}, {2, 2, 513}});
    Open(original, {"A", "B"});
    const ModuleState& m = Module();
    ASSERT_EQ(m.SceneTree2->topLevelItem(1)->childCount(), 2);  // both rows with that telegram
    EXPECT_EQ(ChildText(m.SceneTree2, 1, 1), "Twin");
    EXPECT_EQ(ChildText(m.DimmerTree1, 511), "Other");
    EXPECT_EQ(m.DimmerTree2->topLevelItem(0)->text(0), "DMX Ch. 1");
    const std::vector<uint8_t> written = PressOk();
    // Twin's entry would equal Rocker's: written once, it still brings both back, and the
    // record stays the same from save to save.
    EXPECT_BYTES_EQ(BuildEnOceanRecord(rows, {{0, 1, 2}, {2, 2, 512}}), written);
}

TEST_F(PagesTest, EnOceanWithoutTransmittersShrinksToItsHeader) {
    Open(BuildEnOceanRecord({{"Rocker", 5, 0x30, 0x10000000, 0x100}}, {{0, 0, 1}}), {"A"});
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0));
    Catalogue()->OnKeyDown(Qt::Key_Delete);
    EXPECT_BYTES_EQ(BuildEnOceanRecord({}, {}), PressOk());
}

TEST_F(PagesTest, TabsSwitchOnlyOnAClickAndKeepTheirTrees) {
    Open(BuildEnOceanRecord({}, {}), {"A"});
    dlg->show();
    CPageTabCtrl* tabs = dlg->PageTabs();
    QTabBar* bar = tabs->TabBar();
    auto click = [bar](int tab) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    };
    click(4);
    EXPECT_EQ(Module().CurrentPage, 6);
    EXPECT_TRUE(tabs->Page(6)->isVisible());
    click(3);
    EXPECT_EQ(Module().CurrentPage, 3);
    EXPECT_FALSE(tabs->Page(6)->isVisible());
    EXPECT_TRUE(tabs->Page(3)->isVisible());
    bar->setCurrentIndex(1);  // not a click: the page stays
    EXPECT_EQ(Module().CurrentPage, 3);
    EXPECT_FALSE(tabs->PageCreated(4));
}

TEST_F(PagesTest, ConfigurationTooLargeIsRefusedAndNothingIsLost) {
    const std::vector<uint8_t> original = BuildKnxRecord({});
    Open(original, {}, {}, 0);
    // 11,000 addresses on dimmer channels: the main part would pass 65,535 bytes.
    CDragTreeCtrl* dimmer = Module().DimmerTree1;
    for (uint32_t a = 1; a <= 11000; ++a) {
        auto* child = new QTreeWidgetItem(dimmer->topLevelItem(static_cast<int>(a % 512) * 3));
        CDragTreeCtrl::SetItemData(child, a << 16 | 0x30);
    }
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK"));
    dlg->show();
    dlg->findChild<QPushButton*>("7052")->click();
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_TRUE(answer.Seen()[0].text.startsWith("The configuration is too large"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
    EXPECT_BYTES_EQ(original, WorkingRecord());
    EXPECT_EQ(dimmer->topLevelItem(3)->childCount(), 22);  // the assignments are all still there
}

TEST_F(PagesTest, RandomConfigurationsRoundTripThroughTheDialog) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 3; ++round) {
        KnxRecordPlan plan;
        plan.scenes = static_cast<uint16_t>(random() % 6);
        plan.mains = {{1, 0, "1 Light"}};
        plan.middles = {{8, 0, "0 Ground"}};
        plan.groups = kGroups;
        plan.deviceTypes = {7, 9, 10};
        plan.deviceCount = 3;
        plan.deviceTable = MakeDeviceTable({{"D0", 0}, {"D1", 20}, {"D2", 40}});
        const uint16_t outputs = static_cast<uint16_t>(2 * plan.scenes + 3072 + 6);
        std::vector<uint8_t> typeOf;
        for (int p = 0; p < 2; ++p)
            typeOf.insert(typeOf.end(), plan.scenes, 0);
        for (int p = 0; p < 2; ++p) {
            for (int c = 0; c < 512; ++c)
                typeOf.insert(typeOf.end(), {0, 3, 7});
        }
        for (int p = 0; p < 2; ++p)
            typeOf.insert(typeOf.end(), {7, 9, 10});
        for (uint16_t out = 0; out < outputs; ++out) {
            for (const Name& g : kGroups) {
                if ((g.data & 0x0F) == typeOf[out] && random() % 97 == 0)
                    plan.pairs.push_back({out, g.number});
            }
        }
        std::vector<std::string> names;
        for (int s = 0; s < plan.scenes; ++s)
            names.push_back("Scene " + std::to_string(s));
        const std::vector<uint8_t> original = BuildKnxRecord(plan);
        Open(original, names, {{"D0", 0}, {"D1", 20}, {"D2", 40}});
        EXPECT_BYTES_EQ(original, PressOk());
        TearDown();
    }
}

}  // namespace
}  // namespace halvex::test
