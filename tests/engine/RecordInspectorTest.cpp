// The record inspector's JSON and text: what a record holds, in words, and what is damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "engine/record/RecordInspector.h"
#include "engine/record/SceneRecord.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using nlohmann::json;
using namespace test;

// Each JSON pointer of `fields` holds its value in `j`.
void ExpectFields(const json& j, std::initializer_list<std::pair<const char*, json>> fields) {
    for (const auto& [pointer, value] : fields)
        EXPECT_EQ(j.value(json::json_pointer(pointer), json()), value) << pointer;
}

void ExpectText(ConstBytes record, std::initializer_list<const char*> parts) {
    const std::string text = DescribeRecordText(record);
    for (const char* part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

TEST(Inspector, KnxRecordResolvesPairs) {
    KnxParts p;
    p.flagsB = 0x00;  // two-level: main group 2 "On", no middle count, no group address
    p.list = {0x0801, 0x1203};
    p.pairs = {{1, 1}, {2, 2 + 4}, {1, 2 + 3072 + 1}};
    p.outputs = CurrentOutputs(1, 1, {1, 6, 3075});
    p.deviceCount = 1;
    p.trailing = {23, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 0, 'O', 'n', 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto r = KnxRecord(p);
    r[16] = 10;
    PutAt16(r, 10, 0x1105);
    const json j = json::parse(DescribeRecordJson(r));
    ExpectFields(j, {{"/busMode", "knx"},
                     {"/damaged", false},
                     {"/header/ipAddress", "10.168.1.223"},
                     {"/header/physicalAddress", "1.1.5"},
                     {"/header/flagsA/trailingBlock", true},
                     {"/header/flagsB/threeLevel", false},
                     {"/sceneCount", 1},
                     {"/format", "current"},
                     {"/groupAddresses/1/address", "2/515"},
                     {"/pairs/0/page", "Scene Out 2"},
                     {"/pairs/0/output", 1},
                     {"/pairs/1/page", "Dimmer Out 1"},
                     {"/pairs/1/outputName", "4bit DMX Ch. 2"},
                     {"/pairs/2/page", "Device 2"},
                     {"/outputs/count", 2 + 3072 + 2},
                     {"/outputs/assigned", 3},
                     {"/deviceBlock/deviceCount", 1},
                     {"/nameBlock/mains/0/label", "On"},
                     {"/problems", json::array()}});
    EXPECT_EQ(j["pairs"].size(), 3u);
    EXPECT_FALSE(j["nameBlock"].contains("middles"));
    ExpectText(r, {"Scenes per scene page: 1 (current)", "2/515 -> Dimmer Out 1 output 5",
                   "No problems found."});
}

TEST(Inspector, WlanRecordShowsSettingsButNoSecrets) {
    KnxParts p;
    p.flagsA = 0x02;
    p.outputs = CurrentOutputs(0, 0);
    p.wlanFirstByte = 2;
    auto r = KnxRecord(p);
    const auto wlan = r.begin() + GetAt16(r, 0) - 154;
    const std::string ssid = "Studio", phrase = "very secret";
    std::copy(ssid.begin(), ssid.end(), wlan + 1);
    std::copy(phrase.begin(), phrase.end(), wlan + 90);
    ExpectFields(json::parse(DescribeRecordJson(r)), {{"/header/flagsA/wlan", true},
                                                      {"/wlan/encryption", "WPA2"},
                                                      {"/wlan/ssid", "Studio"},
                                                      {"/wlan/passPhraseSet", true}});
    EXPECT_EQ(DescribeRecordJson(r).find("very secret"), std::string::npos);
    ExpectText(r, {"WPA2, SSID \"Studio\""});
}

TEST(Inspector, EnOceanRecordListsEntriesAndTransmitters) {
    const auto r =
        EnOceanRecord({{0xAB, 1, 0xF6, 1, 2}, {0xCD, 1, 0xF6, 2, 7}},
                      {Row("Taster", 0xF6, 0x30, 1, 0xAB), Row("", 0xF6, 0x30, 1, 0xAB)});
    const json j = json::parse(DescribeRecordJson(r));
    ExpectFields(j, {{"/busMode", "enocean"},
                     {"/header/entryCount", 2},
                     {"/transmitters/0/label", "Taster"},
                     {"/transmitters/1/label", "ID:0xab ORG:0xf6 Data:0x1 Status:0x30"},
                     {"/entries/0/rows", json::array({0, 1})},
                     {"/entries/1/rows", json::array()}});
    EXPECT_EQ(j["transmitters"].size(), 2u);
    EXPECT_FALSE(j.contains("wlan"));
    ExpectText(r, {"Transmitter entries: 2, transmitters: 2"});
}

TEST(Inspector, SaysWhatIsDamaged) {
    KnxParts p;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = {200, 0, 0, 0};
    const auto r = KnxRecord(p);
    ExpectFields(json::parse(DescribeRecordJson(r)),
                 {{"/damaged", true},
                  {"/parts/trailingBlock", false},
                  {"/storedSize", nullptr},
                  {"/problems/0",
                   "trailing block length 200 at offset 18656 runs past the end "
                   "of the record (18660 bytes)"}});
    ExpectText(r, {"DAMAGED:\n  - trailing block length 200"});
    const json tiny = json::parse(DescribeRecordJson(std::vector<uint8_t>(10, 0xFF)));
    EXPECT_TRUE(tiny["damaged"].get<bool>());
    EXPECT_FALSE(tiny.contains("header"));
    auto badName = NewRecord(BusType::Knx);
    badName[32] = 0x81;  // undefined in the code page: still valid JSON
    EXPECT_TRUE(json::accept(DescribeRecordJson(badName)));
    // A name can neither forge a line nor reach the terminal.
    std::ranges::copy(std::string("x\nGateway: 6.6\x1B[2J"), badName.begin() + 32);
    const std::string text = DescribeRecordText(badName);
    EXPECT_NE(text.find("name \"x\\nGateway: 6.6\\x1B[2J\""), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("\x1B\r"), std::string::npos);
    EXPECT_EQ(text.find("\nGateway: 6.6"), std::string::npos);
}

}  // namespace
}  // namespace halvex
