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
        << "\" 0x" << std::hex << item.itemData << std::dec
        << (item.threeLevel ? " three-level}" : " two-level}");
}

namespace {

using Kind = EsfItemKind;

// A file of the given address lines after the project line "Project", each ended by `lineEnd`.
std::string File(std::initializer_list<std::string_view> lines, std::string_view lineEnd = "\r\n") {
    std::string file = "Project";
    file.append(lineEnd);
    for (std::string_view line : lines)
        file.append(line).append(lineEnd);
    return file;
}

EsfImport Parse(std::initializer_list<std::string_view> lines) {
    return ParseEsf(File(lines));
}

// --- Line operations -------------------------------------------------------------------------

TEST(EsfSizeText, EveryTextGivesItsObjectType) {
    const struct {
        const char* text;
        uint8_t type;
    } cases[] = {
        {"(1 Bit)", 0},   {"(2 Bit)", 1},   {"(3 Bit)", 2},   {"(4 Bit)", 3},    {"(5 Bit)", 4},
        {"(6 Bit)", 5},   {"(7 Bit)", 6},   {"(1 Byte)", 7},  {"(2 Byte)", 8},   {"(3 Byte)", 9},
        {"(4 Byte)", 10}, {"(6 Byte)", 11}, {"(8 Byte)", 12}, {"(10 Byte)", 13}, {"(14 Byte)", 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SizeTextToObjectType(std::string("x\tEIS 15 'Any' ") + c.text + "\tLow\t"),
                  c.type);
    }
}

TEST(EsfSizeText, SearchOrderDecidesNotPosition) {
    EXPECT_EQ(SizeTextToObjectType("EIS 15 'Character String' (14 Byte)"), 14);
    EXPECT_EQ(SizeTextToObjectType("EIS 9 'Float' (4 Byte)"), 10);
    // "(4 Byte)" comes before "(1 Bit)" in the line but after it in the search order.
    EXPECT_EQ(SizeTextToObjectType("Value (4 Byte)\tflag (1 Bit)"), 0);
    EXPECT_EQ(SizeTextToObjectType("(10 Byte) (2 Byte)"), 8);
    EXPECT_EQ(SizeTextToObjectType("((1 Byte)(3 Bit"), 7);
    EXPECT_EQ(SizeTextToObjectType("(14 Byte)(4 Byte)"), 10);
}

TEST(EsfSizeText, NoExactTextGivesNoSize) {
    for (const char* line : {"", "Light.1/12\tCeiling\tUncertain\tLow\t", "(1 bit)", "(1 BYTE)",
                             "(1Bit)", "( 1 Bit)", "(5 Byte)", "(12 Byte)", "1 Bit", "(1 Bit"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(SizeTextToObjectType(line), kEsfNoSize);
    }
}

TEST(EsfNormaliseLine, RemovesOneSurplusNameSegment) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Light.Ground.1/0/12\tCeiling", "Light.Ground.1/0/12\tCeiling"},  // three-level: kept
        {"Light.1/12\tCeiling", "Light.1/12\tCeiling"},                    // two-level: kept
        {"Light.Floor.1/12\tCeiling", "Light.1/12\tCeiling"},      // two-level with a middle name
        {"Light.A.B.1/0/12\tX", "Light.B.1/0/12\tX"},              // one name too many
        {"Light.A.B.C.1/0/12\tX", "Light.B.C.1/0/12\tX"},          // removed once only
        {"Light.1/0/12\tX.Y.Z", "Light.1/0/12\tX.Y.Z"},            // no second "." before the TAB
        {"Hall/Stairs.Floor.1/12\tA.B", "Hall/Stairs.1/12\tA.B"},  // names' "/" are not counted
        {"Light.Ground.1/0/12", "Light.Ground.1/0/12"},            // no TAB
        {"Light Ground 1/0/12\tX", "Light Ground 1/0/12\tX"},      // no "." before the TAB
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::string line = c.in;
        NormaliseEsfLine(line);
        EXPECT_EQ(line, c.out);
    }
}

TEST(EsfMaskNameSlashes, OnlyTheAddressAndLaterFieldsKeepSlashes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Hall/Stairs.Up/Down.1/2/3\tBlind - UP/DOWN\t1/0/100 1/4/0",
         "Hall_Stairs.Up_Down.1/2/3\tBlind - UP/DOWN\t1/0/100 1/4/0"},
        {"Presence / Hospitality.1/12\tA/B", "Presence _ Hospitality.1/12\tA/B"},
        {"A/B/C.1/2/3\tX", "A_B_C.1/2/3\tX"},
        {"A/B 1/2/3\tX", "A/B 1/2/3\tX"},  // no "." before the TAB
        {"A/B.1/2/3", "A/B.1/2/3"},        // no TAB
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::string line = c.in;
        MaskNameSlashes(line);
        EXPECT_EQ(line, c.out);
    }
}

// --- Whole lines ------------------------------------------------------------------------------

TEST(EsfParse, ThreeLevelLineCreatesMainMiddleAndAddress) {
    const EsfImport result =
        Parse({"Light.Ground.1/0/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow\t"});
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 1, "1 Light", 0, true},
        {Kind::MiddleGroup, 8, "0 Ground", 0, true},
        {Kind::GroupAddress, 0x080C, "1/0/12 Ceiling", 0x080C0020, true},
    };
    EXPECT_EQ(result.items, expected);
    EXPECT_EQ(result.threeLevel, true);
    EXPECT_EQ(result.projectName, "Project");
    EXPECT_EQ(result.skippedLines, 0u);
}

TEST(EsfParse, TwoLevelLineCreatesMainAndAddress) {
    const EsfImport result = Parse({"Light.1/12\tCeiling\tUncertain (1 Byte)\tLow\t"});
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 1, "1 Light", 0, false},
        {Kind::GroupAddress, 0x080C, "1/12 Ceiling", 0x080C0027, false},
    };
    EXPECT_EQ(result.items, expected);
    EXPECT_EQ(result.threeLevel, false);
}

TEST(EsfParse, TwoLevelLineWithMiddleNameDropsIt) {
    const EsfImport result = Parse({"Light.Floor.31/2047\tLast\tEIS 1 'Switching' (1 Bit)"});
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 31, "31 Light", 0, false},
        {Kind::GroupAddress, 0xFFFF, "31/2047 Last", 0xFFFF0020, false},
    };
    EXPECT_EQ(result.items, expected);
}

TEST(EsfParse, SlashesInGroupNamesAreMaskedButNotInTheAddressName) {
    const EsfImport result =
        Parse({"Hall/Stairs.Up/Down.2/1/0\tBlind - UP/DOWN\tEIS 1 'Switching' (1 Bit)\tLow\t"
               "1/0/100 1/4/0"});
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].label, "2 Hall_Stairs");
    EXPECT_EQ(result.items[1].label, "1 Up_Down");
    EXPECT_EQ(result.items[2].label, "2/1/0 Blind - UP/DOWN");
    EXPECT_EQ(result.items[2].itemData, 0x11000020u);
}

TEST(EsfParse, GroupDigitsAsWrittenButAddressNumbersInDecimal) {
    const EsfImport result = Parse({"Light.Ground.01/00/012\tCeiling\t(1 Bit)\t"});
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 1, "01 Light", 0, true},
        {Kind::MiddleGroup, 8, "00 Ground", 0, true},
        {Kind::GroupAddress, 0x080C, "1/0/012 Ceiling", 0x080C0020, true},
    };
    EXPECT_EQ(result.items, expected);
    const EsfImport twoLevel = Parse({"Light.0003/00200\tPump\t(2 Byte)\t"});
    ASSERT_EQ(twoLevel.items.size(), 2u);
    EXPECT_EQ(twoLevel.items[0].label, "0003 Light");
    EXPECT_EQ(twoLevel.items[1].label, "3/00200 Pump");
    EXPECT_EQ(twoLevel.items[1].itemData, 0x18C80028u);
}

TEST(EsfParse, LineWithoutSizeTextGetsLowByteFF) {
    const EsfImport result = Parse({"Light.Ground.1/0/12\tCeiling\tUncertain\tLow\t"});
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[2].itemData, 0x080C00FFu);
}

TEST(EsfParse, AddressNameEndsAtSecondTabOrLineEnd) {
    const EsfImport result =
        Parse({"A.B.0/0/1\tOnly name", "A.B.0/0/2\t", "A.B.0/0/3\tX\t\t(1 Bit)"});
    ASSERT_EQ(result.items.size(), 5u);
    EXPECT_EQ(result.items[2].label, "0/0/1 Only name");
    EXPECT_EQ(result.items[3].label, "0/0/2 ");
    EXPECT_EQ(result.items[4].label, "0/0/3 X");
    EXPECT_EQ(result.items[4].itemData, 0x00030020u);
}

TEST(EsfParse, RealExportShapesImportAsWritten) {
    const EsfImport result = Parse({
        "Presence / Hospitality.Ground floor.4/0/1\tPresence  hall\tEIS 1 'Switching' (1 Bit)\t"
        "Low\t4/0/100 4/4/0",
        "Heating & Climate.1st floor - Office.3/2/10\tSetpoint value\tEIS 5 'Value' (2 Byte)\tLow",
        "Beleuchtung.Erdgeschoss.1/0/3\tDimmen Flur\tEIS 2 'Dimmen - Steuerung' (4 Bit)\tLow\t",
        "Beleuchtung.Erdgeschoss.1/0/2\tWert Flur\tUnbestimmt (1 Byte)\tLow\t",
        "Beleuchtung.Erdgeschoss.1/0/1\tLicht Flur\tEIS 1 'Schalten' (1 Bit)\tLow\t",
        "Display.Texts.5/7/255\tScene 1/2/3 name\tEIS 15 'Character String' (14 Byte)\tLow\t",
    });
    EXPECT_EQ(result.skippedLines, 0u);
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 4, "4 Presence _ Hospitality", 0, true},
        {Kind::MiddleGroup, 32, "0 Ground floor", 0, true},
        {Kind::GroupAddress, 0x2001, "4/0/1 Presence  hall", 0x20010020, true},
        {Kind::MainGroup, 3, "3 Heating & Climate", 0, true},
        {Kind::MiddleGroup, 26, "2 1st floor - Office", 0, true},
        {Kind::GroupAddress, 0x1A0A, "3/2/10 Setpoint value", 0x1A0A0028, true},
        {Kind::MainGroup, 1, "1 Beleuchtung", 0, true},
        {Kind::MiddleGroup, 8, "0 Erdgeschoss", 0, true},
        {Kind::GroupAddress, 0x0803, "1/0/3 Dimmen Flur", 0x08030023, true},
        {Kind::GroupAddress, 0x0802, "1/0/2 Wert Flur", 0x08020027, true},
        {Kind::GroupAddress, 0x0801, "1/0/1 Licht Flur", 0x08010020, true},
        {Kind::MainGroup, 5, "5 Display", 0, true},
        {Kind::MiddleGroup, 47, "7 Texts", 0, true},
        {Kind::GroupAddress, 0x2FFF, "5/7/255 Scene 1/2/3 name", 0x2FFF002E, true},
    };
    EXPECT_EQ(result.items, expected);
}

TEST(EsfParse, FirstLineWinsForDuplicateAddresses) {
    const EsfImport result = Parse({
        "Light.Ground.1/0/12\tFirst\t(1 Bit)",
        "Other.Upper.1/0/12\tSecond\t(1 Byte)",
    });
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 1, "1 Light", 0, true},
        {Kind::MiddleGroup, 8, "0 Ground", 0, true},
        {Kind::GroupAddress, 0x080C, "1/0/12 First", 0x080C0020, true},
    };
    EXPECT_EQ(result.items, expected);
}

TEST(EsfParse, DuplicateAddressStillCreatesMissingGroups) {
    // 1/12 two-level and 1/0/12 three-level are the same 16-bit address.
    const EsfImport result = Parse({
        "Light.1/12\tFirst\t(1 Bit)",
        "Light.Ground.1/0/12\tSecond\t(1 Byte)",
    });
    const std::vector<EsfItem> expected = {
        {Kind::MainGroup, 1, "1 Light", 0, false},
        {Kind::GroupAddress, 0x080C, "1/12 First", 0x080C0020, false},
        {Kind::MiddleGroup, 8, "0 Ground", 0, true},
    };
    EXPECT_EQ(result.items, expected);
    EXPECT_EQ(result.threeLevel, true);
}

TEST(EsfParse, LayoutIsThatOfTheLastLineTaken) {
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/1\tX"}).threeLevel, false);
    EXPECT_EQ(Parse({"A.1/1\tX", "A.B.1/0/2\tX"}).threeLevel, true);
    // A malformed last line does not decide the layout.
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/9999\tX"}).threeLevel, true);
    EXPECT_EQ(Parse({"A.1/9999\tX"}).threeLevel, std::nullopt);
    EXPECT_EQ(Parse({}).threeLevel, std::nullopt);
}

// --- Encodings and line ends ------------------------------------------------------------------

TEST(EsfParse, Windows1252NamesBecomeUtf8) {
    const EsfImport result = ParseEsf(
        "B\xFCrogeb\xE4ude M\xFCllerstra\xDF"
        "e\r\n"
        "K\xFC"
        "che.Erdgescho\xDF.1/0/1\tLicht K\xFC"
        "che \x80\t(1 Bit)\r\n");
    EXPECT_EQ(result.projectName,
              "B\xC3\xBCrogeb\xC3\xA4ude M\xC3\xBCllerstra\xC3\x9F"
              "e");
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].label,
              "1 K\xC3\xBC"
              "che");
    EXPECT_EQ(result.items[1].label, "0 Erdgescho\xC3\x9F");
    EXPECT_EQ(result.items[2].label,
              "1/0/1 Licht K\xC3\xBC"
              "che \xE2\x82\xAC");
}

TEST(EsfParse, EachNameIsDecodedOnItsOwn) {
    // UTF-8 main name, Windows-1252 middle name, UTF-8 address name on one line.
    const EsfImport result =
        Parse({"K\xC3\xBC"
               "che.Gro\xDF.1/0/1\tT\xC3\xBCr\t(1 Bit)"});
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].label,
              "1 K\xC3\xBC"
              "che");
    EXPECT_EQ(result.items[1].label, "0 Gro\xC3\x9F");
    EXPECT_EQ(result.items[2].label, "1/0/1 T\xC3\xBCr");
}

TEST(EsfParse, Utf8ByteOrderMarkIsNotPartOfTheProjectName) {
    const EsfImport result = ParseEsf(
        "\xEF\xBB\xBFProjekt M\xC3\xBCller\r\nLicht.1/12\tK\xC3\xBC"
        "che\t(1 Bit)\r\n");
    EXPECT_EQ(result.projectName, "Projekt M\xC3\xBCller");
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[1].label,
              "1/12 K\xC3\xBC"
              "che");
    EXPECT_EQ(ParseEsf("\xEF\xBB\xBF").projectName, "");
}

TEST(EsfParse, LfOnlyAndMixedLineEndsImportAlike) {
    const std::initializer_list<std::string_view> lines = {"Light.Ground.1/0/12\tCeiling\t(1 Bit)",
                                                           "Light.Upper.1/1/0\tWall\t(1 Byte)"};
    const EsfImport crlf = ParseEsf(File(lines, "\r\n"));
    const EsfImport lf = ParseEsf(File(lines, "\n"));
    ASSERT_EQ(crlf.items.size(), 5u);
    EXPECT_EQ(lf.items, crlf.items);
    EXPECT_EQ(lf.projectName, "Project");
    const EsfImport mixed = ParseEsf(
        "Project\nLight.Ground.1/0/12\tCeiling\t(1 Bit)\r\nLight.Upper.1/1/0\tWall\t(1 Byte)\n");
    EXPECT_EQ(mixed.items, crlf.items);
}

TEST(EsfParse, LastLineWithoutLineEndIsTaken) {
    const EsfImport result = ParseEsf("Project\r\nLight.1/12\tCeiling\t(1 Bit)");
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[1].label, "1/12 Ceiling");
    EXPECT_EQ(ParseEsf("Only a name").projectName, "Only a name");
}

TEST(EsfParse, EmptyFilesAndEmptyLines) {
    const EsfImport empty = ParseEsf("");
    EXPECT_EQ(empty.projectName, "");
    EXPECT_TRUE(empty.items.empty());
    EXPECT_EQ(empty.threeLevel, std::nullopt);
    EXPECT_EQ(empty.skippedLines, 0u);

    const EsfImport blanks = ParseEsf("\r\n\r\n\n\r\nLight.1/12\tCeiling\r\n\r\n");
    EXPECT_EQ(blanks.projectName, "");
    EXPECT_EQ(blanks.items.size(), 2u);
    EXPECT_EQ(blanks.skippedLines, 0u);
}

TEST(EsfParse, ProjectNameEndsAtAStrayCarriageReturn) {
    // Old Mac line ends: the whole file is one line, its first text the project name.
    const EsfImport result = ParseEsf("Project\rLight.1/12\tCeiling\r");
    EXPECT_EQ(result.projectName, "Project");
    EXPECT_TRUE(result.items.empty());
}

// --- Malformed lines --------------------------------------------------------------------------

TEST(EsfParse, MalformedLinesAreSkippedAndCounted) {
    const std::string longName(254, 'n');  // "1 " + 254 bytes: one byte over the label limit
    const std::vector<std::string> malformed = {
        "no tab and no dot",
        "Light.Ground.1/0/12",                         // no TAB
        "LightGround1/0/12\tX",                        // no "." before the TAB
        "\tLight.Ground.1/0/12",                       // "." only after the TAB
        "Light.Ground.10\tX",                          // no "/" at all
        "Light.1-12\tX",                               // two-level without "/"
        "Light.1/2/3\tX",                              // three-level address without middle name
        "Light.A.B.C.1/0/12\tX",                       // names left over after normalising
        "Light.Ground.1/0/12/4\tX",                    // one "/" too many
        "Light.Ground./0/12\tX",                       // empty main number
        "Light.Ground.1//12\tX",                       // empty middle number
        "Light.Ground.1/0/\tX",                        // empty group number
        "Light.Ground.32/0/0\tX",                      // main above 31
        "Light.Ground.1/8/0\tX",                       // middle above 7
        "Light.Ground.1/0/256\tX",                     // group above 255
        "Light.32/0\tX",                               // two-level main above 31
        "Light.1/2048\tX",                             // two-level group above 2047
        "Light.Ground.1/0/99999999999999999999\tX",    // would overflow
        "Light.Ground.1/a/2\tX",                       // not a digit
        "Light.Ground.1/0/ 12\tX",                     // blank in the number
        "Light.Ground.1/0/+1\tX",                      // sign
        "Light.Ground.-1/0/1\tX",                      // sign
        "Light.Ground.1/0/12\tX\rY\t(1 Bit)",          // CR without LF
        std::string("Light.Ground.1/0/12\tX\0Y", 24),  // NUL byte
        "Light\x81.Ground.1/0/12\tX",                  // undefined in Windows-1252, invalid UTF-8
        "Light.Gr\x8Dund.1/0/12\tX",
        "Light.Ground.1/0/12\tX\x9D",
        longName + ".Ground.1/0/12\tX",                   // main label of 256 bytes
        "Light." + longName + ".1/0/12\tX",               // middle label of 256 bytes
        "Light.Ground.1/0/12\t" + std::string(249, 'n'),  // group label of 256 bytes
    };
    for (const std::string& line : malformed) {
        SCOPED_TRACE(::testing::PrintToString(line));
        const EsfImport result = ParseEsf("Project\r\nGood.Line.0/0/1\tOk\t(1 Bit)\r\n" + line +
                                          "\r\nGood.Line.0/0/2\tOk\t(1 Bit)\r\n");
        EXPECT_EQ(result.skippedLines, 1u);
        ASSERT_EQ(result.items.size(), 4u);
        EXPECT_EQ(result.items[2].number, 1);
        EXPECT_EQ(result.items[3].number, 2);
        EXPECT_EQ(result.threeLevel, true);
    }
}

TEST(EsfParse, LabelsUpTo255BytesAreTaken) {
    const std::string name253(253, 'n');  // "1 " + 253 = 255 bytes
    const EsfImport result = Parse({name253 + "." + name253 + ".1/0/0\t" + std::string(249, 'x')});
    EXPECT_EQ(result.skippedLines, 0u);
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].label.size(), 255u);
    EXPECT_EQ(result.items[1].label.size(), 255u);
    EXPECT_EQ(result.items[2].label.size(), 255u);  // "1/0/0 " + 249 bytes
}

TEST(EsfParse, OverlongLineIsSkippedWholeAndReadingGoesOn) {
    const std::string head = "Light.Ground.1/0/1\tX\t(1 Bit)\t";
    const std::string fits = head + std::string(kEsfMaxLineLength - head.size(), 'p');
    const std::string tooLong = fits + "p";
    ASSERT_EQ(fits.size(), 65535u);

    const EsfImport taken = ParseEsf("Project\r\n" + fits + "\r\n");
    EXPECT_EQ(taken.skippedLines, 0u);
    EXPECT_EQ(taken.items.size(), 3u);

    const EsfImport skipped =
        ParseEsf("Project\r\n" + tooLong + "\r\nLight.Ground.1/0/2\tY\t(1 Bit)\r\n");
    EXPECT_EQ(skipped.skippedLines, 1u);
    ASSERT_EQ(skipped.items.size(), 3u);
    EXPECT_EQ(skipped.items[2].label, "1/0/2 Y");

    const EsfImport longName = ParseEsf(std::string(70000, 'P') + "\r\nA.1/1\tX\r\n");
    EXPECT_EQ(longName.projectName, "");
    EXPECT_EQ(longName.skippedLines, 1u);
    EXPECT_EQ(longName.items.size(), 2u);
}

// --- Whole files ------------------------------------------------------------------------------

// Every item's parent (as the dialog finds it) was created before it, and no slot repeats.
void ExpectParentsFirstAndNoRepeats(const EsfImport& result) {
    std::set<int> mains, middles, addresses;
    for (const EsfItem& item : result.items) {
        switch (item.kind) {
            case Kind::MainGroup:
                EXPECT_TRUE(mains.insert(item.number).second) << item.label;
                break;
            case Kind::MiddleGroup:
                EXPECT_TRUE(mains.count(item.number >> 3)) << item.label;
                EXPECT_TRUE(middles.insert(item.number).second) << item.label;
                break;
            case Kind::GroupAddress:
                if (item.threeLevel) {
                    EXPECT_TRUE(middles.count(item.number >> 8)) << item.label;
                } else {
                    EXPECT_TRUE(mains.count(item.number >> 11)) << item.label;
                }
                EXPECT_TRUE(addresses.insert(item.number).second) << item.label;
                EXPECT_EQ(item.itemData >> 16, item.number) << item.label;
                break;
        }
    }
}

TEST(EsfParse, AllAddressesOfAGeneratedFile) {
    for (const bool threeLevel : {true, false}) {
        for (const bool shuffled : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "threeLevel " << threeLevel << " shuffled " << shuffled);
            test::EsfGeneratorOptions options;
            options.threeLevel = threeLevel;
            options.shuffled = shuffled;
            const EsfImport result = ParseEsf(test::GenerateEsf(options));
            EXPECT_EQ(result.skippedLines, 0u);
            EXPECT_EQ(result.items.size(), threeLevel ? 65536u + 256 + 32 : 65536u + 32);
            EXPECT_EQ(result.threeLevel, threeLevel);
            ExpectParentsFirstAndNoRepeats(result);
            size_t line = 0;
            for (const EsfItem& item : result.items) {
                if (item.kind != Kind::GroupAddress)
                    continue;
                const uint32_t type = test::kEsfGeneratorObjectTypes[line % 5];
                ASSERT_EQ(item.number, test::EsfGeneratorAddress(line, shuffled));
                ASSERT_EQ(item.itemData, (uint32_t{item.number} << 16) | 0x20 | type);
                ++line;
            }
        }
    }
}

std::string ReadSample(const char* name) {
    std::ifstream in(std::string(HALVEX_SOURCE_DIR "/resources/samples/") + name, std::ios::binary);
    EXPECT_TRUE(in) << "sample file missing: " << name;
    return {std::istreambuf_iterator<char>(in), {}};
}

// Number of addresses per object type (low nibble of the item data).
std::map<uint32_t, int> TypeHistogram(const EsfImport& result) {
    std::map<uint32_t, int> histogram;
    for (const EsfItem& item : result.items) {
        if (item.kind == Kind::GroupAddress)
            ++histogram[item.itemData & 0xFF];
    }
    return histogram;
}

TEST(EsfParse, DemoBuildingSampleWindows1252ThreeLevel) {
    const EsfImport result = ParseEsf(ReadSample("demo-building.esf"));
    EXPECT_EQ(result.projectName,
              "B\xC3\xBCrogeb\xC3\xA4ude M\xC3\xBCllerstra\xC3\x9F"
              "e 12");
    EXPECT_EQ(result.skippedLines, 0u);
    EXPECT_EQ(result.threeLevel, true);
    ExpectParentsFirstAndNoRepeats(result);
    // 7 main groups, 22 middle groups, 276 addresses.
    EXPECT_EQ(result.items.size(), 7u + 22 + 276);
    const std::map<uint32_t, int> expectedTypes = {{0x20, 100}, {0x23, 21}, {0x27, 89}, {0x28, 61},
                                                   {0x29, 2},   {0x2A, 1},  {0x2E, 2}};
    EXPECT_EQ(TypeHistogram(result), expectedTypes);
    const auto has = [&](const EsfItem& wanted) {
        return std::find(result.items.begin(), result.items.end(), wanted) != result.items.end();
    };
    EXPECT_EQ(result.items.front(), (EsfItem{Kind::MainGroup, 0, "0 Zentral", 0, true}));
    EXPECT_TRUE(has({Kind::MainGroup, 2,
                     "2 Jalousien _ Rolll\xC3\xA4"
                     "den",
                     0, true}));
    EXPECT_TRUE(has({Kind::MiddleGroup, 13,
                     "5 Au\xC3\x9F"
                     "enanlage",
                     0, true}));
    EXPECT_TRUE(has({Kind::GroupAddress, 0x1104,
                     "2/1/4 Jalousie K\xC3\xBC"
                     "che - AUF/AB",
                     0x11040020, true}));
    EXPECT_TRUE(has({Kind::GroupAddress, 0x0904,
                     "1/1/4 Licht K\xC3\xBC"
                     "che schalten",
                     0x09040020, true}));
    EXPECT_TRUE(has({Kind::GroupAddress, 0x3003, "6/0/3 Statustext Empfang", 0x3003002E, true}));
}

TEST(EsfParse, HotelSampleUtf8TwoLevel) {
    const EsfImport result = ParseEsf(ReadSample("hotel-two-level.esf"));
    EXPECT_EQ(result.projectName, "Hotel Z\xC3\xBCrich \xE2\x80\x93 Ground floor");
    EXPECT_EQ(result.skippedLines, 0u);
    EXPECT_EQ(result.threeLevel, false);
    ExpectParentsFirstAndNoRepeats(result);
    EXPECT_EQ(result.items.size(), 5u + 50);
    // The file lists its addresses from the highest down.
    EXPECT_EQ(result.items[0], (EsfItem{Kind::MainGroup, 5, "5 Displays", 0, false}));
    EXPECT_EQ(result.items[1],
              (EsfItem{Kind::GroupAddress, 0x2FFF, "5/2047 Last address", 0x2FFF0020, false}));
    EXPECT_EQ(result.items[2], (EsfItem{Kind::GroupAddress, 0x2800,
                                        "5/0 Welcome text \xE2\x80\x93 Lobby", 0x2800002E, false}));
    const auto presence = std::find_if(result.items.begin(), result.items.end(),
                                       [](const EsfItem& i) { return i.number == 3; });
    ASSERT_NE(presence, result.items.end());
    EXPECT_EQ(presence->label, "3 Presence _ Hospitality");
}

}  // namespace
}  // namespace halvex
