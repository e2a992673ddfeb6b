// Rebuilding records from pages and catalogue, checked against records built by hand. Round
// trips through the page loaders are the model's (OutputPageTest).
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;
using Children = std::map<size_t, std::vector<uint16_t>>;

const std::vector<uint8_t> kNoDevices(12288, 0);
const std::vector<uint8_t> kNoWlan(154, 0);

// Outputs of the given types; `children` gives some of them their children.
PageContent Page(const std::vector<uint8_t>& types, const Children& children = {}) {
    PageContent page;
    for (size_t o = 0; o < types.size(); ++o) {
        page.AddOutput(types[o]);
        if (const auto it = children.find(o); it != children.end()) {
            for (uint16_t c : it->second)
                page.AddChild(c);
        }
    }
    return page;
}

std::vector<uint8_t> DimmerTypes() {
    std::vector<uint8_t> types;
    for (int c = 0; c < 512; ++c)
        types.insert(types.end(), {0, 3, 7});
    return types;
}

// The six KNX pages for S scenes and devices of the given types.
struct Pages {
    std::array<PageContent, 6> page;
    Pages(uint16_t scenes, const std::vector<uint8_t>& devices,
          const std::array<Children, 6>& children = {}) {
        for (size_t p = 0; p < 6; ++p) {
            const auto types =
                p < 2 ? std::vector<uint8_t>(scenes, 0) : (p < 4 ? DimmerTypes() : devices);
            page[p] = Page(types, children[p]);
        }
    }
    std::array<const PageContent*, 6> View() const {
        return {&page[0], &page[1], &page[2], &page[3], &page[4], &page[5]};
    }
};

WriteStatus Write(std::vector<uint8_t>& record, const Pages& pages,
                  const CatalogueContent& catalogue = {}, bool threeLevel = true,
                  uint16_t devices = 0, ConstBytes deviceTable = kNoDevices) {
    return WriteKnxRecord(record, pages.View(), catalogue, threeLevel, devices, deviceTable,
                          kNoWlan);
}

// The header bytes the writer keeps from the record it was given.
void CopyHeader(const std::vector<uint8_t>& from, std::vector<uint8_t>& to) {
    std::copy(from.begin() + 10, from.begin() + 14, to.begin() + 10);
    std::copy(from.begin() + 16, from.begin() + 62, to.begin() + 16);
}

std::vector<uint8_t> EmptyNameBlock(bool threeLevel) {
    std::vector<uint8_t> b(threeLevel ? 16 : 14, 0);
    b[0] = static_cast<uint8_t>(b.size());
    return b;
}

TEST(WriteKnxRecord, SectionsAgainstHandBuiltBytes) {
    // No assignment at all; header fields are carried, the WLAN flag and marker stay.
    std::vector<uint8_t> record = NewRecord(BusType::Wlan);
    record[16] = 10;
    ASSERT_EQ(Write(record, Pages(2, {7}), {}, true, 1), WriteStatus::Ok);
    KnxParts expected;
    expected.flagsA = 0x03;
    expected.outputs = CurrentOutputs(2, 1);
    expected.deviceCount = 1;
    expected.trailing = EmptyNameBlock(true);
    auto bytes = KnxRecord(expected);
    CopyHeader(record, bytes);
    EXPECT_BYTES_EQ(bytes, record);
    EXPECT_EQ(record[16], 10);
    EXPECT_EQ(record[53], 0xFE);

    // The same address on two outputs is listed once.
    record = NewRecord(BusType::Knx);
    ASSERT_EQ(
        Write(record, Pages(3, {}, {Children{{1, {0x0801}}}, {}, Children{{2, {0x0801, 0x0800}}}})),
        WriteStatus::Ok);
    expected = {};
    expected.list = {0x0800, 0x0801};
    expected.pairs = {{2, 1}, {2, 8}, {1, 8}};
    expected.outputs = CurrentOutputs(3, 0, {1, 8});
    expected.trailing = EmptyNameBlock(true);
    bytes = KnxRecord(expected);
    CopyHeader(record, bytes);
    EXPECT_BYTES_EQ(bytes, record);
}

TEST(UsedAddressList, PositionsOfABinarySearch) {
    UsedAddressList list;
    EXPECT_EQ(list.Position(0), 0);
    for (const uint16_t g : std::array<uint16_t, 6>{65535, 0, 64, 63, 64, 1000})
        list.Insert(g);
    EXPECT_EQ(list.Count(), 5u);
    const std::pair<uint16_t, uint16_t> positions[] = {{0, 1},    {63, 2},    {64, 3},
                                                       {1000, 4}, {65535, 5}, {65, 0}};
    for (const auto& [address, position] : positions)
        EXPECT_EQ(list.Position(address), position) << address;
    list.Insert(65);
    EXPECT_EQ(list.Position(1000), 5);
    list.Clear();
    EXPECT_EQ(list.Position(65535), 0);
    for (uint32_t g = 0; g < 65536; ++g)
        list.Insert(static_cast<uint16_t>(g));
    EXPECT_EQ(list.Count(), 65536u);
    EXPECT_EQ(list.Position(65534), 65535);
}

// Main group 1 "Light", no middle group (three-level only), group addresses 0x0801 "\xC4"
// (Windows-1252) and 0x0802 with an empty label: written, and read back from the bytes.
TEST(NameBlock, BothLayoutsWrittenAndRead) {
    const CatalogueContent names = {
        {{1, 0, "Light"}}, {}, {{0x0801, 0x08010037, "\xC4"}, {0x0802, 0x08020030, ""}}};
    for (const bool threeLevel : {true, false}) {
        std::vector<uint8_t> block = {0, 0, 0, 0,   1,   0,   1,   0,   0,
                                      0, 0, 0, 'L', 'i', 'g', 'h', 't', 0};
        if (threeLevel)
            PutU16(block, 0);
        block.insert(block.end(),
                     {2,    0,    0x01, 0x08, 0x37, 0,    0x01, 0x08, 0xC4, 0,  //
                      0x02, 0x08, 0x30, 0,    0x02, 0x08, 0,    0,    0,    0, 0, 0, 0});
        block[0] = static_cast<uint8_t>(block.size());
        CatalogueContent written = names;
        if (!threeLevel)
            written.middles = {{1, 0, "Mid"}};  // a two-level block has no middle count at all
        std::vector<uint8_t> record = NewRecord(BusType::Knx);
        ASSERT_EQ(Write(record, Pages(0, {}), written, threeLevel), WriteStatus::Ok);
        EXPECT_BYTES_EQ(block,
                        std::vector<uint8_t>(record.begin() + GetAt16(record, 0), record.end()));
        EXPECT_EQ(record[15] & 0x20, threeLevel ? 0x20 : 0);
        EXPECT_EQ(record[14] & 0x01, 0x01);

        KnxParts p;
        p.flagsB = threeLevel ? 0x20 : 0x00;
        p.outputs = CurrentOutputs(0, 0);
        p.trailing = block;
        const auto read = ReadNameBlock(KnxRecord(p));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->mains, names.mains);
        EXPECT_TRUE(read->middles.empty());
        EXPECT_EQ(read->groups, names.groups);
        p.trailing.clear();
        EXPECT_EQ(ReadNameBlock(KnxRecord(p)), std::nullopt);
    }
    EXPECT_EQ(ReadNameBlock(EnOceanRecord({}, {})), std::nullopt);
    // A NUL in a label is stored as "?"; a number given twice keeps its first entry.
    CatalogueContent odd;
    odd.groups = {{9, 1, std::string("a\0b", 3)}, {3, 2, "x"}, {9, 3, "dup"}};
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, Pages(0, {}), odd, false), WriteStatus::Ok);
    const auto read = ReadNameBlock(record);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->groups, (std::vector<NameEntry>{{3, 2, "x"}, {9, 1, "a?b"}}));
    EXPECT_EQ(StoredRecordSize(record), record.size());
    EXPECT_TRUE(CheckRecord(record).problems.empty());
}

TEST(WriteKnxRecord, MainPartOver65535IsRefusedUnchanged) {
    // 65535 - 62 - 2 - 2 - 2 - 12444 = 53023 bytes for list, pairs and outputs; each new
    // address on an output takes 2 + 4 bytes.
    Children full;
    size_t used = 2 * 3072;
    for (uint16_t o = 0; o < 1536; ++o) {
        for (int k = 0; k < 6 && used + 6 <= 53023; ++k, used += 6)
            full[o].push_back(static_cast<uint16_t>(o * 6 + k));
    }
    ASSERT_EQ(used, 53022u);
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, Pages(0, {}, {Children{}, {}, full})), WriteStatus::Ok);
    EXPECT_EQ(GetAt16(record, 0), 65534);
    const std::vector<uint8_t> before = record;  // one more pair: 65538
    EXPECT_EQ(Write(record, Pages(0, {}, {Children{}, {}, full, Children{{0, {0}}}})),
              WriteStatus::TooLarge);
    EXPECT_BYTES_EQ(before, record);
}

std::vector<uint8_t> RowsOf(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> table;
    for (const auto& row : rows)
        table.insert(table.end(), row.begin(), row.end());
    table.resize(70000, 0);
    return table;
}

WriteStatus WriteEnOcean(std::vector<uint8_t>& record, const std::array<PageContent, 4>& pages,
                         ConstBytes table, uint16_t rows, uint16_t devices = 0) {
    const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
    return WriteEnOceanRecord(record, view, table, rows, devices, kNoDevices);
}

TEST(WriteEnOceanRecord, EntriesDeviceBlockAndTransmitters) {
    const std::vector<std::vector<uint8_t>> rows = {Row("A", 0xF6, 1, 0x10, 0xAA),
                                                    Row("", 0xA5, 2, 0x20, 0xBB)};
    const std::vector<uint8_t> three(3, 0), channels(512, 0);
    const std::array<PageContent, 4> pages = {Page(three, {{2, {1, 0}}}),
                                              Page(three, {{0, {5}}}),  // row 5 is outside: dropped
                                              Page(channels), Page(channels, {{511, {1}}})};
    std::vector<uint8_t> record = NewRecord(BusType::EnOcean);
    ASSERT_EQ(WriteEnOcean(record, pages, RowsOf(rows), 2), WriteStatus::Ok);
    auto expected = EnOceanRecord(
        {{0xBB, 0x20, 0xA5, 0, 3}, {0xAA, 0x10, 0xF6, 0, 3}, {0xBB, 0x20, 0xA5, 3, 512}}, rows);
    CopyHeader(record, expected);
    EXPECT_BYTES_EQ(expected, record);

    // Without transmitters the record shrinks to its header, which keeps its fields.
    record[20] = 0x42;
    ASSERT_EQ(WriteEnOcean(record, pages, RowsOf({}), 0), WriteStatus::Ok);
    expected = Header(0x00, 0x10);
    CopyHeader(record, expected);
    EXPECT_EQ(record[20], 0x42);
    EXPECT_BYTES_EQ(expected, record);
}

TEST(WriteEnOceanRecord, TooManyEntriesAreRefused) {
    // (65535 - 62 - 12444) / 12 = 4419 entries fit; equal entries of one output count once.
    const auto table = RowsOf({Row("a", 1, 1, 1, 1)});
    for (const int outputs : {4420, 4419}) {
        Children each;
        for (int o = 0; o < outputs; ++o)
            each[o] = {0, 0};
        const std::array<PageContent, 4> pages = {
            PageContent(), PageContent(), Page(std::vector<uint8_t>(outputs, 0), each), {}};
        std::vector<uint8_t> record = NewRecord(BusType::EnOcean);
        EXPECT_EQ(WriteEnOcean(record, pages, table, 1),
                  outputs == 4419 ? WriteStatus::Ok : WriteStatus::TooLarge);
        EXPECT_EQ(GetAt16(record, 0), outputs == 4419 ? 62 + 12 * 4419 + 12444 : 62);
    }
}

}  // namespace
}  // namespace halvex
