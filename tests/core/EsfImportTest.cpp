#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/EsfImport.h"
#include "support/EsfGenerator.h"

namespace halvex {

void PrintTo(const EsfItem& item, std::ostream* os) {
    static constexpr const char* kKinds[] = {"main", "middle", "address"};
    *os << "{" << kKinds[static_cast<int>(item.kind)] << " " << item.number << " \"" << item.label
        << "\" 0x" << std::hex << item.itemData << std::dec << (item.threeLevel ? " 3}" : " 2}");
}

namespace {

using Kind = EsfItemKind;
using Lines = std::initializer_list<std::string_view>;

// The project line "Project" and the given lines, each ended by `lineEnd`.
std::string File(Lines lines, std::string_view lineEnd = "\r\n") {
    std::string file = "Project";
    file.append(lineEnd);
    for (std::string_view line : lines)
        file.append(line).append(lineEnd);
    return file;
}

EsfImport Parse(Lines lines) {
    return ParseEsf(File(lines));
}

std::vector<std::string> Labels(const EsfImport& result) {
    std::vector<std::string> labels;
    for (const EsfItem& item : result.items)
        labels.push_back(item.label);
    return labels;
}

TEST(EsfLineOperations, SizeTextsInSearchOrder) {
    const char* texts[] = {"(1 Bit)",  "(2 Bit)",  "(3 Bit)",  "(4 Bit)",   "(5 Bit)",
                           "(6 Bit)",  "(7 Bit)",  "(1 Byte)", "(2 Byte)",  "(3 Byte)",
                           "(4 Byte)", "(6 Byte)", "(8 Byte)", "(10 Byte)", "(14 Byte)"};
    for (size_t code = 0; code < std::size(texts); ++code) {
        EXPECT_EQ(SizeTextToObjectType(std::string("A.1/1\tX\tEIS 'Any' ") + texts[code] + "\tLow"),
                  code)
            << texts[code];
    }
    EXPECT_EQ(SizeTextToObjectType("(14 Byte)(4 Byte)"), 10);
    EXPECT_EQ(SizeTextToObjectType("Value (4 Byte)\tflag (1 Bit)"), 0);  // order, not position
    EXPECT_EQ(SizeTextToObjectType("((1 Byte)(3 Bit"), 7);
    for (const char* line : {"", "A.1/12\tX\tUncertain\tLow", "(1 bit)", "(1Bit)", "( 1 Bit)",
                             "(5 Byte)", "(12 Byte)", "(1 Bit"}) {
        EXPECT_EQ(SizeTextToObjectType(line), kEsfNoSize) << line;
    }
}

TEST(EsfLineOperations, NormaliseAndMaskInPlace) {
    const struct {
        void (*operation)(std::string&);
        const char* in;
        const char* out;
    } cases[] = {
        {NormaliseEsfLine, "Light.Ground.1/0/12\tX", "Light.Ground.1/0/12\tX"},
        {NormaliseEsfLine, "Light.1/12\tX", "Light.1/12\tX"},
        {NormaliseEsfLine, "Light.Floor.1/12\tX", "Light.1/12\tX"},  // two-level, middle name
        {NormaliseEsfLine, "Light.A.B.C.1/0/12\tX", "Light.B.C.1/0/12\tX"},  // once only
        {NormaliseEsfLine, "Light.1/0/12\tX.Y.Z", "Light.1/0/12\tX.Y.Z"},    // one "." before TAB
        {NormaliseEsfLine, "Hall/Stairs.Floor.1/12\tA", "Hall/Stairs.1/12\tA"},
        {NormaliseEsfLine, "Light.Ground.1/0/12", "Light.Ground.1/0/12"},  // no TAB
        {MaskNameSlashes, "Hall/Stairs.Up/Down.1/2/3\tBlind - UP/DOWN\t1/0/100 1/4/0",
         "Hall_Stairs.Up_Down.1/2/3\tBlind - UP/DOWN\t1/0/100 1/4/0"},
        {MaskNameSlashes, "A/B/C.1/2\tX", "A_B_C.1/2\tX"},
        {MaskNameSlashes, "A/B 1/2/3\tX", "A/B 1/2/3\tX"},  // no "." before the TAB
        {MaskNameSlashes, "A/B.1/2/3", "A/B.1/2/3"},        // no TAB
    };
    for (const auto& c : cases) {
        std::string line = c.in;
        c.operation(line);
        EXPECT_EQ(line, c.out);
    }
}

TEST(EsfParse, ThreeAndTwoLevelLines) {
    const EsfImport three = Parse({"Light.Ground.1/0/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow"});
    EXPECT_EQ(three.items, (std::vector<EsfItem>{
                               {Kind::MainGroup, 1, "1 Light", 0, true},
                               {Kind::MiddleGroup, 8, "0 Ground", 0, true},
                               {Kind::GroupAddress, 0x080C, "1/0/12 Ceiling", 0x080C0020, true},
                           }));
    EXPECT_EQ(three.threeLevel, true);
    EXPECT_EQ(three.projectName, "Project");
    EXPECT_EQ(three.skippedLines, 0u);

    const EsfImport two = Parse({"Light.1/12\tCeiling\tUncertain (1 Byte)\tLow\t"});
    EXPECT_EQ(two.items, (std::vector<EsfItem>{
                             {Kind::MainGroup, 1, "1 Light", 0, false},
                             {Kind::GroupAddress, 0x080C, "1/12 Ceiling", 0x080C0027, false},
                         }));
    EXPECT_EQ(two.threeLevel, false);
}

TEST(EsfParse, LabelsAndItemData) {
    // Slashes of group names masked, the address name's kept; a surplus middle name dropped.
    EXPECT_EQ(Labels(Parse({"Hall/Stairs.Up/Down.2/1/0\tBlind - UP/DOWN\t(1 Bit)",
                            "Light.Floor.31/2047\tLast"})),
              (std::vector<std::string>{"2 Hall_Stairs", "1 Up_Down", "2/1/0 Blind - UP/DOWN",
                                        "31 Light", "31/2047 Last"}));
    // Main and middle digits as written; the address's main and middle number in decimal.
    EXPECT_EQ(Labels(Parse({"Light.Ground.01/00/012\tCeiling", "Pump.0003/00200\tP"})),
              (std::vector<std::string>{"01 Light", "00 Ground", "1/0/012 Ceiling", "0003 Pump",
                                        "3/00200 P"}));
    // The address name ends at the second TAB or the line end; no size text gives 0xFF.
    const EsfImport result =
        Parse({"A.B.0/0/1\tOnly name", "A.B.0/0/2\t", "A.B.0/0/3\tX\t\t(1 Bit)"});
    EXPECT_EQ(Labels(result),
              (std::vector<std::string>{"0 A", "0 B", "0/0/1 Only name", "0/0/2 ", "0/0/3 X"}));
    EXPECT_EQ(result.items[2].itemData, 0x000100FFu);
    EXPECT_EQ(result.items[4].itemData, 0x00030020u);
}

TEST(EsfParse, RealExportShapes) {
    const EsfImport result = Parse({
        "Presence / Hospitality.Ground floor.4/0/1\tPresence  hall\tEIS 1 'Switching' (1 Bit)\t"
        "Low\t4/0/100 4/4/0",
        "Heating & Climate.1st floor - Office.3/2/10\tSetpoint\tEIS 5 'Value' (2 Byte)\tLow",
        "Anzeige.Texte.3/2/9\tSzene 1/2/3 Name\tEIS 15 'Zeichenkette' (14 Byte)\tLow\t",
        "Anzeige.Texte.3/2/8\tWert\tUnbestimmt (1 Byte)\tLow\t",
    });
    EXPECT_EQ(result.skippedLines, 0u);
    EXPECT_EQ(result.items,
              (std::vector<EsfItem>{
                  {Kind::MainGroup, 4, "4 Presence _ Hospitality", 0, true},
                  {Kind::MiddleGroup, 32, "0 Ground floor", 0, true},
                  {Kind::GroupAddress, 0x2001, "4/0/1 Presence  hall", 0x20010020, true},
                  {Kind::MainGroup, 3, "3 Heating & Climate", 0, true},
                  {Kind::MiddleGroup, 26, "2 1st floor - Office", 0, true},
                  {Kind::GroupAddress, 0x1A0A, "3/2/10 Setpoint", 0x1A0A0028, true},
                  {Kind::GroupAddress, 0x1A09, "3/2/9 Szene 1/2/3 Name", 0x1A09002E, true},
                  {Kind::GroupAddress, 0x1A08, "3/2/8 Wert", 0x1A080027, true},
              }));
}

TEST(EsfParse, FirstLineWinsButGroupsOfLaterDuplicatesAreCreated) {
    EXPECT_EQ(Labels(Parse({"Light.Ground.1/0/12\tFirst\t(1 Bit)", "Other.Upper.1/0/12\tSecond"})),
              (std::vector<std::string>{"1 Light", "0 Ground", "1/0/12 First"}));
    // 1/12 two-level and 1/0/12 three-level are the same 16-bit address.
    const EsfImport result = Parse({"Light.1/12\tFirst\t(1 Bit)", "Light.Ground.1/0/12\tSecond"});
    EXPECT_EQ(result.items, (std::vector<EsfItem>{
                                {Kind::MainGroup, 1, "1 Light", 0, false},
                                {Kind::GroupAddress, 0x080C, "1/12 First", 0x080C0020, false},
                                {Kind::MiddleGroup, 8, "0 Ground", 0, true},
                            }));
    EXPECT_EQ(result.threeLevel, true);
}

TEST(EsfParse, LayoutIsThatOfTheLastLineTaken) {
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/1\tX"}).threeLevel, false);
    EXPECT_EQ(Parse({"A.1/1\tX", "A.B.1/0/2\tX"}).threeLevel, true);
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/9999\tX"}).threeLevel, true);  // malformed: no say
    EXPECT_EQ(Parse({"A.1/9999\tX"}).threeLevel, std::nullopt);
    EXPECT_EQ(Parse({}).threeLevel, std::nullopt);
}

TEST(EsfParse, EachTextIsUtf8OrWindows1252) {
    const EsfImport cp1252 = ParseEsf(
        "B\xFCrogeb\xE4ude\r\nK\xFC"
        "che.Erdgescho\xDF.1/0/1\tLicht K\xFC"
        "che \x80\t(1 Bit)\r\n");
    EXPECT_EQ(cp1252.projectName, "B\xC3\xBCrogeb\xC3\xA4ude");
    EXPECT_EQ(Labels(cp1252), (std::vector<std::string>{"1 K\xC3\xBC"
                                                        "che",
                                                        "0 Erdgescho\xC3\x9F",
                                                        "1/0/1 Licht K\xC3\xBC"
                                                        "che \xE2\x82\xAC"}));
    // UTF-8 main name, Windows-1252 middle name, UTF-8 address name on one line; BOM dropped.
    const EsfImport mixed = ParseEsf(
        "\xEF\xBB\xBFProjekt M\xC3\xBCller\r\nK\xC3\xBC"
        "che.Gro\xDF.1/0/1\tT\xC3\xBCr\r\n");
    EXPECT_EQ(mixed.projectName, "Projekt M\xC3\xBCller");
    EXPECT_EQ(Labels(mixed), (std::vector<std::string>{"1 K\xC3\xBC"
                                                       "che",
                                                       "0 Gro\xC3\x9F", "1/0/1 T\xC3\xBCr"}));
}

TEST(EsfParse, LineEnds) {
    const Lines lines = {"Light.Ground.1/0/12\tCeiling\t(1 Bit)", "Light.Upper.1/1/0\tWall"};
    const EsfImport crlf = ParseEsf(File(lines, "\r\n"));
    ASSERT_EQ(crlf.items.size(), 5u);
    EXPECT_EQ(ParseEsf(File(lines, "\n")).items, crlf.items);
    EXPECT_EQ(
        ParseEsf("Project\nLight.Ground.1/0/12\tCeiling\t(1 Bit)\r\nLight.Upper.1/1/0\tWall").items,
        crlf.items);  // mixed line ends, last line without one

    const EsfImport empty = ParseEsf("");
    EXPECT_TRUE(empty.projectName.empty() && empty.items.empty() && empty.skippedLines == 0);
    EXPECT_EQ(ParseEsf("\xEF\xBB\xBF").projectName, "");
    EXPECT_EQ(ParseEsf("Only a name").projectName, "Only a name");

    const EsfImport blanks = ParseEsf("\r\n\r\n\n\r\nLight.1/12\tCeiling\r\n\r\n");
    EXPECT_EQ(blanks.items.size(), 2u);
    EXPECT_EQ(blanks.skippedLines, 0u);  // empty lines are not malformed

    // CR-only line ends: one line, whose text up to the first CR is the project name.
    const EsfImport cr = ParseEsf("Project\rLight.1/12\tCeiling\r");
    EXPECT_EQ(cr.projectName, "Project");
    EXPECT_TRUE(cr.items.empty());
}

TEST(EsfParse, MalformedLinesAreSkippedWholeAndCounted) {
    const std::string name254(254, 'n');
    const std::vector<std::string> malformed = {
        "no tab and no dot",
        "Light.Ground.1/0/12",    // no TAB
        "LightGround1/0/12\tX",   // no "." before the TAB
        "\tLight.Ground.1/0/12",  // "." only after the TAB
        "Light.Ground.10\tX",     // no "/"
        "Light.1/2/3\tX",         // three-level address without middle name
        "Light.A.B.C.1/0/12\tX",  // names left over after normalising
        "Light.Ground.1/0/12/4\tX",
        "Light.Ground./0/12\tX",  // empty parts
        "Light.Ground.1//12\tX",
        "Light.Ground.1/0/\tX",
        "Light.Ground.32/0/0\tX",  // out of range
        "Light.Ground.1/8/0\tX",
        "Light.Ground.1/0/256\tX",
        "Light.32/0\tX",
        "Light.1/2048\tX",
        "Light.Ground.1/0/99999999999999999999\tX",
        "Light.Ground.1/a/2\tX",  // not digits
        "Light.Ground.1/0/ 12\tX",
        "Light.Ground.-1/0/1\tX",
        "Light.Ground.1/0/12\tX\rY\t(1 Bit)",          // CR without LF
        std::string("Light.Ground.1/0/12\tX\0Y", 24),  // NUL
        "Light\x81.Ground.1/0/12\tX",                  // neither UTF-8 nor Windows-1252
        "Light.Gr\x8Dund.1/0/12\tX",
        "Light.Ground.1/0/12\tX\x9D",
        name254 + ".Ground.1/0/12\tX",  // labels of 256 bytes
        "Light." + name254 + ".1/0/12\tX",
        "Light.Ground.1/0/12\t" + name254.substr(5),
    };
    for (const std::string& line : malformed) {
        SCOPED_TRACE(::testing::PrintToString(line));
        const EsfImport result =
            ParseEsf("Project\r\nGood.Line.0/0/1\tOk\r\n" + line + "\r\nGood.Line.0/0/2\tOk\r\n");
        EXPECT_EQ(result.skippedLines, 1u);
        EXPECT_EQ(Labels(result),
                  (std::vector<std::string>{"0 Good", "0 Line", "0/0/1 Ok", "0/0/2 Ok"}));
    }
}

TEST(EsfParse, LimitsOfLabelsAndLines) {
    const std::string name253(253, 'n');  // "1 " + 253 bytes: exactly 255
    const EsfImport labels = Parse({name253 + "." + name253 + ".1/0/0\t" + std::string(249, 'x')});
    EXPECT_EQ(labels.skippedLines, 0u);
    for (const EsfItem& item : labels.items)
        EXPECT_EQ(item.label.size(), 255u);

    const std::string head = "Light.Ground.1/0/1\tX\t(1 Bit)\t";
    const std::string fits = head + std::string(kEsfMaxLineLength - head.size(), 'p');
    EXPECT_EQ(Parse({fits}).items.size(), 3u);
    // One byte more: skipped up to its line end, and the next line is read as usual.
    const EsfImport overlong = Parse({fits + "p", "Light.Ground.1/0/2\tY"});
    EXPECT_EQ(overlong.skippedLines, 1u);
    EXPECT_EQ(Labels(overlong), (std::vector<std::string>{"1 Light", "0 Ground", "1/0/2 Y"}));

    const EsfImport longName = ParseEsf(std::string(70000, 'P') + "\r\nA.1/1\tX\r\n");
    EXPECT_EQ(longName.projectName, "");
    EXPECT_EQ(longName.skippedLines, 1u);
    EXPECT_EQ(longName.items.size(), 2u);
}

// Every item's parent, as the dialog finds it, came before it, and no slot repeats.
void ExpectParentsFirstAndNoRepeats(const EsfImport& result) {
    std::set<int> mains, middles, addresses;
    for (const EsfItem& item : result.items) {
        bool parentSeen = true, firstTime = false;
        if (item.kind == Kind::MainGroup) {
            firstTime = mains.insert(item.number).second;
        } else if (item.kind == Kind::MiddleGroup) {
            parentSeen = mains.count(item.number >> 3) == 1;
            firstTime = middles.insert(item.number).second;
        } else {
            parentSeen = item.threeLevel ? middles.count(item.number >> 8) == 1
                                         : mains.count(item.number >> 11) == 1;
            firstTime = addresses.insert(item.number).second;
            EXPECT_EQ(item.itemData >> 16, item.number) << item.label;
        }
        EXPECT_TRUE(parentSeen && firstTime) << item.label;
    }
}

TEST(EsfParse, AllAddressesOfGeneratedFiles) {
    for (const bool threeLevel : {true, false}) {
        for (const bool shuffled : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "three-level " << threeLevel << ", shuffled " << shuffled);
            const EsfImport result =
                ParseEsf(test::GenerateEsf({.threeLevel = threeLevel, .shuffled = shuffled}));
            EXPECT_EQ(result.skippedLines, 0u);
            EXPECT_EQ(result.items.size(), threeLevel ? 65536u + 256 + 32 : 65536u + 32);
            EXPECT_EQ(result.threeLevel, threeLevel);
            ExpectParentsFirstAndNoRepeats(result);
            size_t line = 0;
            for (const EsfItem& item : result.items) {
                if (item.kind != Kind::GroupAddress)
                    continue;
                const uint32_t type = test::kEsfGeneratorObjectTypes[line % 5];
                ASSERT_EQ(item.number, test::EsfGeneratorAddress(line++, shuffled));
                ASSERT_EQ(item.itemData, (uint32_t{item.number} << 16) | 0x20 | type);
            }
        }
    }
}

EsfImport ParseSample(const char* name) {
    std::ifstream in(std::string(HALVEX_SOURCE_DIR "/resources/samples/") + name, std::ios::binary);
    EXPECT_TRUE(in) << "sample file missing: " << name;
    return ParseEsf(std::string{std::istreambuf_iterator<char>(in), {}});
}

TEST(EsfParse, DemoBuildingSampleWindows1252ThreeLevel) {
    const EsfImport result = ParseSample("demo-building.esf");
    EXPECT_EQ(result.projectName,
              "B\xC3\xBCrogeb\xC3\xA4ude M\xC3\xBCllerstra\xC3\x9F"
              "e 12");
    EXPECT_EQ(result.skippedLines, 0u);
    EXPECT_EQ(result.threeLevel, true);
    ExpectParentsFirstAndNoRepeats(result);
    EXPECT_EQ(result.items.size(), 7u + 22 + 276);  // main groups, middle groups, addresses
    std::map<uint32_t, int> types;                  // addresses per low byte of the item data
    for (const EsfItem& item : result.items) {
        if (item.kind == Kind::GroupAddress)
            ++types[item.itemData & 0xFF];
    }
    EXPECT_EQ(
        types,
        (std::map<uint32_t, int>{
            {0x20, 100}, {0x23, 21}, {0x27, 89}, {0x28, 61}, {0x29, 2}, {0x2A, 1}, {0x2E, 2}}));
    for (const EsfItem& wanted : {
             EsfItem{Kind::MainGroup, 2,
                     "2 Jalousien _ Rolll\xC3\xA4"
                     "den",
                     0, true},
             EsfItem{Kind::MiddleGroup, 13,
                     "5 Au\xC3\x9F"
                     "enanlage",
                     0, true},
             EsfItem{Kind::GroupAddress, 0x1104,
                     "2/1/4 Jalousie K\xC3\xBC"
                     "che - AUF/AB",
                     0x11040020, true},
             EsfItem{Kind::GroupAddress, 0x3003, "6/0/3 Statustext Empfang", 0x3003002E, true},
         }) {
        EXPECT_NE(std::find(result.items.begin(), result.items.end(), wanted), result.items.end())
            << wanted.label;
    }
}

TEST(EsfParse, HotelSampleUtf8TwoLevel) {
    const EsfImport result = ParseSample("hotel-two-level.esf");
    EXPECT_EQ(result.projectName, "Hotel Z\xC3\xBCrich \xE2\x80\x93 Ground floor");
    EXPECT_EQ(result.skippedLines, 0u);
    EXPECT_EQ(result.threeLevel, false);
    ExpectParentsFirstAndNoRepeats(result);
    ASSERT_EQ(result.items.size(), 5u + 50);
    // The file lists its addresses from the highest down.
    EXPECT_EQ(result.items[1],
              (EsfItem{Kind::GroupAddress, 0x2FFF, "5/2047 Last address", 0x2FFF0020, false}));
    EXPECT_EQ(result.items[2].label, "5/0 Welcome text \xE2\x80\x93 Lobby");
}

}  // namespace
}  // namespace halvex
