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

TEST_F(PagesTest, ConfigurationTooLargeIsToldAndTheDialogStaysOpen) {
    const std::vector<uint8_t> original = BuildKnxRecord({});
    Open(original, {}, {}, 0);
    // 11,000 addresses on dimmer channels: the main part would pass 65,535 bytes.
    TreeModel& dimmer = dlg->Model().Page(2)->tree;
    for (uint32_t a = 1; a <= 11000; ++a)
        dimmer.Insert(dimmer.TopLevel(a % 512 * 3), "", InsertAt::Last, 0, 0, a << 16 | 0x30);
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK"));
    dlg->show();
    dlg->findChild<QPushButton*>("7052")->click();
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_TRUE(answer.Seen()[0].text.startsWith("The configuration is too large"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
    EXPECT_BYTES_EQ(original, WorkingRecord());
    EXPECT_EQ(PageTree(2)->topLevelItem(3)->childCount(), 22);  // all still there
}

}  // namespace
}  // namespace halvex::test
