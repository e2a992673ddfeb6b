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

TEST_F(EsfImportDialogTest, FileWithoutAnyAddressChangesNothingAndSaysWhy) {
    KnxRecordPlan plan;
    plan.scenes = 1;
    plan.mains = {{1, 0, "1 Keep"}};
    plan.middles = {{8, 0, "0 Keep"}};
    plan.groups = {{0x080C, 0x080C0020, "1/0/12 Keep"}};
    plan.pairs = {{0, 0x080C}};
    const struct {
        uint8_t language;
        std::string file;
        const char* message;
    } cases[] = {
        {1, "",
         "Die Datei enthält keine Gruppenadresse, die importiert werden kann: Sie ist kein "
         "ETS-Gruppenadressen-Export (ESF, XML oder CSV), sie ist leer, oder keiner ihrer "
         "Einträge ist lesbar. Der Katalog bleibt unverändert."},
        {0,
         std::string("\x7F"
                     "ELF\0\x01\xFF",
                     7),
         "The file contains no group address that can be imported: it is not an ETS "
         "group-address export (ESF, XML or CSV), it is empty, or none of its entries can be "
         "read. The catalogue is unchanged."},
        {0, "<GroupAddress-Export>\n<GroupRange Name=\"A\"></GroupAddress-Export>",
         "The file is not well-formed XML (line 2: invalid closing tag name). The catalogue is "
         "unchanged."},
        {1, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
         "Die Kodierung UTF-16 der Datei wird nicht unterstützt; exportieren Sie sie als UTF-8. "
         "Der Katalog bleibt unverändert."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Open(BuildKnxRecord(plan), {"Morning"}, {}, c.language);
        const std::vector<uint8_t> before = WorkingRecord();
        ModalAnswerer answer;
        answer.Then(ModalAnswerer::Press("OK"));
        EXPECT_FALSE(dlg->ImportEsfFile(Write(c.file)));
        ASSERT_EQ(answer.Seen().size(), 1u);
        EXPECT_EQ(answer.Seen()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(Catalogue()->topLevelItem(0)->child(0)->text(0), "1 Keep");
        EXPECT_EQ(Module().SceneTree1->topLevelItem(0)->childCount(), 1);
        EXPECT_EQ(PressOk(), before);
        TearDown();
    }
}

TEST_F(EsfImportDialogTest, XmlAndCsvStoreTheRecordOfTheEquivalentEsf) {
    const std::string files[] = {
        "P\r\nLight.1/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow\t\r\n"
        "Blinds.2/7\tK\xC3\xBC"
        "che\tUncertain (1 Byte)\tLow\t\r\n",
        "<GroupAddress-Export><GroupRange Name=\"Light\">"
        "<GroupAddress Name=\"Ceiling\" Address=\"1/12\" DPTs=\"DPST-1-1\"/></GroupRange>"
        "<GroupRange Name=\"Blinds\"><GroupAddress Name=\"K&#xFC;che\" Address=\"2/7\" "
        "DPTs=\"DPST-5-1\"/></GroupRange></GroupAddress-Export>",
        "\"Light\",\"1/-\"\n\"Ceiling\",\"1/12\",\"DPST-1-1\"\n\"Blinds\",\"2/-\"\n"
        "\"K\xFC"
        "che\",\"2/7\",\"\",\"DPST-5-1\"\n",
    };
    std::vector<std::vector<uint8_t>> records;
    for (const std::string& file : files) {
        Open(BuildKnxRecord({}));  // three-level until the import says otherwise
        ASSERT_TRUE(dlg->ImportEsfFile(Write(file))) << file;
        records.push_back(PressOk());
        TearDown();
    }
    ASSERT_GT(records[0].size(), 62u);
    EXPECT_EQ(records[0][15] & 0x20, 0) << "two-level layout";
    EXPECT_EQ(records[1], records[0]);
    EXPECT_EQ(records[2], records[0]);
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
