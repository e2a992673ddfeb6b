#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>

#include "core/RecordTestBytes.h"
#include "plugin/HostStructures.h"
#include "plugin/PageLoader.h"
#include "plugin/RecordWriter.h"

namespace halvex {
namespace {

using test::CurrentOutputs;
using test::GetAt16;
using test::KnxParts;
using test::KnxRecord;

const std::vector<uint8_t> kNoDevices(12288, 0);
const std::vector<uint8_t> kNoWlan(154, 0);

// The six pages with the outputs of S scenes and D devices (device type 7), no children.
struct Pages {
    std::array<PageContent, 6> page;
    Pages(uint16_t scenes, uint16_t devices) {
        for (int p = 0; p < 2; ++p) {
            for (int s = 0; s < scenes; ++s)
                page[p].AddOutput(0);
            for (int c = 0; c < 512; ++c) {
                page[2 + p].AddOutput(0);
                page[2 + p].AddOutput(3);
                page[2 + p].AddOutput(7);
            }
            for (int d = 0; d < devices; ++d)
                page[4 + p].AddOutput(7);
        }
    }
    std::array<const PageContent*, 6> View() const {
        return {&page[0], &page[1], &page[2], &page[3], &page[4], &page[5]};
    }
};

// A page with children is rebuilt output by output, so the tests add children there.
void AddChildren(PageContent& page, size_t output, std::vector<uint16_t> children) {
    PageContent rebuilt;
    for (size_t o = 0; o < page.OutputCount(); ++o) {
        rebuilt.AddOutput(page.OutputType(o));
        for (uint16_t c : page.Children(o))
            rebuilt.AddChild(c);
        if (o == output) {
            for (uint16_t c : children)
                rebuilt.AddChild(c);
        }
    }
    page = rebuilt;
}

std::vector<uint8_t> EmptyNameBlock(bool threeLevel) {
    std::vector<uint8_t> b;
    test::PutU32(b, threeLevel ? 16 : 14);
    test::PutU16(b, 0);
    if (threeLevel)
        test::PutU16(b, 0);
    test::PutU16(b, 0);
    b.resize(b.size() + 6, 0);
    return b;
}

WriteStatus Write(std::vector<uint8_t>& record, const Pages& pages,
                  const CatalogueContent& catalogue = {}, bool threeLevel = true,
                  uint16_t devices = 0) {
    const auto view = pages.View();
    return WriteKnxRecord(record, view, catalogue, threeLevel, devices, kNoDevices, kNoWlan);
}

TEST(WriteKnxRecord, NoAssignmentAnywhere) {
    Pages pages(2, 1);
    std::vector<uint8_t> record = NewRecord(BusType::Wlan);
    record[16] = 10;  // header fields are carried
    ASSERT_EQ(Write(record, pages, {}, true, 1), WriteStatus::Ok);

    KnxParts expected;
    expected.flagsA = 0x03;
    expected.outputs = CurrentOutputs(2, 1);
    expected.deviceCount = 1;
    expected.trailing = EmptyNameBlock(true);
    auto bytes = KnxRecord(expected);
    for (size_t i = 10; i < 62; ++i) {
        if (i != 14 && i != 15)
            bytes[i] = record[i];
    }
    EXPECT_BYTES_EQ(bytes, record);
    const size_t outputs = 2 * 2 + 3072 + 2 * 1;
    EXPECT_EQ(GetAt16(record, 2), 62);
    EXPECT_EQ(GetAt16(record, 4), 64);
    EXPECT_EQ(GetAt16(record, 6), 66);
    EXPECT_EQ(GetAt16(record, 8), 68 + 2 * outputs);
    EXPECT_EQ(record[16], 10);
    EXPECT_EQ(record[53], 0xFE);
}

TEST(WriteKnxRecord, SameAddressOnTwoOutputsIsListedOnce) {
    Pages pages(3, 0);
    AddChildren(pages.page[0], 1, {0x0801});
    AddChildren(pages.page[2], 2, {0x0801, 0x0800});  // 1byte output of channel 1
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, pages), WriteStatus::Ok);

    KnxParts expected;
    expected.list = {0x0800, 0x0801};
    expected.pairs = {{2, 1}, {2, 8}, {1, 8}};
    expected.outputs = CurrentOutputs(3, 0, {1, 8});
    expected.trailing = EmptyNameBlock(true);
    auto bytes = KnxRecord(expected);
    std::copy(record.begin() + 10, record.begin() + 14, bytes.begin() + 10);
    std::copy(record.begin() + 16, record.begin() + 62, bytes.begin() + 16);
    EXPECT_BYTES_EQ(bytes, record);
}

TEST(WriteKnxRecord, ListAndPositionsMatchASortedSet) {
    Pages pages(20, 30);
    std::mt19937 random(7);
    std::vector<std::pair<size_t, size_t>> where;
    for (int i = 0; i < 400; ++i) {
        const size_t page = random() % 6;
        const size_t output = random() % pages.page[page].OutputCount();
        AddChildren(pages.page[page], output, {static_cast<uint16_t>(random() % 3000 * 21)});
    }
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, pages, {}, true, 30), WriteStatus::Ok);

    std::set<uint16_t> used;
    std::vector<std::pair<uint16_t, uint16_t>> assignments;  // (address, output)
    uint16_t output = 0;
    for (const PageContent& page : pages.page) {
        for (size_t o = 0; o < page.OutputCount(); ++o, ++output) {
            for (uint16_t g : page.Children(o)) {
                used.insert(g);
                assignments.push_back({g, output});
            }
        }
    }
    const std::vector<uint16_t> list(used.begin(), used.end());
    ASSERT_EQ(GetAt16(record, 62), list.size());
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(GetAt16(record, 64 + 2 * i), list[i]);
    const size_t pairs = GetAt16(record, 4);
    ASSERT_EQ(GetAt16(record, pairs), assignments.size());
    for (size_t i = 0; i < assignments.size(); ++i) {
        const uint16_t position = GetAt16(record, pairs + 2 + 4 * i);
        ASSERT_GE(position, 1);
        EXPECT_EQ(list[position - 1], assignments[i].first);
        EXPECT_EQ(GetAt16(record, pairs + 4 + 4 * i), assignments[i].second);
    }
}

TEST(UsedAddressList, PositionsOfABinarySearch) {
    UsedAddressList list;
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Position(0), 0);
    for (const uint16_t g : std::array<uint16_t, 6>{65535, 0, 64, 63, 64, 1000})
        list.Insert(g);
    EXPECT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.Position(0), 1);
    EXPECT_EQ(list.Position(63), 2);
    EXPECT_EQ(list.Position(64), 3);
    EXPECT_EQ(list.Position(1000), 4);
    EXPECT_EQ(list.Position(65535), 5);
    EXPECT_EQ(list.Position(65), 0);
    list.Insert(65);
    EXPECT_EQ(list.Position(1000), 5);
    list.Clear();
    EXPECT_EQ(list.Position(65535), 0);
    for (uint32_t g = 0; g < 65536; ++g)
        list.Insert(static_cast<uint16_t>(g));
    EXPECT_EQ(list.Count(), 65536u);
    EXPECT_EQ(list.Position(65534), 65535);
}

CatalogueContent SampleCatalogue() {
    CatalogueContent c;
    c.mains = {{0, 0, "Main"}};
    c.middles = {{1, 0, "Mid"}};
    c.groups = {{0x0101, 0x01010037, "Lamp"}};
    return c;
}

std::vector<uint8_t> TrailingOf(const std::vector<uint8_t>& record) {
    return {record.begin() + GetAt16(record, 0), record.end()};
}

TEST(WriteKnxRecord, NameBlockThreeLevelWithoutMiddleGroups) {
    CatalogueContent c = SampleCatalogue();
    c.middles.clear();
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, Pages(0, 0), c, true), WriteStatus::Ok);
    const std::vector<uint8_t> expected = {
        0x26, 0,    0,    0,                                     // block length 38
        1,    0,                                                 // one main group
        0,    0,    0,    0, 0,    0,    'M', 'a', 'i', 'n', 0,  // 0 "Main"
        0,    0,                                                 // middle-group count 0
        1,    0,                                                 // one group address
        0x01, 0x01, 0x37, 0, 0x01, 0x01, 'L', 'a', 'm', 'p', 0, 0, 0, 0, 0, 0, 0};
    EXPECT_BYTES_EQ(expected, TrailingOf(record));
    EXPECT_EQ(record[15] & 0x20, 0x20);
    EXPECT_EQ(record[14] & 0x01, 0x01);
}

TEST(WriteKnxRecord, TwoLevelWritesNoMiddleCount) {
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, Pages(0, 0), SampleCatalogue(), false), WriteStatus::Ok);
    const std::vector<uint8_t> expected = {
        36, 0,    0,    0,    1, 0,    0,    0,   0,   0,   0,   0, 'M', 'a', 'i', 'n', 0, 1,
        0,  0x01, 0x01, 0x37, 0, 0x01, 0x01, 'L', 'a', 'm', 'p', 0, 0,   0,   0,   0,   0, 0};
    EXPECT_BYTES_EQ(expected, TrailingOf(record));
    EXPECT_EQ(record[15] & 0x20, 0);
}

TEST(WriteKnxRecord, LabelsAreStoredSoTheyReadBack) {
    CatalogueContent c;
    c.groups = {{9, 1, std::string("a\0b", 3)}, {3, 2, "x"}, {9, 3, "dup"}};
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, Pages(0, 0), c, false), WriteStatus::Ok);
    const auto names = ReadNameBlock(record);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->groups.size(), 2u);
    EXPECT_EQ(names->groups[0], (NameEntry{3, 2, "x"}));
    EXPECT_EQ(names->groups[1], (NameEntry{9, 1, "a?b"}));
    EXPECT_EQ(StoredRecordSize(record), record.size());
    EXPECT_TRUE(CheckRecord(record).problems.empty());
}

TEST(WriteKnxRecord, MainPartOver65535IsRefused) {
    // 65535 - 62 - 2 - 2 - 2 - 12444 = 53023 bytes for list, pairs and outputs.
    Pages pages(0, 0);
    PageContent& dimmer = pages.page[2];
    PageContent filled;
    size_t used = 2 * 3072;
    for (size_t o = 0; o < dimmer.OutputCount(); ++o) {
        filled.AddOutput(dimmer.OutputType(o));
        for (int k = 0; k < 6 && used + 6 <= 53023; ++k, used += 6) {
            filled.AddChild(static_cast<uint16_t>(o * 6 + k));  // new address: 2 + 4 bytes
        }
    }
    dimmer = filled;
    ASSERT_EQ(used, 53022u);
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, pages), WriteStatus::Ok);
    EXPECT_EQ(GetAt16(record, 0), 65534);

    AddChildren(pages.page[3], 0, {0});  // one more pair: 65538
    const std::vector<uint8_t> before = record;
    EXPECT_EQ(Write(record, pages), WriteStatus::TooLarge);
    EXPECT_BYTES_EQ(before, record);
}

TEST(WriteKnxRecord, RunTwiceGivesTheSameBytes) {
    Pages pages(4, 2);
    AddChildren(pages.page[1], 3, {7, 5});
    AddChildren(pages.page[5], 1, {5});
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    ASSERT_EQ(Write(record, pages, SampleCatalogue(), true, 2), WriteStatus::Ok);
    const auto first = record;
    ASSERT_EQ(Write(record, pages, SampleCatalogue(), true, 2), WriteStatus::Ok);
    EXPECT_BYTES_EQ(first, record);
}

// The dialog's part of a round trip: pages and catalogue read from a record by the loaders.
struct Loaded {
    Pages pages{0, 0};
    CatalogueContent catalogue;
};

Loaded LoadKnx(const std::vector<uint8_t>& record, uint16_t scenes, uint16_t devices,
               ConstBytes deviceTable) {
    Loaded l;
    std::vector<uint8_t> types;
    for (uint16_t d = 0; d < devices; ++d)
        types.push_back(DeviceOutputType(deviceTable, d));
    const uint32_t dimmer1 = 2u * scenes;
    const std::array<std::vector<LoadedAssignment>, 6> assignments = {
        LoadSceneAssignments(record, 0, scenes),
        LoadSceneAssignments(record, scenes, scenes),
        LoadDimmerAssignments(record, dimmer1, 1536),
        LoadDimmerAssignments(record, dimmer1 + 1536, 1536),
        LoadDeviceAssignments(record, dimmer1 + 3072, types),
        LoadDeviceAssignments(record, dimmer1 + 3072 + devices, types)};
    const std::array<std::vector<uint8_t>, 3> kinds = {std::vector<uint8_t>(scenes, 0), {}, types};
    for (size_t p = 0; p < 6; ++p) {
        std::vector<uint8_t> outputTypes = kinds[p / 2];
        if (p / 2 == 1) {
            for (int c = 0; c < 512; ++c)
                outputTypes.insert(outputTypes.end(), {0, 3, 7});
        }
        size_t next = 0;
        l.pages.page[p].Clear();
        for (size_t o = 0; o < outputTypes.size(); ++o) {
            l.pages.page[p].AddOutput(outputTypes[o]);
            for (; next < assignments[p].size() && assignments[p][next].slot == o; ++next) {
                l.pages.page[p].AddChild(assignments[p][next].number);
            }
        }
    }
    if (const auto names = ReadNameBlock(record)) {
        l.catalogue = {names->mains, names->middles, names->groups};
    }
    return l;
}

TEST(RecordRoundTrip, HandBuiltKnxRecordReadAndWrittenAgain) {
    std::vector<uint8_t> devices(12288, 0);
    devices[20] = 40;  // device 0: 4 bytes
    KnxParts p;
    p.flagsA = 0x01;
    p.list = {0x0101, 0x0102, 0x2000, 0xFFFF};
    p.pairs = {{1, 0},        {4, 0},        {2, 3},        {1, 6},       {3, 6 + 1535},
               {4, 6 + 3071}, {2, 6 + 3072}, {3, 6 + 3073}, {1, 6 + 3074}};
    p.outputs = CurrentOutputs(3, 2, {0, 3, 6, 6 + 1535, 6 + 3071, 6 + 3072, 6 + 3073, 6 + 3074});
    p.outputs[6 + 3072] = 0x170A;  // device 0 on Device 1 takes 4 bytes
    p.outputs[6 + 3074] = 0x170A;  // device 0 on Device 2
    p.deviceCount = 2;
    CatalogueContent c = SampleCatalogue();
    c.groups.push_back({0xFFFF, 0xFFFF0037, "\xE4nd"});
    // Trailing block as the writer's name-block layout; written once by hand below.
    std::vector<uint8_t> block = {0, 0, 0, 0};
    for (const auto* group : {&c.mains, &c.middles, &c.groups}) {
        test::PutU16(block, static_cast<uint16_t>(group->size()));
        for (const NameEntry& e : *group) {
            test::PutU16(block, e.number);
            test::PutU32(block, e.itemData);
            block.insert(block.end(), e.label.begin(), e.label.end());
            block.push_back(0);
        }
    }
    block.resize(block.size() + 6, 0);
    block[0] = static_cast<uint8_t>(block.size());
    p.trailing = block;
    std::vector<uint8_t> original = KnxRecord(p);
    std::copy(devices.begin(), devices.end(), original.begin() + GetAt16(original, 8) + 2);

    const Loaded l = LoadKnx(original, 3, 2, devices);
    std::vector<uint8_t> rebuilt = original;
    const auto view = l.pages.View();
    ASSERT_EQ(WriteKnxRecord(rebuilt, view, l.catalogue, true, 2, devices, kNoWlan),
              WriteStatus::Ok);
    EXPECT_BYTES_EQ(original, rebuilt);
}

TEST(RecordRoundTrip, RandomConfigurationsAreStable) {
    std::mt19937 random(11);
    for (int round = 0; round < 5; ++round) {
        const auto scenes = static_cast<uint16_t>(random() % 12);
        const auto deviceCount = static_cast<uint16_t>(random() % 6);
        std::vector<uint8_t> devices(12288, 0);
        for (int d = 0; d < deviceCount; ++d)
            devices[d * 24 + 20] = std::array<uint8_t, 3>{0, 20, 40}[random() % 3];
        Pages pages(scenes, deviceCount);
        for (int p = 4; p < 6; ++p) {
            pages.page[p].Clear();
            for (int d = 0; d < deviceCount; ++d)
                pages.page[p].AddOutput(DeviceOutputType(devices, d));
        }
        for (int i = 0; i < 200; ++i) {
            const size_t p = random() % 6;
            if (pages.page[p].OutputCount() == 0)
                continue;
            AddChildren(pages.page[p], random() % pages.page[p].OutputCount(),
                        {static_cast<uint16_t>(random())});
        }
        std::vector<uint8_t> first = NewRecord(BusType::Knx);
        const auto view = pages.View();
        ASSERT_EQ(WriteKnxRecord(first, view, SampleCatalogue(), round % 2 == 0, deviceCount,
                                 devices, kNoWlan),
                  WriteStatus::Ok);
        const Loaded l = LoadKnx(first, scenes, deviceCount, devices);
        std::vector<uint8_t> second = first;
        const auto loadedView = l.pages.View();
        ASSERT_EQ(WriteKnxRecord(second, loadedView, l.catalogue, round % 2 == 0, deviceCount,
                                 devices, kNoWlan),
                  WriteStatus::Ok);
        EXPECT_BYTES_EQ(first, second) << "round " << round;
    }
}

std::vector<uint8_t> RowsOf(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> table;
    for (const auto& row : rows)
        table.insert(table.end(), row.begin(), row.end());
    table.resize(70000, 0);
    return table;
}

TEST(WriteEnOceanRecord, EntriesDeviceBlockAndTransmitters) {
    const std::vector<std::vector<uint8_t>> rows = {test::Row("A", 0xF6, 1, 0x10, 0xAA),
                                                    test::Row("", 0xA5, 2, 0x20, 0xBB)};
    const auto table = RowsOf(rows);
    std::array<PageContent, 4> pages;
    for (int s = 0; s < 3; ++s) {
        pages[0].AddOutput(0);
        pages[1].AddOutput(0);
    }
    for (int c = 0; c < 512; ++c) {
        pages[2].AddOutput(0);
        pages[3].AddOutput(0);
    }
    pages[0] = PageContent();
    for (int s = 0; s < 3; ++s) {
        pages[0].AddOutput(0);
        if (s == 2) {
            pages[0].AddChild(1);
            pages[0].AddChild(0);
        }
    }
    AddChildren(pages[3], 511, {1});
    AddChildren(pages[1], 0, {5});  // a row outside the table is dropped
    const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
    std::vector<uint8_t> record = NewRecord(BusType::EnOcean);
    ASSERT_EQ(WriteEnOceanRecord(record, view, table, 2, 0, kNoDevices), WriteStatus::Ok);
    auto expected = test::EnOceanRecord(
        {{0xBB, 0x20, 0xA5, 0, 3}, {0xAA, 0x10, 0xF6, 0, 3}, {0xBB, 0x20, 0xA5, 3, 512}}, rows);
    std::copy(record.begin() + 10, record.begin() + 14, expected.begin() + 10);
    std::copy(record.begin() + 16, record.begin() + 62, expected.begin() + 16);
    EXPECT_BYTES_EQ(expected, record);
}

TEST(WriteEnOceanRecord, WithoutTransmittersShrinksToTheHeader) {
    auto record = test::EnOceanRecord({{1, 2, 3, 0, 1}}, {test::Row("x", 3, 0, 2, 1)});
    record[20] = 0x42;
    std::array<PageContent, 4> pages;
    pages[0].AddOutput(0);
    pages[0].AddChild(0);
    const std::array<const PageContent*, 4> view = {&pages[0], nullptr, nullptr, nullptr};
    ASSERT_EQ(WriteEnOceanRecord(record, view, RowsOf({}), 0, 0, kNoDevices), WriteStatus::Ok);
    std::vector<uint8_t> expected = test::Header(0x00, 0x10);
    expected[0] = 62;
    expected[20] = 0x42;
    EXPECT_BYTES_EQ(expected, record);
}

TEST(WriteEnOceanRecord, TooManyEntriesAreRefused) {
    // (65535 - 62 - 12444) / 12 = 4419 entries fit. One per output: equal entries of one
    // output are written once.
    std::array<PageContent, 4> pages;
    for (int i = 0; i < 4420; ++i) {
        pages[2].AddOutput(0);
        pages[2].AddChild(0);
    }
    const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
    const auto table = RowsOf({test::Row("a", 1, 1, 1, 1)});
    std::vector<uint8_t> record = NewRecord(BusType::EnOcean);
    EXPECT_EQ(WriteEnOceanRecord(record, view, table, 1, 0, kNoDevices), WriteStatus::TooLarge);
    EXPECT_EQ(record.size(), 62u);
    pages[2].Clear();
    for (int i = 0; i < 4419; ++i) {
        pages[2].AddOutput(0);
        pages[2].AddChild(0);
    }
    EXPECT_EQ(WriteEnOceanRecord(record, view, table, 1, 0, kNoDevices), WriteStatus::Ok);
    EXPECT_EQ(GetAt16(record, 0), 62 + 12 * 4419 + 12444);
}

TEST(RecordRoundTrip, EnOceanRecordReadAndWrittenAgain) {
    const std::vector<std::vector<uint8_t>> rows = {test::Row("One", 0xF6, 1, 0x10, 0xAA),
                                                    test::Row("", 0xA5, 2, 0x20, 0xBB),
                                                    test::Row("Three", 0xD5, 0, 0x09, 0xCC)};
    const auto original = test::EnOceanRecord({{0xAA, 0x10, 0xF6, 0, 1},
                                               {0xCC, 0x09, 0xD5, 0, 1},
                                               {0xBB, 0x20, 0xA5, 1, 2},
                                               {0xAA, 0x10, 0xF6, 2, 1},
                                               {0xCC, 0x09, 0xD5, 3, 512}},
                                              rows, 3);
    std::vector<uint8_t> table(70000);
    const uint16_t count =
        ReadTransmitterTable(original, std::span<uint8_t, 70000>(table.data(), 70000));
    std::array<PageContent, 4> pages;
    const uint32_t outputs[4] = {2, 2, 512, 512};
    for (uint8_t p = 0; p < 4; ++p) {
        const auto loaded = LoadEnOceanAssignments(original, p, outputs[p], table, count);
        size_t next = 0;
        for (uint32_t o = 0; o < outputs[p]; ++o) {
            pages[p].AddOutput(0);
            for (; next < loaded.size() && loaded[next].slot == o; ++next)
                pages[p].AddChild(loaded[next].number);
        }
    }
    const std::array<const PageContent*, 4> view = {&pages[0], &pages[1], &pages[2], &pages[3]};
    std::vector<uint8_t> rebuilt = original;
    ASSERT_EQ(WriteEnOceanRecord(rebuilt, view, table, count, 3, kNoDevices), WriteStatus::Ok);
    EXPECT_BYTES_EQ(original, rebuilt);
}

}  // namespace
}  // namespace halvex
