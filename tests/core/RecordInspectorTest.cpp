#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/RecordTestBytes.h"
#include "plugin/RecordInspector.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

using nlohmann::json;
using test::CurrentOutputs;
using test::KnxParts;
using test::KnxRecord;

json Inspect(const std::vector<uint8_t>& r) {
    return json::parse(DescribeRecordJson(r));
}

TEST(Inspector, KnxRecordResolvesPairs) {
    KnxParts p;
    p.list = {0x0801, 0x1203};
    p.pairs = {{1, 1}, {2, 2 + 4}, {1, 2 + 3072 + 1}};
    p.outputs = CurrentOutputs(1, 1, {1, 6, 3075});
    p.deviceCount = 1;
    p.trailing = {23, 0, 0, 0,                     // block length
                  1,  0,                           // one main group
                  2,  0, 0, 0, 0, 0, 'O', 'n', 0,  // 2, item data 0, "On"
                  0,  0,                           // no group address
                  0,  0, 0, 0, 0, 0};
    p.flagsB = 0x20;
    auto r = KnxRecord(p);
    r[16] = 10;
    test::PutAt16(r, 10, 0x1105);
    // The two-level form of the block: main group 2 named "On", no middle count, no group.
    auto twoLevel = r;
    twoLevel[15] = 0x00;
    const json j = Inspect(twoLevel);
    EXPECT_EQ(j["busMode"], "knx");
    EXPECT_FALSE(j["damaged"].get<bool>());
    EXPECT_EQ(j["header"]["ipAddress"], "10.0.0.0");
    EXPECT_EQ(j["header"]["physicalAddress"], "1.1.5");
    EXPECT_EQ(j["header"]["flagsA"]["trailingBlock"], true);
    EXPECT_EQ(j["header"]["flagsB"]["threeLevel"], false);
    EXPECT_EQ(j["sceneCount"], 1);
    EXPECT_EQ(j["format"], "current");
    EXPECT_EQ(j["groupAddresses"][1]["address"], "2/515");
    ASSERT_EQ(j["pairs"].size(), 3u);
    EXPECT_EQ(j["pairs"][0]["page"], "Scene Out 2");
    EXPECT_EQ(j["pairs"][0]["output"], 1);
    EXPECT_EQ(j["pairs"][1]["page"], "Dimmer Out 1");
    EXPECT_EQ(j["pairs"][1]["outputName"], "4bit DMX Ch. 2");
    EXPECT_EQ(j["pairs"][2]["page"], "Device 2");
    EXPECT_EQ(j["outputs"]["count"], 2 + 3072 + 2);
    EXPECT_EQ(j["outputs"]["assigned"], 3);
    EXPECT_EQ(j["deviceBlock"]["deviceCount"], 1);
    EXPECT_EQ(j["nameBlock"]["mains"][0]["label"], "On");
    EXPECT_FALSE(j["nameBlock"].contains("middles"));
    EXPECT_TRUE(j["problems"].empty());

    const std::string text = DescribeRecordText(twoLevel);
    EXPECT_NE(text.find("Scenes per scene page: 1 (current)"), std::string::npos) << text;
    EXPECT_NE(text.find("2/515 -> Dimmer Out 1 output 5"), std::string::npos) << text;
    EXPECT_NE(text.find("No problems found."), std::string::npos);
}

TEST(Inspector, WlanRecordShowsSettingsButNoSecrets) {
    KnxParts p;
    p.flagsA = 0x02;
    p.outputs = CurrentOutputs(0, 0);
    p.wlanFirstByte = 2;
    auto r = KnxRecord(p);
    const size_t wlan = test::GetAt16(r, 0) - 154;
    const std::string ssid = "Studio";
    std::copy(ssid.begin(), ssid.end(), r.begin() + static_cast<std::ptrdiff_t>(wlan + 1));
    const std::string phrase = "very secret";
    std::copy(phrase.begin(), phrase.end(), r.begin() + static_cast<std::ptrdiff_t>(wlan + 90));
    const json j = Inspect(r);
    EXPECT_EQ(j["header"]["flagsA"]["wlan"], true);
    EXPECT_EQ(j["wlan"]["encryption"], "WPA2");
    EXPECT_EQ(j["wlan"]["ssid"], "Studio");
    EXPECT_EQ(j["wlan"]["passPhraseSet"], true);
    EXPECT_EQ(DescribeRecordJson(r).find("very secret"), std::string::npos);
    EXPECT_NE(DescribeRecordText(r).find("WPA2, SSID \"Studio\""), std::string::npos);
}

TEST(Inspector, EnOceanRecordListsEntriesAndTransmitters) {
    const auto r = test::EnOceanRecord(
        {{0xAB, 1, 0xF6, 1, 2}, {0xCD, 1, 0xF6, 2, 7}},
        {test::Row("Taster", 0xF6, 0x30, 1, 0xAB), test::Row("", 0xF6, 0x30, 1, 0xAB)});
    const json j = Inspect(r);
    EXPECT_EQ(j["busMode"], "enocean");
    EXPECT_EQ(j["header"]["entryCount"], 2);
    ASSERT_EQ(j["transmitters"].size(), 2u);
    EXPECT_EQ(j["transmitters"][0]["label"], "Taster");
    EXPECT_EQ(j["transmitters"][1]["label"], "ID:0xab ORG:0xf6 Data:0x1 Status:0x30");
    EXPECT_EQ(j["entries"][0]["rows"], json::array({0, 1}));
    EXPECT_TRUE(j["entries"][1]["rows"].empty());
    EXPECT_FALSE(j.contains("wlan"));
    EXPECT_NE(DescribeRecordText(r).find("Transmitter entries: 2, transmitters: 2"),
              std::string::npos);
}

TEST(Inspector, NewRecordsOfEveryBusType) {
    for (BusType type : {BusType::Knx, BusType::KnxMasterSlave, BusType::EnOcean, BusType::Wlan,
                         BusType::WlanMasterSlave}) {
        const json j = Inspect(NewRecord(type));
        EXPECT_FALSE(j["damaged"].get<bool>());
        EXPECT_EQ(j["header"]["mainLength"], 62);
        EXPECT_EQ(j["header"]["multicast"], "224.0.23.12");
        EXPECT_EQ(j["busMode"], type == BusType::EnOcean ? "enocean" : "knx");
    }
}

TEST(Inspector, SaysWhatIsDamaged) {
    KnxParts p;
    p.outputs = CurrentOutputs(0, 0);
    p.trailing = {200, 0, 0, 0};
    auto r = KnxRecord(p);
    const json j = Inspect(r);
    EXPECT_TRUE(j["damaged"].get<bool>());
    EXPECT_FALSE(j["parts"]["trailingBlock"].get<bool>());
    EXPECT_TRUE(j["storedSize"].is_null());
    ASSERT_EQ(j["problems"].size(), 1u);
    EXPECT_NE(j["problems"][0].get<std::string>().find("trailing block length 200"),
              std::string::npos);
    EXPECT_NE(DescribeRecordText(r).find("DAMAGED:\n  - trailing block length 200"),
              std::string::npos);

    const json tiny = Inspect(std::vector<uint8_t>(10, 0xFF));
    EXPECT_TRUE(tiny["damaged"].get<bool>());
    EXPECT_FALSE(tiny.contains("header"));

    auto badName = NewRecord(BusType::Knx);
    badName[32] = 0x81;  // undefined in the code page: still valid JSON
    EXPECT_NO_THROW(Inspect(badName));
}

}  // namespace
}  // namespace halvex
