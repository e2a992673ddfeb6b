// Reading ETS OPC exports (.esf): the line operations, the lines taken and the lines skipped,
// and whole generated and sample files.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/support/EsfGenerator.h"
#include "engine/import/EsfImport.h"

namespace halvex {

void PrintTo(const EsfItem& item, std::ostream* os) {
    *os << "{" << static_cast<int>(item.kind) << " " << item.number << " \"" << item.label
        << "\" 0x" << std::hex << item.itemData << std::dec << (item.threeLevel ? " 3}" : " 2}");
}

namespace {

using Kind = EsfItemKind;
using Labels = std::vector<std::string>;

// The project line "Project" and the given lines, each ended by CR LF.
EsfImport Parse(std::initializer_list<std::string_view> lines) {
    std::string file = "Project\r\n";
    for (std::string_view line : lines)
        file.append(line).append("\r\n");
    return ParseEsf(file);
}

Labels LabelsOf(const EsfImport& result) {
    Labels labels;
    for (const EsfItem& item : result.items)
        labels.push_back(item.label);
    return labels;
}

TEST(EsfLine, SizeTextsInSearchOrder) {
    const char* const texts[] = {"(1 Bit)",  "(2 Bit)",  "(3 Bit)",  "(4 Bit)",   "(5 Bit)",
                                 "(6 Bit)",  "(7 Bit)",  "(1 Byte)", "(2 Byte)",  "(3 Byte)",
                                 "(4 Byte)", "(6 Byte)", "(8 Byte)", "(10 Byte)", "(14 Byte)"};
    for (size_t code = 0; code < std::size(texts); ++code) {
        EXPECT_EQ(SizeTextToObjectType(std::string("A.1/1\tX\tEIS 'Any' ") + texts[code] + "\tLow"),
                  code);
    }
    EXPECT_EQ(SizeTextToObjectType("(14 Byte)(4 Byte)"), 10);
    EXPECT_EQ(SizeTextToObjectType("Value (4 Byte)\tflag (1 Bit)"), 0);  // order, not position
    EXPECT_EQ(SizeTextToObjectType("((1 Byte)(3 Bit"), 7);
    const char* const none[] = {"",          "A.1/12\tX\tUncertain\tLow",
                                "(1 bit)",   "(1Bit)",
                                "( 1 Bit)",  "(5 Byte)",
                                "(12 Byte)", "(1 Bit"};
    for (const char* line : none)
        EXPECT_EQ(SizeTextToObjectType(line), kEsfNoSize) << line;
}

TEST(EsfLine, NormaliseAndMaskInPlace) {
    const struct {
        void (*operation)(std::string&);
        const char *in, *out;
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

TEST(EsfParse, ItemsOfTheLinesTaken) {
    const struct {
        const char* name;
        EsfImport result;
        std::vector<EsfItem> items;
        std::optional<bool> threeLevel;
    } cases[] = {
        {"three-level",
         Parse({"Light.Ground.1/0/12\tCeiling\tEIS 1 'Switching' (1 Bit)\tLow"}),
         {{Kind::MainGroup, 1, "1 Light", 0, true},
          {Kind::MiddleGroup, 8, "0 Ground", 0, true},
          {Kind::GroupAddress, 0x080C, "1/0/12 Ceiling", 0x080C0020, true}},
         true},
        {"two-level",
         Parse({"Light.1/12\tCeiling\tUncertain (1 Byte)\tLow\t"}),
         {{Kind::MainGroup, 1, "1 Light", 0, false},
          {Kind::GroupAddress, 0x080C, "1/12 Ceiling", 0x080C0027, false}},
         false},
        // 1/12 and 1/0/12 are one address: the first line wins, the second adds its middle group.
        {"duplicate",
         Parse({"Light.1/12\tFirst\t(1 Bit)", "Light.Ground.1/0/12\tSecond"}),
         {{Kind::MainGroup, 1, "1 Light", 0, false},
          {Kind::GroupAddress, 0x080C, "1/12 First", 0x080C0020, false},
          {Kind::MiddleGroup, 8, "0 Ground", 0, true}},
         true},
        // No size text gives 0xFF; the name ends at the second TAB or the line end.
        {"no size",
         Parse({"A.B.0/0/1\tOnly name", "A.0/2\t", "A.B.0/0/3\tX\t\t(1 Bit)"}),
         {{Kind::MainGroup, 0, "0 A", 0, true},
          {Kind::MiddleGroup, 0, "0 B", 0, true},
          {Kind::GroupAddress, 1, "0/0/1 Only name", 0x000100FF, true},
          {Kind::GroupAddress, 2, "0/2 ", 0x000200FF, false},
          {Kind::GroupAddress, 3, "0/0/3 X", 0x00030020, true}},
         true},
        {"empty file", ParseEsf(""), {}, std::nullopt},
        {"only malformed", Parse({"A.1/9999\tX"}), {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.items, c.items);
        EXPECT_EQ(c.result.threeLevel, c.threeLevel);
    }
}

TEST(EsfParse, LabelsAndLayout) {
    const std::pair<EsfImport, Labels> cases[] = {
        // Slashes of group names masked, the address name's kept; a surplus middle name dropped.
        {Parse(
             {"Hall/Stairs.Up/Down.2/1/0\tBlind - UP/DOWN\t(1 Bit)", "Light.Floor.31/2047\tLast"}),
         {"2 Hall_Stairs", "1 Up_Down", "2/1/0 Blind - UP/DOWN", "31 Light", "31/2047 Last"}},
        // Main and middle digits as written; the address's main and middle in decimal.
        {Parse({"Light.Ground.01/00/012\tCeiling", "Pump.0003/00200\tP"}),
         {"01 Light", "00 Ground", "1/0/012 Ceiling", "0003 Pump", "3/00200 P"}},
        {Parse({"Light.1/13\tDimmer 0.5", "Light.Ground.1/0/12\tFirst\t(1 Bit)",
                "Other.Upper.1/0/12\tSecond"}),
         {"1 Light", "1/13 Dimmer 0.5", "0 Ground", "1/0/12 First"}},
        // Each text is UTF-8 or Windows-1252, on its own.
        {ParseEsf("P\r\nK\xFC"
                  "che.Erdgescho\xDF.1/0/1\tLicht K\xFC"
                  "che \x80\t(1 Bit)\r\n"),
         {"1 Küche", "0 Erdgeschoß", "1/0/1 Licht Küche €"}},
        {ParseEsf("P\r\nK\xC3\xBC"
                  "che.Gro\xDF.1/0/1\tT\xC3\xBCr\r\n"),
         {"1 Küche", "0 Groß", "1/0/1 Tür"}},
        // Line ends LF, CR LF or none; empty lines are passed over.
        {ParseEsf("\r\n\n\r\nLight.1/12\tCeiling\nA.B.1/1/0\tWall\r\n\r\nA.B.1/1/1\tX"),
         {"1 Light", "1/12 Ceiling", "1 B", "1/1/0 Wall", "1/1/1 X"}},
        {ParseEsf("Project\rLight.1/12\tCeiling\r"), {}},  // CR only: one line, the name
    };
    for (const auto& [result, labels] : cases) {
        EXPECT_EQ(LabelsOf(result), labels);
        EXPECT_EQ(result.skippedLines, 0u);
    }
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/1\tX"}).threeLevel, false);  // the last line taken
    EXPECT_EQ(Parse({"A.B.1/0/1\tX", "A.1/9999\tX"}).threeLevel, true);
    const std::pair<std::string, std::string> names[] = {
        {"B\xFCrogeb\xE4ude\r\n", "B\xC3\xBCrogeb\xC3\xA4ude"},
        {"\xEF\xBB\xBFProjekt M\xC3\xBCller\r\n", "Projekt M\xC3\xBCller"},  // BOM dropped
        {"\xEF\xBB\xBF", ""},
        {"Only a name", "Only a name"},
        {"Project\rLight.1/12\tCeiling\r", "Project"},
    };
    for (const auto& [file, name] : names)
        EXPECT_EQ(ParseEsf(file).projectName, name);
}

TEST(EsfParse, MalformedLinesAreSkippedWholeAndCounted) {
    const std::string name254(254, 'n');
    const std::string malformed[] = {
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
        "Light.Ground.1/0/1\tX\t" + std::string(kEsfMaxLineLength - 20, 'p'),  // one byte over
    };
    for (const std::string& line : malformed) {
        SCOPED_TRACE(::testing::PrintToString(line.substr(0, 80)));
        const EsfImport result =
            ParseEsf("Project\r\nGood.Line.0/0/1\tOk\r\n" + line + "\r\nGood.Line.0/0/2\tOk\r\n");
        EXPECT_EQ(result.skippedLines, 1u);
        EXPECT_EQ(LabelsOf(result), (Labels{"0 Good", "0 Line", "0/0/1 Ok", "0/0/2 Ok"}));
    }
    // The limits themselves are taken: labels of 255 bytes, a line of kEsfMaxLineLength.
    const std::string name253(253, 'n');
    const EsfImport labels =
        Parse({name253 + "." + name253 + ".1/0/0\t" + std::string(249, 'x'),
               "Light.Ground.1/0/1\tX\t" + std::string(kEsfMaxLineLength - 21, 'p')});
    EXPECT_EQ(labels.skippedLines, 0u);
    ASSERT_EQ(labels.items.size(), 4u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(labels.items[i].label.size(), 255u);
    const EsfImport longName = ParseEsf(std::string(70000, 'P') + "\r\nA.1/1\tX\r\n");
    EXPECT_EQ(longName.projectName, "");
    EXPECT_EQ(longName.skippedLines, 1u);
    EXPECT_EQ(longName.items.size(), 2u);
}

TEST(EsfParse, AllAddressesOfGeneratedFiles) {
    for (const bool threeLevel : {true, false}) {
        for (const bool shuffled : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "three-level " << threeLevel << " shuffled " << shuffled);
            const EsfImport result =
                ParseEsf(test::GenerateEsf({.threeLevel = threeLevel, .shuffled = shuffled}));
            EXPECT_EQ(result.skippedLines, 0u);
            EXPECT_EQ(result.items.size(), threeLevel ? 65536u + 256 + 32 : 65536u + 32);
            EXPECT_EQ(result.threeLevel, threeLevel);
            // Each parent comes before its children, no slot twice, addresses in file order.
            std::set<int> seen[3];
            size_t line = 0;
            for (const EsfItem& item : result.items) {
                const int kind = static_cast<int>(item.kind);
                ASSERT_TRUE(seen[kind].insert(item.number).second) << item.label;
                ASSERT_TRUE(item.kind != Kind::MiddleGroup || seen[0].count(item.number >> 3));
                if (item.kind != Kind::GroupAddress)
                    continue;
                ASSERT_TRUE(threeLevel ? seen[1].count(item.number >> 8)
                                       : seen[0].count(item.number >> 11));
                const uint32_t type = test::kEsfGeneratorObjectTypes[line % 5];
                ASSERT_EQ(item.number, test::EsfGeneratorAddress(line++, shuffled));
                ASSERT_EQ(item.itemData, (uint32_t{item.number} << 16) | 0x20 | type);
            }
        }
    }
}

}  // namespace
}  // namespace halvex
