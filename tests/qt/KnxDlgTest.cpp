// The main dialog as a view of its model: the layout and check boxes shown, tabs switched by a
// click, the keys, and what the message boxes say. The rules are tested at the model.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "engine/ModuleState.h"
#include "qt/CDeviceSettingsPage.h"
#include "qt/CDragTreeCtrl.h"
#include "qt/CPageTabCtrl.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

using KnxDlgTest = DialogFixture;

TEST_F(KnxDlgTest, ShowsTheModelsLayoutAndCheckBoxesSetTheirBitsAtOnce) {
    KnxRecordPlan knx;
    knx.flagsA = 0x01 | 0x20, knx.flagsB = 0x20 | 0x40;  // soft on/off, preview 1
    for (const auto& record :
         {BuildKnxRecord(knx), BuildEnOceanRecord({}, {}), Header(0x02, 0x10)}) {
        Open(record, {}, {}, 1);
        const DialogLayout layout = dlg->Model().Layout();
        EXPECT_EQ(dlg->windowTitle().toStdString(), layout.title);
        EXPECT_EQ(dlg->findChild<QLabel*>("7051")->text().toStdString(), layout.heading);
        EXPECT_EQ(dlg->findChild<QLabel*>("7072")->text(), "Vorschau");
        QTabBar* bar = dlg->PageTabs()->TabBar();
        ASSERT_EQ(static_cast<size_t>(bar->count()), layout.tabs.size());
        for (int i = 0; i < bar->count(); ++i)
            EXPECT_EQ(bar->tabText(i).toStdString(), layout.tabs[i]);
        EXPECT_EQ(Catalogue()->isHidden(), !layout.catalogueVisible);
        EXPECT_EQ(dlg->findChild<QPushButton*>("7012")->isHidden(), !layout.importVisible);
        TearDown();
    }
    Open(BuildKnxRecord(knx));
    const struct {
        const char* id;
        size_t byte;
        uint8_t bit;
    } boxes[] = {{"7036", 15, 0x40}, {"7042", 15, 0x80}, {"7037", 14, 0x20}};
    for (const auto& box : boxes) {
        auto* check = dlg->findChild<QCheckBox*>(box.id);
        const bool on = (Module().WorkingRecord[box.byte] & box.bit) != 0;
        EXPECT_EQ(check->isChecked(), on) << box.id;
        check->click();
        EXPECT_EQ((Module().WorkingRecord[box.byte] & box.bit) != 0, !on) << box.id;
    }
}

TEST_F(KnxDlgTest, RightClickAsksInTheGroupDialogAndWarnsOfADuplicate) {
    Open(BuildKnxRecord({}));
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0));
    const auto enter = [](const char* number, const char* name) {
        return [=](QWidget* w) {
            QTest::keyClicks(w->findChild<QLineEdit*>("7035"), number);
            QTest::keyClicks(w->findChild<QLineEdit*>("7055"), name);
            w->findChild<QPushButton*>("7056")->click();
        };
    };
    ModalAnswerer answer;
    answer.Then(enter("2", "Light")).Then(enter("2", "Again")).Then(ModalAnswerer::Press("OK"));
    dlg->OnTreeRightClick(Catalogue());
    dlg->OnTreeRightClick(Catalogue());
    QTreeWidgetItem* root = Catalogue()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "2 Light");
    ASSERT_EQ(answer.Seen().size(), 3u);
    EXPECT_EQ(answer.Seen()[2].title, "Attention");
    EXPECT_EQ(answer.Seen()[2].text, "Main group already exists");
}

// Tabs switch pages on a click only. Enter never ends the dialog (OK must rebuild the record);
// Escape inside a page stays there, on the dialog's own controls it cancels.
TEST_F(KnxDlgTest, TabClicksEnterAndEscape) {
    Open(BuildEnOceanRecord({}, {}), {"A"});
    dlg->show();
    CPageTabCtrl* tabs = dlg->PageTabs();
    QTabBar* bar = tabs->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
    EXPECT_EQ(Module().CurrentPage, 6);
    EXPECT_TRUE(tabs->Page(6)->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    EXPECT_EQ(Module().CurrentPage, 3);
    EXPECT_FALSE(tabs->Page(6)->isVisible());
    bar->setCurrentIndex(1);  // not a click: the page stays
    EXPECT_EQ(Module().CurrentPage, 3);
    EXPECT_FALSE(tabs->PageCreated(4));
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    const std::vector<QWidget*> inside = {PageTree(0), PageTree(3),
                                          dlg->SettingsPage()->findChild<QLineEdit*>()};
    for (QWidget* target : inside)
        QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
    QTest::keyClick(Catalogue(), Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(KnxDlgTest, MessageBoxes) {
    // The listening socket did not open: told once the dialog runs.
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK"));
    listenFailed = true;
    Open(BuildKnxRecord({}));
    QTest::qWait(50);
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].title, "Information");
    EXPECT_EQ(answer.Seen()[0].text, "Unable to open socket");

    // OK with a main part over 65,535 bytes: told, and the dialog stays open.
    TreeModel& dimmer = dlg->Model().Page(2)->tree;
    for (uint32_t a = 1; a <= 11000; ++a)
        dimmer.Insert(dimmer.TopLevel(a % 512 * 3), "", InsertAt::Last, 0, 0, a << 16 | 0x30);
    answer.Then(ModalAnswerer::Press("OK"));
    dlg->show();
    dlg->findChild<QPushButton*>("7052")->click();
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_TRUE(answer.Seen()[1].text.startsWith("The configuration is too large"));
    EXPECT_TRUE(dlg->isVisible());

    // "Import ESF": the project name shown, skipped lines told. A refused file is the model's
    // and the host's end-to-end test's.
    TearDown();
    listenFailed = false;
    Open(BuildKnxRecord({}), {}, {}, 1);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("import.esf"));
    std::ofstream(path.toStdString(), std::ios::binary)
        << "Project \xC4rger\r\nno tab here\r\nLight.Ground.1/0/12\tCeiling\t(1 Bit)\r\n";
    answer.Then(ModalAnswerer::Press("OK"));
    ASSERT_TRUE(dlg->ImportEsfFile(path));
    EXPECT_EQ(dlg->findChild<QLabel*>("7027")->text(), QString::fromUtf8("Project Ärger"));
    ASSERT_EQ(answer.Seen().size(), 3u);
    EXPECT_EQ(answer.Seen()[2].title, "Information");
    EXPECT_EQ(answer.Seen()[2].text,
              "1 Zeile(n) der Datei konnten nicht gelesen werden und wurden übersprungen.");
}

}  // namespace
}  // namespace halvex::test
