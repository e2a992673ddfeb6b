// The main dialog: catalogue loading, tabs, check boxes, right-click editing and OK.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include "gateway/CDeviceSettingsPage.h"
#include "pages/CDragTreeCtrl.h"
#include "pages/CPageTabCtrl.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

using KnxDlgTest = DialogFixture;

QStringList TabLabels(CKnxDlg& dlg) {
    QStringList labels;
    QTabBar* bar = dlg.PageTabs()->TabBar();
    for (int i = 0; i < bar->count(); ++i)
        labels << bar->tabText(i);
    return labels;
}

// Fills the number and name of a group dialog and presses its OK.
ModalAnswerer::Action Enter(const QString& number, const QString& name, const QString& radio = {}) {
    return [=](QWidget* w) {
        for (auto* edit : w->findChildren<QLineEdit*>()) {
            if (!edit->isVisible())
                continue;
            if (edit->objectName() == QLatin1String("7055")) {
                QTest::keyClicks(edit, name);
            } else if (edit->objectName() == QLatin1String("7035") ||
                       edit->objectName() == QLatin1String("7064")) {
                QTest::keyClicks(edit, number);
            }
        }
        if (!radio.isEmpty())
            w->findChild<QRadioButton*>(radio)->click();
        w->findChild<QPushButton*>(QStringLiteral("7056"))->click();
    };
}

TEST_F(KnxDlgTest, TabsAndTextsFollowModeAndLanguage) {
    Open(BuildKnxRecord({}), {}, {}, 1);
    EXPECT_EQ(TabLabels(*dlg), (QStringList{"Szene Out 1", "Szene Out 2", "Dimmer Out 1",
                                            "Dimmer Out 2", "Device 1", "Device 2", "Lan/KNX"}));
    EXPECT_EQ(dlg->findChild<QLabel*>("7051")->text(), "Grp.-Adressen");
    EXPECT_EQ(dlg->findChild<QLabel*>("7072")->text(), "Vorschau");
    EXPECT_EQ(dlg->windowTitle(), "KNX");
    TearDown();

    KnxRecordPlan wlan;
    wlan.flagsA = 0x03;
    Open(BuildKnxRecord(wlan));
    EXPECT_EQ(dlg->windowTitle(), "WLAN");
    EXPECT_EQ(dlg->findChild<QLabel*>("7051")->text(), "Grp.-Addresses");
    TearDown();

    Open(BuildEnOceanRecord({{"", 5, 0x30, 0x10000000, 0x1A2B3C}}, {}));
    EXPECT_EQ(TabLabels(*dlg), (QStringList{"Scene Out 1", "Scene Out 2", "Dimmer Out 1",
                                            "Dimmer Out 2", "Lan/EnOcean"}));
    EXPECT_EQ(dlg->windowTitle(), "EnOcean");
    EXPECT_EQ(dlg->findChild<QLabel*>("7051")->text(), "Transmitter");
    EXPECT_TRUE(dlg->findChild<QPushButton*>("7012")->isHidden());
    ASSERT_EQ(Catalogue()->topLevelItemCount(), 1);
    EXPECT_EQ(Catalogue()->topLevelItem(0)->text(0),
              "ID:0x1a2b3c ORG:0x5 Data:0x10000000 Status:0x30");
    EXPECT_EQ(CDragTreeCtrl::Image(Catalogue()->topLevelItem(0)), 4);
    EXPECT_EQ(CDragTreeCtrl::ItemData(Catalogue()->topLevelItem(0)), 0x20u);
}

TEST_F(KnxDlgTest, NetworkOnlyShowsOneTabAndNoCatalogue) {
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[14] = 0x02;
    record[15] = 0x10;
    Module().TransmitterCount = 7;  // stale value of an earlier call must not show
    Open(record);
    EXPECT_EQ(TabLabels(*dlg), QStringList{"WLAN"});
    EXPECT_TRUE(Catalogue()->isHidden());
    EXPECT_EQ(Catalogue()->topLevelItemCount(), 0);
    EXPECT_EQ(Module().CurrentPage, 6);
}

TEST_F(KnxDlgTest, CheckBoxesSetTheirBitsAtOnce) {
    KnxRecordPlan plan;
    plan.flagsB = 0x20 | 0x40;
    plan.flagsA = 0x01 | 0x20;
    Open(BuildKnxRecord(plan));
    auto* p1 = dlg->findChild<QCheckBox*>("7036");
    auto* p2 = dlg->findChild<QCheckBox*>("7042");
    auto* soft = dlg->findChild<QCheckBox*>("7037");
    EXPECT_TRUE(p1->isChecked());
    EXPECT_FALSE(p2->isChecked());
    EXPECT_TRUE(soft->isChecked());
    p1->click();
    p2->click();
    EXPECT_EQ(Module().WorkingRecord[15] & 0xC0, 0x80);
    p2->click();
    EXPECT_EQ(Module().WorkingRecord[15] & 0xC0, 0x00);
    soft->click();
    EXPECT_EQ(Module().WorkingRecord[14] & 0x20, 0x00);
}

TEST_F(KnxDlgTest, RightClickAddsGroupsSortedAndRefusesDuplicates) {
    Open(BuildKnxRecord({}));
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0));
    ModalAnswerer answer;
    answer.Then(Enter("2", "Light"))
        .Then(Enter("10", "Heating"))
        .Then(Enter("2", "Again"))
        .Then(ModalAnswerer::Press("OK"));
    for (int i = 0; i < 3; ++i)
        dlg->OnTreeRightClick(Catalogue());
    QTreeWidgetItem* root = Catalogue()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "10 Heating");
    EXPECT_EQ(root->child(1)->text(0), "2 Light");
    EXPECT_EQ(CDragTreeCtrl::ItemData(root->child(1)), 0x00020090u);
    ASSERT_EQ(answer.Seen().size(), 4u);
    EXPECT_EQ(answer.Seen()[3].title, "Attention");
    EXPECT_EQ(answer.Seen()[3].text, "Main group already exists");
}

TEST_F(KnxDlgTest, ThreeLevelAddressZeroIsRefusedBeforeDuplicates) {
    Open(BuildKnxRecord({}), {}, {}, 1);
    ModalAnswerer answer;
    answer.Then(Enter("0", "Zentral"))
        .Then(Enter("0", "Erdgeschoss"))
        .Then(Enter("0", "Null"))
        .Then(ModalAnswerer::Press("OK"))
        .Then(Enter("1", "Door"))
        .Then(Enter("1", "Door2", "7063"))
        .Then(ModalAnswerer::Press("OK"));
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0));
    dlg->OnTreeRightClick(Catalogue());
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0)->child(0));
    dlg->OnTreeRightClick(Catalogue());
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0)->child(0)->child(0));
    dlg->OnTreeRightClick(Catalogue());  // 0/0/0
    dlg->OnTreeRightClick(Catalogue());  // 0/0/1
    dlg->OnTreeRightClick(Catalogue());  // 0/0/1 again
    ASSERT_EQ(answer.Seen().size(), 7u);
    EXPECT_EQ(answer.Seen()[3].text, "ungültige Gruppenadresse 0/0/0");
    EXPECT_EQ(answer.Seen()[3].title, "Achtung");
    EXPECT_EQ(answer.Seen()[6].text, "Gruppenadresse schon vorhanden");
    QTreeWidgetItem* door = dlg->CatalogueItem(1);
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->text(0), "0/0/1 Door");
    EXPECT_EQ(CDragTreeCtrl::ItemData(door), 0x000100F0u);
    EXPECT_EQ(door->parent(), Catalogue()->topLevelItem(0)->child(0)->child(0));
}

TEST_F(KnxDlgTest, EnterNeverEndsTheDialogWithoutTheRebuild) {
    Open(BuildKnxRecord({}));
    dlg->show();
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
}

TEST_F(KnxDlgTest, EscapeInsideAPageKeepsTheDialogOpen) {
    Open(BuildKnxRecord({}), {"Morning"});
    dlg->show();
    CPageTabCtrl* tabs = dlg->PageTabs();
    std::vector<QWidget*> inside = {PageTree(0), PageTree(3), PageTree(4)};
    inside.push_back(tabs->SettingsPage()->findChild<QLineEdit*>());
    for (QWidget* target : inside) {
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_TRUE(dlg->isVisible()) << target->metaObject()->className();
        EXPECT_EQ(dlg->result(), 0);
    }
    // Escape on the dialog's own controls still cancels.
    QTest::keyClick(Catalogue(), Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(KnxDlgTest, ListenFailureIsReportedOnceTheDialogRuns) {
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK"));
    listenFailed = true;
    Open(BuildKnxRecord({}));
    QTest::qWait(50);
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].text, "Unable to open socket");
    EXPECT_EQ(answer.Seen()[0].title, "Information");
}

}  // namespace
}  // namespace halvex::test
