#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gateway/AutoResetEvent.h"
#include "gateway/GatewayParser.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using std::chrono::milliseconds;

struct CollectingSink : GatewayEventSink {
    void OnSearchResponse(const std::string& line) override { lines.push_back(line); }
    void OnTransmitterReport(const Telegram& t) override { telegrams.push_back(t); }
    std::vector<std::string> lines;
    std::vector<Telegram> telegrams;
};

std::vector<uint8_t> Ascii(const char* text) {
    return {text, text + std::strlen(text)};
}

// A search response as a gateway sends it: keyword, one spare byte, address, marker, then name
// or MAC, version text at 48; 82 bytes.
std::vector<uint8_t> Response(std::vector<uint8_t> address, uint8_t marker,
                              std::vector<uint8_t> nameOrMac, const char* version) {
    std::vector<uint8_t> d = Ascii("DMX_SEARCH_RESPONSE");
    d.push_back(0);                                         // 19: not interpreted
    d.insert(d.end(), address.begin(), address.end());      // 20-23
    d.push_back(marker);                                    // 24
    d.insert(d.end(), nameOrMac.begin(), nameOrMac.end());  // 25-
    d.resize(48, 0);
    const auto v = Ascii(version);
    d.insert(d.end(), v.begin(), v.end());
    d.resize(82, 0);
    return d;
}

std::vector<uint8_t> Report(std::vector<uint8_t> telegram) {
    std::vector<uint8_t> d = Ascii("DMX_ENOCEAN_TRANSMITTER");
    d.push_back(0x99);  // 23: not interpreted
    d.insert(d.end(), telegram.begin(), telegram.end());
    return d;
}

class GatewayParser : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModuleState();
        Module().Events = &sink;
        event->Reset();
    }
    void TearDown() override { ResetModuleState(); }
    void Parse(const std::vector<uint8_t>& d) {
        ParseGatewayMessage(d.data(), static_cast<uint32_t>(d.size()), PeerAddress{});
    }
    CollectingSink sink;
    std::shared_ptr<AutoResetEvent> event = AutoResetEvent::CreateOrOpen("UploadEvent");
};

TEST_F(GatewayParser, ResponseWithNameAndVersion) {
    Parse(Response({192, 168, 1, 20}, 0x20, Ascii("GW"), "Version: 2.1"));
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "192.168.1.20 GW    Version: 2.1");
}

TEST_F(GatewayParser, ResponseWithMacIsLowerCaseTwoDigitHex) {
    Parse(Response({192, 168, 1, 20}, 0, {0, 10, 27, 44, 61, 78}, ""));
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "192.168.1.20 00:0a:1b:2c:3d:4e");
}

TEST_F(GatewayParser, ResponseWithoutVersionTagHasNoVersion) {
    EXPECT_EQ(SearchResponseLine(Response({10, 0, 0, 1}, 0x20, Ascii("Hall"), "version: 2.0")),
              "10.0.0.1 Hall");
    EXPECT_EQ(SearchResponseLine(Response({10, 0, 0, 1}, 0x20, Ascii("Hall"), "Versio")),
              "10.0.0.1 Hall");
}

TEST_F(GatewayParser, NameAndVersionStopAtTheirFieldEnds) {
    // A 20-byte name without terminator followed by junk, and a 34-byte version without one.
    auto d = Response({1, 2, 3, 4}, 0x20, Ascii("ABCDEFGHIJKLMNOPQRSTXYZ"), "");
    std::memcpy(d.data() + 48, "Version:abcdefghijklmnopqrstuvwxyz", 34);
    d.push_back('!');
    EXPECT_EQ(SearchResponseLine(d),
              "1.2.3.4 ABCDEFGHIJKLMNOPQRST    Version:abcdefghijklmnopqrstuvwxyz");
}

TEST_F(GatewayParser, NameInWindows1252BecomesUtf8) {
    EXPECT_EQ(SearchResponseLine(Response({1, 2, 3, 4}, 0x20, {'B', 0xFC, 'h', 'n', 'e'}, "")),
              "1.2.3.4 B\xC3\xBChne");
}

TEST_F(GatewayParser, ShortResponseReadsMissingBytesAsZero) {
    auto d = Ascii("DMX_SEARCH_RESPONSE");
    d.insert(d.end(), {0, 10, 0, 0});  // the address stops after two octets
    Parse(d);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "10.0.0.0 00:00:00:00:00:00");
    EXPECT_EQ(SearchResponseLine(Ascii("DMX_SEARCH_RESPONS")), "");
}

TEST_F(GatewayParser, DuplicateResponsesGiveEqualLinesForTheList) {
    const auto a = Response({10, 0, 0, 7}, 0x20, Ascii("Stage"), "Version: 2.0");
    const auto b = Response({10, 0, 0, 7}, 0x20, Ascii("STAGE"), "Version: 2.0");
    Parse(a);
    Parse(a);
    Parse(b);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[0], sink.lines[1]);
    EXPECT_TRUE(SameGatewayLine(sink.lines[0], sink.lines[2]));
    EXPECT_FALSE(SameGatewayLine(sink.lines[0], "10.0.0.7 Stage    Version: 2.1"));
    EXPECT_FALSE(SameGatewayLine("10.0.0.7 Stage", "10.0.0.7 Stage "));
}

TEST_F(GatewayParser, OwnSearchRequestAndUnknownDatagramsChangeNothing) {
    Parse(Ascii("DMX_SEARCH_REQUEST"));
    Parse(Ascii("DMX_UPLOAD_AC"));
    Parse(Ascii("dmx_search_response and more bytes than needed for a response..........."));
    Parse({});
    ParseGatewayMessage(nullptr, 40, PeerAddress{});
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_FALSE(event->IsSet());
}

TEST_F(GatewayParser, NoSinkDropsResponses) {
    Module().Events = nullptr;
    Parse(Response({10, 0, 0, 7}, 0x20, Ascii("Stage"), ""));
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(GatewayParser, AckSignalsUploadEventAndALateOneStaysSignalled) {
    Parse(Ascii("DMX_UPLOAD_ACK"));
    EXPECT_TRUE(event->IsSet());
    // Nobody was waiting: the next wait ends at once and consumes it.
    EXPECT_TRUE(event->Wait(milliseconds(0)));
    EXPECT_FALSE(event->Wait(milliseconds(0)));
    Parse(Ascii("DMX_UPLOAD_ACK trailing bytes are ignored"));
    EXPECT_TRUE(event->Wait(milliseconds(0)));
}

TEST_F(GatewayParser, TransmitterReportsOnlyWhileAnEnOceanRecordIsOpen) {
    const auto d = Report({5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B});
    Parse(d);
    EXPECT_TRUE(sink.telegrams.empty());
    Module().EnOceanRecordOpen = true;
    Parse(d);
    ASSERT_EQ(sink.telegrams.size(), 1u);
    EXPECT_EQ(sink.telegrams[0], (Telegram{5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B}));
}

TEST_F(GatewayParser, ShortTransmitterReportPadsWithZero) {
    Module().EnOceanRecordOpen = true;
    Parse(Report({5, 0x30, 7}));
    ASSERT_EQ(sink.telegrams.size(), 1u);
    EXPECT_EQ(sink.telegrams[0], (Telegram{5, 0x30, 7, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TransmitterText, ReportTextAndItemLabel) {
    const Telegram t{0x05, 0x30, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x3B};
    EXPECT_EQ(TransmitterReportText(t), "Transmitter: 0x5 0x30 0x0 0x0 0x0 0x0 0x1 0x2 0xa 0x3b ");
    // ID and data are little-endian u32: ID bytes 01 02 0A 3B are 0x3b0a0201.
    const Telegram u{0x05, 0x30, 0x00, 0x00, 0x00, 0x70, 0x01, 0x02, 0x0A, 0x3B};
    EXPECT_EQ(TransmitterItemLabel(u), "ID:0x3b0a0201 ORG:0x5 Data:0x70000000 Status:0x30");
}

class TransmitterTable : public ::testing::Test {
protected:
    std::array<uint8_t, 70000> table{};
    uint16_t count = 0;
    Telegram Rocker(uint8_t data) { return {5, 0x30, data, 0, 0, 0, 1, 2, 3, 4}; }
};

TEST_F(TransmitterTable, LearnsIntoTheTelegramFieldOnly) {
    table.fill(0xEE);
    const auto row = AddTelegram(table, count, Rocker(0x70));
    ASSERT_EQ(row, 0);
    EXPECT_EQ(count, 1);
    std::vector<uint8_t> expected(70, 0xEE);  // name bytes 0-59 untouched
    const uint8_t telegram[] = {5, 0x30, 0x70, 0, 0, 0, 1, 2, 3, 4};
    std::memcpy(expected.data() + 60, telegram, 10);
    EXPECT_BYTES_EQ(expected, std::vector<uint8_t>(table.begin(), table.begin() + 70));
    EXPECT_EQ(AddTelegram(table, count, Rocker(0x50)), 1);
    EXPECT_EQ(table[70 + 62], 0x50);
}

TEST_F(TransmitterTable, RefusesOtherOrgZeroDataAndRepeats) {
    EXPECT_FALSE(AddTelegram(table, count, Telegram{5, 0x30, 0, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_FALSE(AddTelegram(table, count, Telegram{6, 0x30, 0x70, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(AddTelegram(table, count, Rocker(0x70)));
    EXPECT_FALSE(AddTelegram(table, count, Rocker(0x70)));
    // Same transmitter, other status: a row of its own.
    EXPECT_EQ(AddTelegram(table, count, Telegram{5, 0x20, 0x70, 0, 0, 0, 1, 2, 3, 4}), 1);
    EXPECT_EQ(count, 2);
}

TEST_F(TransmitterTable, The1001stTelegramIsNotAdded) {
    for (uint32_t i = 0; i < 1000; ++i) {
        const Telegram t{5, 0x30, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0, 1, 9, 9,
                         9, 9};
        ASSERT_TRUE(AddTelegram(table, count, t)) << i;
    }
    EXPECT_EQ(count, 1000);
    EXPECT_FALSE(AddTelegram(table, count, Telegram{5, 0x30, 0xFF, 0xFF, 0, 1, 9, 9, 9, 9}));
    EXPECT_EQ(count, 1000);
    count = 1200;  // a damaged count never leads past the table
    EXPECT_FALSE(AddTelegram(table, count, Telegram{5, 0x30, 0xFE, 0xFF, 0, 1, 9, 9, 9, 9}));
}

TEST(AutoResetEventRegistry, SameNameSameEventAndOneWaiterPerSignal) {
    auto a = AutoResetEvent::CreateOrOpen("TestEventA");
    auto b = AutoResetEvent::CreateOrOpen("TestEventA");
    auto c = AutoResetEvent::CreateOrOpen("TestEventC");
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
    a->Set();
    a->Set();
    EXPECT_FALSE(c->Wait(milliseconds(0)));
    EXPECT_TRUE(b->Wait(milliseconds(0)));
    EXPECT_FALSE(a->Wait(milliseconds(0)));
}

TEST(AutoResetEventRegistry, SetFromAnotherThreadWakesAWaiter) {
    auto e = AutoResetEvent::CreateOrOpen("TestEventThread");
    std::thread setter([&] { e->Set(); });
    EXPECT_TRUE(e->Wait(milliseconds(10000)));
    setter.join();
}

}  // namespace
}  // namespace halvex
