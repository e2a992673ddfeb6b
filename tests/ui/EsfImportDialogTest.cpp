// "Import ESF" in the main dialog: the catalogue is replaced and vanished assignments pruned.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "pages/CDragTreeCtrl.h"
#include "plugin/ModuleState.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

class EsfImportDialogTest : public DialogFixture {
protected:
    QString Write(const std::string& bytes) {
        const QString path = dir.filePath(QStringLiteral("import.esf"));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(EsfImportDialogTest, ReplacesTheCatalogueAndPrunesVanishedAssignments) {
    KnxRecordPlan plan;
    plan.scenes = 1;
    plan.mains = {{1, 0, "1 Old"}};
    plan.middles = {{8, 0, "0 Old"}};
    plan.groups = {{0x080C, 0x080C0020, "1/0/12 Ceiling"}, {0x080D, 0x080D0020, "1/0/13 Gone"}};
    plan.pairs = {{0, 0x080C}, {0, 0x080D}, {2, 0x080D}};
    Open(BuildKnxRecord(plan), {"Morning"});
    const std::string file =
        "Project \xC4rger\r\n"
        "Light.Ground.1/0/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow\t\r\n"
        "Hall/Stairs.Upper.01/1/3\tBlind - UP/DOWN\tEIS 1 'Switching' (1 Bit)\tLow\t\r\n";
    ASSERT_TRUE(dlg->ImportEsfFile(Write(file)));

    EXPECT_EQ(dlg->findChild<QLabel*>("7027")->text(), QString::fromUtf8("Project Ärger"));
    QTreeWidgetItem* root = Catalogue()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "1 Light");  // the first line names main group 1
    ASSERT_NE(dlg->GroupAddressTable[0x080C].item, nullptr);
    EXPECT_EQ(CDragTreeCtrl::ItemData(dlg->GroupAddressTable[0x080C].item), 0x080C0020u);
    EXPECT_EQ(dlg->GroupAddressTable[0x080C].item->parent(), dlg->MiddleGroupTable[8].item);
    EXPECT_EQ(dlg->GroupAddressTable[0x0903].item->text(0), "1/1/3 Blind - UP/DOWN");
    EXPECT_EQ(dlg->MiddleGroupTable[9].item->text(0), "1 Upper");
    EXPECT_EQ(dlg->GroupAddressTable[0x080D].item, nullptr);

    // 1/0/12 survives on the scene; 1/0/13 is gone from the scene and the dimmer page.
    const ModuleState& m = Module();
    ASSERT_EQ(m.SceneTree1->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(CDragTreeCtrl::ItemData(m.SceneTree1->topLevelItem(0)->child(0)) >> 16, 0x080Cu);
    EXPECT_EQ(m.SceneTree2->topLevelItem(0)->childCount(), 0);
}

TEST_F(EsfImportDialogTest, TwoLevelFileSwitchesTheLayoutAndMixedLinesFindTheirParents) {
    Open(BuildKnxRecord({}));
    const std::string file =
        "Mixed\n"
        "Light.Ground.1/0/12\tCeiling\t(1 Bit)\n"
        "Light.1/12\tSocket\t(1 Byte)\n";
    ASSERT_TRUE(dlg->ImportEsfFile(Write(file)));
    EXPECT_EQ(dlg->ThreeLevelAddressing, 0);
    EXPECT_EQ(dlg->GroupAddressTable[0x080C].item->parent(), dlg->MiddleGroupTable[8].item);
    EXPECT_EQ(dlg->GroupAddressTable[0x080C + 0].item->text(0), "1/0/12 Ceiling");
    // Two-level 1/12 is the same 16-bit value as 1/0/12: the first line wins.
    EXPECT_EQ(CDragTreeCtrl::ItemData(dlg->GroupAddressTable[0x080C].item), 0x080C0020u);
}

TEST_F(EsfImportDialogTest, SkippedLinesAreReportedOnce) {
    Open(BuildKnxRecord({}), {}, {}, 1);
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK"));
    const std::string file =
        "P\r\n"
        "no tab here\r\n"
        "Light.Ground.1/9/12\tCeiling\t(1 Bit)\r\n"
        "Light.Ground.1/0/1\tOk\t(1 Bit)\r\n";
    ASSERT_TRUE(dlg->ImportEsfFile(Write(file)));
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].text,
              "2 Zeile(n) der Datei konnten nicht gelesen werden und wurden übersprungen.");
    EXPECT_NE(dlg->GroupAddressTable[0x0801].item, nullptr);
}

TEST_F(EsfImportDialogTest, UnreadableFileChangesNothing) {
    KnxRecordPlan plan;
    plan.mains = {{1, 0, "1 Keep"}};
    Open(BuildKnxRecord(plan));
    EXPECT_FALSE(dlg->ImportEsfFile(dir.filePath(QStringLiteral("missing.esf"))));
    EXPECT_NE(dlg->MainGroupTable[1].item, nullptr);
}

TEST_F(EsfImportDialogTest, AfterImportAHandMadeDuplicateIsRefused) {
    Open(BuildKnxRecord({}));
    ASSERT_TRUE(dlg->ImportEsfFile(Write("P\r\nLight.Ground.1/0/12\tCeiling\t(1 Bit)\r\n")));
    ModalAnswerer answer;
    answer
        .Then([](QWidget* w) {
            QTest::keyClicks(w->findChild<QLineEdit*>("7035"), "1");
            w->findChild<QPushButton*>("7056")->click();
        })
        .Then(ModalAnswerer::Press("OK"));
    Catalogue()->SelectItem(Catalogue()->topLevelItem(0));
    dlg->OnTreeRightClick(Catalogue());
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_EQ(answer.Seen()[1].text, "Main group already exists");
}

}  // namespace
}  // namespace halvex::test
