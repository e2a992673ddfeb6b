// Importing an ETS export into the dialog: the catalogue is replaced and vanished assignments
// pruned, or, for a file that is refused, nothing changes and the user is told why.
#include "model/ItemData.h"
#include "plugin/ModuleState.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

using ImportFileTest = ModelFixture;

TEST_F(ImportFileTest, EsfReplacesTheCatalogueAndPrunesVanishedAssignments) {
    KnxRecordPlan plan;
    plan.scenes = 1;
    plan.mains = {{1, 0, "1 Old"}};
    plan.middles = {{8, 0, "0 Old"}};
    plan.groups = {{0x080C, 0x080C0020, "1/0/12 Ceiling"}, {0x080D, 0x080D0020, "1/0/13 Gone"}};
    plan.pairs = {{0, 0x080C}, {0, 0x080D}, {2, 0x080D}};
    Open(BuildKnxRecord(plan), {"Morning"}, {}, 1);
    const ImportOutcome outcome = model->ImportFile(
        "Project \xC4rger\r\n"
        "Light.Ground.1/0/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow\t\r\n"
        "no tab here\r\n"
        "Hall/Stairs.Upper.01/1/3\tBlind - UP/DOWN\tEIS 1 'Switching' (1 Bit)\tLow\t\r\n");
    EXPECT_TRUE(outcome.imported);
    EXPECT_EQ(outcome.message,
              "1 Zeile(n) der Datei konnten nicht gelesen werden und wurden übersprungen.");
    const Catalogue& c = model->catalogue;
    EXPECT_EQ(c.ProjectName, "Project Ärger");
    ASSERT_EQ(c.Root.node->ChildCount(), 1u);
    EXPECT_EQ(c.Root.node->Child(0)->label, "1 Light");  // the first line names main group 1
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->data, 0x080C0020u);
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->parent, c.MiddleGroupTable[8].node);
    EXPECT_EQ(c.GroupAddressTable[0x0903].node->label, "1/1/3 Blind - UP/DOWN");
    EXPECT_EQ(c.MiddleGroupTable[9].node->label, "1 Upper");
    EXPECT_EQ(c.GroupAddressTable[0x080D].node, nullptr);
    // 1/0/12 survives on the scene; 1/0/13 is gone from the scene and the dimmer page.
    ASSERT_EQ(PageTree(0).TopLevel(0)->ChildCount(), 1u);
    EXPECT_EQ(ItemNumber(PageTree(0).TopLevel(0)->Child(0)->data), 0x080C);
    EXPECT_EQ(PageTree(2).TopLevel(0)->ChildCount(), 0u);
}

TEST_F(ImportFileTest, RefusedFilesChangeNothingAndSayWhy) {
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
        const std::vector<uint8_t> original = BuildKnxRecord(plan);
        Open(original, {"Morning"}, {}, c.language);
        const ImportOutcome outcome = model->ImportFile(c.file);
        EXPECT_FALSE(outcome.imported);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(model->catalogue.Root.node->Child(0)->label, "1 Keep");
        EXPECT_EQ(PageTree(0).TopLevel(0)->ChildCount(), 1u);
        EXPECT_EQ(Rebuild(), original);
        TearDown();
    }
}

TEST_F(ImportFileTest, XmlAndCsvStoreTheRecordOfTheEquivalentEsf) {
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
        ASSERT_TRUE(model->ImportFile(file).imported) << file;
        records.push_back(Rebuild());
        TearDown();
    }
    ASSERT_GT(records[0].size(), 62u);
    EXPECT_EQ(records[0][15] & 0x20, 0) << "two-level layout";
    EXPECT_EQ(records[1], records[0]);
    EXPECT_EQ(records[2], records[0]);
}

TEST_F(ImportFileTest, MixedLayoutsFindTheirParentsAndAHandMadeDuplicateIsRefused) {
    Open(BuildKnxRecord({}));
    ASSERT_TRUE(model
                    ->ImportFile("Mixed\n"
                                 "Light.Ground.1/0/12\tCeiling\t(1 Bit)\n"
                                 "Light.1/12\tSocket\t(1 Byte)\n")
                    .imported);
    const Catalogue& c = model->catalogue;
    EXPECT_EQ(c.ThreeLevelAddressing, 0);
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->parent, c.MiddleGroupTable[8].node);
    // Two-level 1/12 is the same 16-bit value as 1/0/12: the first line wins.
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->label, "1/0/12 Ceiling");
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->data, 0x080C0020u);
    EXPECT_EQ(model->catalogue.AddMainGroup(1, "Again").warning, Text::MainGroupExists);
}

}  // namespace
}  // namespace halvex::test
