// The XML and CSV exports read into the same catalogue items as an ESF export of the same content,
// and the one entry point refuses what it cannot import.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/Codepage.h"
#include "engine/import/DatapointType.h"
#include "engine/import/GroupAddressImport.h"
#include "engine/import/GroupAddressXml.h"

namespace halvex {
namespace {

using Kind = EsfItemKind;

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string Sample(const char* name) {
    std::ifstream in(std::string(HALVEX_SOURCE_DIR "/resources/samples/") + name, std::ios::binary);
    EXPECT_TRUE(in) << "sample file missing: " << name;
    return {std::istreambuf_iterator<char>(in), {}};
}

// What a file imports, by kind and number, with labels as ESF masks "/" in group names.
using Items = std::map<std::pair<int, int>, std::tuple<std::string, uint32_t, bool>>;
Items ItemsOf(const GroupAddressImport& result) {
    Items items;
    for (const EsfItem& item : result.catalogue.items) {
        const std::string label =
            item.kind == Kind::GroupAddress ? item.label : Replace(item.label, "/", "_");
        items[{static_cast<int>(item.kind), item.number}] = {label, item.itemData, item.threeLevel};
    }
    return items;
}

TEST(GroupAddressImport, EveryFormatAndShapeGivesTheItemsOfTheEsf) {
    const Items demo = ItemsOf(ImportGroupAddresses(Sample("demo-building.esf")));
    const Items hotel = ItemsOf(ImportGroupAddresses(Sample("hotel-two-level.esf")));
    ASSERT_EQ(demo.size(), 7u + 22 + 276);  // main groups, middle groups, addresses
    ASSERT_EQ(hotel.size(), 5u + 50);
    const std::string xml = Sample("demo-building.xml");
    const std::string csv = Sample("demo-building.csv").substr(3);  // without its BOM
    const std::string oneColumn = Sample("hotel-two-level.csv");
    const std::string cp1252Xml = Utf8ToCp1252(Replace(xml, "utf-8", "windows-1252"));
    const auto body = [](const std::string& file) { return file.substr(file.find('\n') + 1); };
    const struct {
        const char* name;
        std::string bytes;
        const Items& items;
        ImportFormat format;
    } cases[] = {
        {"esf, project name in angle brackets", "<Neubau>\r\n" + body(Sample("demo-building.esf")),
         demo, ImportFormat::Esf},
        {"xml", xml, demo, ImportFormat::Xml},
        {"xml, BOM, no declaration", "\xEF\xBB\xBF" + body(xml), demo, ImportFormat::Xml},
        {"xml windows-1252", cp1252Xml, demo, ImportFormat::Xml},
        {"xml ISO-8859-1", Replace(cp1252Xml, "windows-1252", "ISO-8859-1"), demo,
         ImportFormat::Xml},
        {"xml prefixed names",
         Replace(Replace(Replace(xml, "<Group", "<ga:Group"), "</Group", "</ga:Group"),
                 "xmlns=", "xmlns:ga="),
         demo, ImportFormat::Xml},
        {"xml plain numbers", Replace(xml, "\"0/0/1\"", "\"1\""), demo, ImportFormat::Xml},
        {"csv 3/1 ; BOM", Sample("demo-building.csv"), demo, ImportFormat::Csv},
        {"csv 3/1 , no header LF", Replace(Replace(body(csv), "\";\"", "\",\""), "\r\n", "\n"),
         demo, ImportFormat::Csv},
        {"csv 3/1 TAB windows-1252", Utf8ToCp1252(Replace(csv, "\";\"", "\"\t\"")), demo,
         ImportFormat::Csv},
        {"csv 1/1 TAB", oneColumn, hotel, ImportFormat::Csv},
        {"csv 1/1 ; BOM", "\xEF\xBB\xBF" + Replace(oneColumn, "\"\t\"", "\";\""), hotel,
         ImportFormat::Csv},
        {"csv 1/1 TAB unquoted, no header", Replace(body(oneColumn), "\"", ""), hotel,
         ImportFormat::Csv},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GroupAddressImport result = ImportGroupAddresses(c.bytes);
        EXPECT_EQ(result.refusal, ImportRefusal::None) << result.line << " " << result.detail;
        EXPECT_EQ(result.format, c.format);
        EXPECT_EQ(result.catalogue.skippedLines, 0u);
        EXPECT_TRUE(ItemsOf(result) == c.items) << ItemsOf(result).size();
    }
    using Item = std::tuple<std::string, uint32_t, bool>;
    EXPECT_EQ(demo.at({0, 2}), (Item{"2 Jalousien _ Rollläden", 0, true}));
    EXPECT_EQ(demo.at({1, 13}), (Item{"5 Außenanlage", 0, true}));
    EXPECT_EQ(demo.at({2, 0x1104}), (Item{"2/1/4 Jalousie Küche - AUF/AB", 0x11040020, true}));
    EXPECT_EQ(demo.at({2, 0x3003}), (Item{"6/0/3 Statustext Empfang", 0x3003002E, true}));
    EXPECT_EQ(hotel.at({2, 0x2FFF}), (Item{"5/2047 Last address", 0x2FFF0020, false}));
    EXPECT_EQ(std::get<0>(hotel.at({2, 0x2800})), "5/0 Welcome text \xE2\x80\x93 Lobby");
    const EsfImport hotelFile = ImportGroupAddresses(Sample("hotel-two-level.esf")).catalogue;
    EXPECT_EQ(hotelFile.items[1].number, 0x2FFF);  // the file lists its addresses from the top
}

TEST(DatapointType, MainNumberGivesTheObjectSize) {
    // Each object type with texts that give it; kEsfNoSize: no fixed size; nullopt: no type.
    const std::pair<std::optional<uint8_t>, std::vector<const char*>> cases[] = {
        {0, {"DPST-1-1", "DPST-1-1, DPST-5-1"}},
        {1, {"DPT-2", "DPST-23-1"}},
        {3, {"DPST-3-7"}},
        {7, {"DPT-4", "DPST-5-1", "DPT-6", "DPST-17-1", "DPT-18", "DPST-20-102", " DPT-5 DPT-1"}},
        {8, {"DPT-7", "DPST-8-1", "DPST-9-1", "dpst-9-1", "DPT-9.001"}},
        {9, {"DPT-10", "DPT-11", "DPST-232-600"}},
        {10, {"DPT-12", "DPST-13-10", "DPST-14-56"}},
        {11, {"DPST-251-600"}},
        {12, {"DPT-19", "DPST-29-10"}},
        {14, {"DPST-16-1"}},
        {kEsfNoSize, {"DPT-24", "DPT-999"}},
        {std::nullopt, {"", "DPT", "DPT-", "DPST-1-", "DPT-1x", "9.001", "DPT-12345", "Switch"}},
    };
    for (const auto& [type, texts] : cases) {
        for (const char* text : texts)
            EXPECT_EQ(ReadDatapointType(text), type) << text;
    }
}

// Labels of what `bytes` imports.
std::vector<std::string> Labels(std::string_view bytes) {
    std::vector<std::string> labels;
    for (const EsfItem& item : ImportGroupAddresses(bytes).catalogue.items)
        labels.push_back(item.label);
    return labels;
}

TEST(GroupAddressImport, MalformedXmlAndCsvEntriesAreSkippedWholeAndCounted) {
    const std::string n254(254, 'n');
    const std::vector<std::string> good = {"0 A", "0 B", "0/0/1 Ok", "0/0/2 Ok"};
    // Attributes of a GroupAddress element: no address, out of range, not an address, a line
    // break or NUL in the name, a label over 255 bytes.
    const std::string attributes[] = {"Name='X'",
                                      "Name='X' Address=''",
                                      "Name='X' Address='1/8/0'",
                                      "Name='X' Address='32/0'",
                                      "Name='X' Address='65536'",
                                      "Name='X' Address='1/0/0/0'",
                                      "Name='X' Address=' 1/0/0'",
                                      "Name='X&#10;Y' Address='1/0/0'",
                                      "Name='X&#0;Y' Address='1/0/0'",
                                      "Name='" + n254 + "' Address='1/0/0'"};
    for (const std::string& element : attributes) {
        const std::string file =
            "<GroupAddress-Export><GroupRange Name='A'><GroupRange Name='B'><GroupAddress "
            "Name='Ok' Address='0/0/1'/><GroupAddress " +
            element + "/><GroupAddress Name='Ok' Address='0/0/2'/></GroupRange></GroupRange>";
        SCOPED_TRACE(element);
        EXPECT_EQ(ImportGroupAddresses(file + "</GroupAddress-Export>").catalogue.skippedLines, 1u);
        EXPECT_EQ(Labels(file + "</GroupAddress-Export>"), good);
    }
    const std::string csvHead = "\"A\";\"0/-/-\"\n\"B\";\"0/0/-\"\n\"Ok\";\"0/0/1\"\n";
    const std::string rows[] = {
        "\"X\";\"1/8/0\"",     "\"X\";\"1/0/256\"",         "\"X\";\"40/-/-\"",  "\"X\";\"1/9/-\"",
        "\"X\";\"1/-/3\"",     "\"X\";\"1/0/a\"",           "\"X\";\"Address\"", "\"X\"",
        "\"X\x81\";\"1/0/0\"", "\"" + n254 + "\";\"1/0/0\""};
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        const std::string file = csvHead + row + "\n\"Ok\";\"0/0/2\"\n\n";
        EXPECT_EQ(ImportGroupAddresses(file).catalogue.skippedLines, 1u);
        EXPECT_EQ(Labels(file), good);
    }
    // Doubled quotes; columns past the 64th are dropped, the row's own columns still count.
    EXPECT_EQ(
        Labels(csvHead + "\"Say \"\"hi\"\"\";\"0/0/2\"\n\"Wide\";\"0/0/3\"" +
               std::string(1 << 20, ';') + "\n"),
        (std::vector<std::string>{"0 A", "0 B", "0/0/1 Ok", "0/0/2 Say \"hi\"", "0/0/3 Wide"}));
    // A quote left open to the end of the file makes its row malformed.
    const GroupAddressImport open = ImportGroupAddresses(csvHead + "\"X\";\"1/0/0\n");
    EXPECT_EQ(open.catalogue.skippedLines, 1u);
    EXPECT_EQ(open.catalogue.items.size(), 3u);
}

TEST(GroupAddressImport, EntitiesStayBoundedAndNothingExternalIsLoaded) {
    const std::string file =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE GroupAddress-Export [\n"
        "  <!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">\n"
        "  <!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
        "  <!ENTITY c SYSTEM \"file:///etc/passwd\">\n"
        "]>\n"
        "<GroupAddress-Export><GroupRange Name=\"&b;\">\n"
        "<GroupAddress Name=\"&c; &#x20AC; &lt;&amp;&gt;\" Address=\"1/2\"/>\n"
        "</GroupRange></GroupAddress-Export>\n";
    EXPECT_EQ(Labels(file), (std::vector<std::string>{"1 &b;", "1/2 &c; \xE2\x82\xAC <&>"}));
}

TEST(GroupAddressImport, FilesThatHoldNoAddressAreRefused) {
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    std::string many = "<GroupAddress-Export><GroupAddress Address='1/2'/>";
    for (size_t i = 0; i < kXmlMaxNodes / 2; ++i)
        many += "<a b=''/>";  // an element and an attribute
    many += "</GroupAddress-Export>";
    std::string shallow = "<GroupAddress-Export>";
    for (size_t i = 1; i < kXmlMaxDepth; ++i)
        shallow += "<GroupRange Name=\"R\">";
    shallow += "<GroupAddress Address=\"1/2/3\"/>";
    for (size_t i = 1; i < kXmlMaxDepth; ++i)
        shallow += "</GroupRange>";
    shallow += "</GroupAddress-Export>";
    const struct {
        const char* name;
        std::string bytes;
        ImportRefusal refusal;
        size_t line;
    } cases[] = {
        {"empty", "", ImportRefusal::NoGroupAddress, 0},
        {"binary", std::string("\x00\x01\xFE\x7F\x00\x10", 6), ImportRefusal::NoGroupAddress, 0},
        {"one long line", std::string(1 << 20, 'x'), ImportRefusal::NoGroupAddress, 0},
        {"CR line ends", "P\rLight.Ground.1/0/12\tCeiling\r", ImportRefusal::NoGroupAddress, 0},
        {"only malformed lines", "P\r\nLight.1/9999\tX\r\n", ImportRefusal::NoGroupAddress, 0},
        {"csv header only", "\"Group name\";\"Address\"\r\n", ImportRefusal::NoGroupAddress, 0},
        {"other XML", "<?xml version=\"1.0\"?><project><a/></project>",
         ImportRefusal::NoGroupAddress, 0},
        {"more nodes than any export", many, ImportRefusal::NoGroupAddress, 0},
        {"empty export", "<GroupAddress-Export/>", ImportRefusal::NoGroupAddress, 0},
        {"UTF-16", "\xFF\xFE<\0G\0", ImportRefusal::UnsupportedEncoding, 0},
        {"UTF-16 declared", "<?xml version='1.0' encoding='UTF-16'?><a/>",
         ImportRefusal::UnsupportedEncoding, 0},
        {"unclosed", "<GroupAddress-Export>\n<GroupRange Name=\"A\">\n</GroupAddress-Export>",
         ImportRefusal::XmlNotWellFormed, 3},
        {"bad attribute", "<GroupAddress-Export>\n\n<GroupAddress Name=X/>",
         ImportRefusal::XmlNotWellFormed, 3},
        {"NUL", std::string("<a>\n\0</a>", 9), ImportRefusal::XmlNotWellFormed, 2},
        {"nested 100000 deep", deep, ImportRefusal::XmlNotWellFormed, 1},
        {"deep behind closing tags in a comment",
         "<!--" + Replace(deep, "<a>", "</a>") + "-->" + deep, ImportRefusal::XmlNotWellFormed, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GroupAddressImport result = ImportGroupAddresses(c.bytes);
        EXPECT_EQ(result.refusal, c.refusal) << result.detail;
        EXPECT_EQ(result.line, c.line) << result.detail;
        EXPECT_TRUE(result.catalogue.items.empty());
    }
    EXPECT_EQ(ImportGroupAddresses("<?xml version='1.0' encoding='EBCDIC\n'?><a/>").detail,
              "EBCDIC?");
    const GroupAddressImport limit = ImportGroupAddresses(shallow);
    EXPECT_EQ(limit.refusal, ImportRefusal::None) << limit.detail;
    EXPECT_EQ(Labels(shallow), (std::vector<std::string>{"1 R", "2 R", "1/2/3 "}));
    const GroupAddressImport deeper = ImportGroupAddresses(Replace(
        shallow, "<GroupAddress Address=\"1/2/3\"/>", "<b><GroupAddress Address=\"1/2/3\"/></b>"));
    EXPECT_EQ(deeper.refusal, ImportRefusal::XmlNotWellFormed);
    EXPECT_EQ(deeper.detail, "elements nested more than 256 levels deep");
}

}  // namespace
}  // namespace halvex
