// Importing an ETS export into the dialog: the catalogue is replaced and vanished assignments
// pruned, or, for a file that is refused, nothing changes and the user is told why.
#include "support/ByteDiff.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

using ImportFileTest = ModelFixture;

// A catalogue of three addresses, assigned on a scene, a dimmer and a device output.
KnxRecordPlan OldCatalogue() {
    KnxRecordPlan plan;
    plan.scenes = 1;
    plan.mains = {{1, 0, "1 Old"}};
    plan.middles = {{8, 0, "0 Old"}};
    plan.groups = {{0x080C, 0x080C0020, "1/0/12 Ceiling"},
                   {0x080D, 0x080D0020, "1/0/13 Gone"},
                   {0x080E, 0x080E0027, "1/0/14 Gone"}};
    plan.pairs = {{0, 0x080C}, {0, 0x080D}, {2, 0x080D}, {3074, 0x080E}};
    plan.deviceTypes = {7};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"D", 0}});
    return plan;
}

TEST_F(ImportFileTest, EsfReplacesTheCatalogueAndPrunesVanishedAssignments) {
    Open(BuildKnxRecord(OldCatalogue()), {"Morning"}, {{"D", 0}}, 1);
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
    // 1/0/13 is gone from the scene and the dimmer page; the device page is not pruned.
    EXPECT_EQ(Assignments(), "0/0 1/0/12 Ceiling, 4/0 1/0/14 Gone");
}

TEST_F(ImportFileTest, RefusedFilesChangeNothingAndSayWhy) {
    const struct {
        uint8_t language;
        std::string file;
        const char* message;
    } cases[] = {
        {1, "",
         "Die Datei enthält keine Gruppenadresse, die importiert werden kann: Sie ist kein "
         "ETS-Gruppenadressen-Export (ESF, XML oder CSV), sie ist leer, oder keiner ihrer "
         "Einträge ist lesbar. Der Katalog bleibt unverändert."},
        {0, "<GroupAddress-Export>\n<GroupRange Name=\"A\"></GroupAddress-Export>",
         "The file is not well-formed XML (line 2: invalid closing tag name). The catalogue is "
         "unchanged."},
        {1, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
         "Die Kodierung UTF-16 der Datei wird nicht unterstützt; exportieren Sie sie als UTF-8. "
         "Der Katalog bleibt unverändert."},
    };
    const std::vector<uint8_t> original = BuildKnxRecord(OldCatalogue());
    for (const auto& c : cases) {
        Open(original, {"Morning"}, {{"D", 0}}, c.language);
        const ImportOutcome outcome = model->ImportFile(c.file);
        EXPECT_FALSE(outcome.imported);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_BYTES_EQ(original, Rebuild());
        TearDown();
    }
}

TEST_F(ImportFileTest, MixedLayoutsFindTheirParentsAndAHandMadeDuplicateIsRefused) {
    Open(BuildKnxRecord({}));
    ASSERT_TRUE(model
                    ->ImportFile("Mixed\n"
                                 "Light.Ground.1/0/12\tCeiling\t(1 Bit)\n"
                                 "Light.1/12\tSocket\t(1 Byte)\n"
                                 "Light.1/13\tPlug\t(1 Byte)\n")
                    .imported);
    const Catalogue& c = model->catalogue;
    EXPECT_EQ(c.ThreeLevelAddressing, 0);
    EXPECT_EQ(c.GroupAddressTable[0x080C].node->parent, c.MiddleGroupTable[8].node);
    EXPECT_EQ(c.GroupAddressTable[0x080D].node->parent, c.MainGroupTable[1].node);
    EXPECT_EQ(model->catalogue.AddMainGroup(1, "Again").warning, Text::MainGroupExists);
    EXPECT_EQ(Rebuild()[15] & 0x20, 0) << "stored as two-level";
}

}  // namespace
}  // namespace halvex::test
