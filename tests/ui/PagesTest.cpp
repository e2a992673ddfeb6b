// The page tab control and OK on the pages: tabs switch on a click, a refused rebuild is told.
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "pages/CDragTreeCtrl.h"
#include "pages/CPageTabCtrl.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

using PagesTest = DialogFixture;

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
