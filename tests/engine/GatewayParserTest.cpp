// Datagrams from gateways: search responses, transmitter reports and upload acknowledgements,
// and what the dialog does with a learnt telegram.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/net/AutoResetEvent.h"
#include "engine/net/GatewayParser.h"
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

std::vector<uint8_t> Ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

// A search response as a gateway sends it: keyword, one spare byte, address at 20, marker at
// 24, then name or MAC, version text at 48; 82 bytes.
std::vector<uint8_t> Response(std::vector<uint8_t> address, uint8_t marker,
                              std::vector<uint8_t> nameOrMac, std::string_view version) {
    std::vector<uint8_t> d = Ascii("DMX_SEARCH_RESPONSE");
    d.push_back(0);
    d.insert(d.end(), address.begin(), address.end());
    d.push_back(marker);
    d.insert(d.end(), nameOrMac.begin(), nameOrMac.end());
    d.resize(48, 0);
    d.insert(d.end(), version.begin(), version.end());
    d.resize(std::max<size_t>(d.size(), 82), 0);
    return d;
}

std::vector<uint8_t> Report(std::vector<uint8_t> telegram) {
    std::vector<uint8_t> d = Ascii("DMX_ENOCEAN_TRANSMITTER\x99");  // byte 23 not interpreted
    d.insert(d.end(), telegram.begin(), telegram.end());
    return d;
}

TEST(SearchResponse, LineForTheGatewayList) {
    auto noTerminators = Response({1, 2, 3, 4}, 0x20, Ascii("ABCDEFGHIJKLMNOPQRSTXYZ"),
                                  "Version:abcdefghijklmnopqrstuvwxyz!");
    noTerminators.resize(83);
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {Response({192, 168, 1, 20}, 0x20, Ascii("GW"), "Version: 2.1"),
         "192.168.1.20 GW    Version: 2.1"},
        {Response({192, 168, 1, 20}, 0, {0, 10, 27, 44, 61, 78}, ""),
         "192.168.1.20 00:0a:1b:2c:3d:4e"},
        {Response({10, 0, 0, 1}, 0x20, Ascii("Hall"), "version: 2.0"), "10.0.0.1 Hall"},
        {Response({10, 0, 0, 1}, 0x20, Ascii("Hall"), "Versio"), "10.0.0.1 Hall"},
        // Name and version stop at their field ends (20 and 34 bytes) without a terminator.
        {noTerminators, "1.2.3.4 ABCDEFGHIJKLMNOPQRST    Version:abcdefghijklmnopqrstuvwxyz"},
        {Response({1, 2, 3, 4}, 0x20, {'B', 0xFC, 'h', 'n', 'e'}, ""), "1.2.3.4 B\xC3\xBChne"},
        // A short response reads the missing bytes as zero.
        {Ascii(std::string_view("DMX_SEARCH_RESPONSE\0\x0A", 21)), "10.0.0.0 00:00:00:00:00:00"},
        {Ascii("DMX_SEARCH_RESPONS"), ""},
        {{}, ""},
    };
    for (const auto& [datagram, line] : cases)
        EXPECT_EQ(SearchResponseLine(datagram), line);
}

TEST(SearchResponse, EqualLinesIgnoreCaseOnly) {
    EXPECT_TRUE(
        SameGatewayLine("10.0.0.7 Stage    Version: 2.0", "10.0.0.7 STAGE    Version: 2.0"));
    EXPECT_FALSE(
        SameGatewayLine("10.0.0.7 Stage    Version: 2.0", "10.0.0.7 Stage    Version: 2.1"));
    EXPECT_FALSE(SameGatewayLine("10.0.0.7 Stage", "10.0.0.7 Stage "));
}

class GatewayParser : public ::testing::Test {
protected:
    void SetUp() override { event->Reset(); }
    void Parse(const std::vector<uint8_t>& d) {
        ParseGatewayMessage(d.data(), static_cast<uint32_t>(d.size()), PeerAddress{}, target,
                            learn);
    }
    CollectingSink sink;
    GatewayEventSink* target = &sink;
    bool learn = false;
    std::shared_ptr<AutoResetEvent> event = AutoResetEvent::CreateOrOpen("UploadEvent");
};

TEST_F(GatewayParser, EachKeywordReachesItsReceiverOnly) {
    const auto response = Response({10, 0, 0, 7}, 0x20, Ascii("Stage"), "");
    Parse(response);
    Parse(response);
    EXPECT_EQ(sink.lines, (std::vector<std::string>(2, "10.0.0.7 Stage")));
    for (const char* other : {"DMX_SEARCH_REQUEST", "DMX_UPLOAD_AC", "",
                              "dmx_search_response and more bytes than a response has..........."})
        Parse(Ascii(other));
    ParseGatewayMessage(nullptr, 40, PeerAddress{}, nullptr, true);
    const uint8_t byte = 'D';
    ParseGatewayMessage(&byte, 0, PeerAddress{}, nullptr, true);
    // Transmitter reports only while an EnOcean record is open; a short one pads with zero.
    Parse(Report({5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B}));
    EXPECT_EQ(sink.lines.size(), 2u);
    EXPECT_TRUE(sink.telegrams.empty());
    EXPECT_FALSE(event->IsSet());
    learn = true;
    Parse(Report({5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B}));
    Parse(Report({5, 0x30, 7}));
    EXPECT_EQ(sink.telegrams, (std::vector<Telegram>{{5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B},
                                                     {5, 0x30, 7, 0, 0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(*TransmitterReportTelegram(Report({5})), (Telegram{5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(TransmitterReportTelegram(response).has_value());
    target = nullptr;  // nobody listens: dropped
    Parse(response);
    EXPECT_EQ(sink.lines.size(), 2u);
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

TEST(AutoResetEvent, SameNameSameEventAndOneWaiterPerSignal) {
    auto a = AutoResetEvent::CreateOrOpen("TestEventA");
    auto c = AutoResetEvent::CreateOrOpen("TestEventC");
    EXPECT_EQ(a.get(), AutoResetEvent::CreateOrOpen("TestEventA").get());
    EXPECT_NE(a.get(), c.get());
    a->Set();
    a->Set();
    EXPECT_FALSE(c->Wait(milliseconds(0)));
    EXPECT_TRUE(a->Wait(milliseconds(0)));
    EXPECT_FALSE(a->Wait(milliseconds(0)));
    std::thread setter([&] { c->Set(); });
    EXPECT_TRUE(c->Wait(milliseconds(10000)));
    setter.join();
}

TEST(Transmitter, ReportTextLabelAndLearning) {
    // ID and data are little-endian u32: ID bytes 01 02 0A 3B are 0x3b0a0201.
    const Telegram t{0x05, 0x30, 0x00, 0x00, 0x00, 0x70, 0x01, 0x02, 0x0A, 0x3B};
    EXPECT_EQ(TransmitterReportText(t), "Transmitter: 0x5 0x30 0x0 0x0 0x0 0x70 0x1 0x2 0xa 0x3b ");
    EXPECT_EQ(TransmitterItemLabel(t), "ID:0x3b0a0201 ORG:0x5 Data:0x70000000 Status:0x30");
    // Only rocker telegrams with data, each once, into the telegram field of a row.
    std::array<uint8_t, 70000> table;
    table.fill(0xEE);
    uint16_t count = 0;
    const auto rocker = [](uint8_t data, uint8_t status = 0x30, uint8_t org = 5) {
        return Telegram{org, status, data, 0, 0, 0, 1, 2, 3, 4};
    };
    EXPECT_FALSE(AddTelegram(table, count, rocker(0)));              // no data
    EXPECT_FALSE(AddTelegram(table, count, rocker(0x70, 0x30, 6)));  // not a rocker switch
    EXPECT_EQ(AddTelegram(table, count, rocker(0x70)), 0);
    EXPECT_FALSE(AddTelegram(table, count, rocker(0x70)));
    EXPECT_EQ(AddTelegram(table, count, rocker(0x70, 0x20)), 1);  // other status: own row
    EXPECT_EQ(count, 2);
    std::vector<uint8_t> expected(70, 0xEE);  // name bytes 0-59 untouched
    const uint8_t telegram[] = {5, 0x30, 0x70, 0, 0, 0, 1, 2, 3, 4};
    std::memcpy(expected.data() + 60, telegram, 10);
    EXPECT_BYTES_EQ(expected, std::vector<uint8_t>(table.begin(), table.begin() + 70));
    EXPECT_EQ(table[70 + 61], 0x20);
    for (uint16_t i = 2; i < 1000; ++i) {
        const Telegram next{
            5, 0x30, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0, 1, 9, 9, 9, 9};
        ASSERT_EQ(AddTelegram(table, count, next), i);
    }
    // Not the 1001st, and a damaged count never leads past the table.
    EXPECT_FALSE(AddTelegram(table, count, Telegram{5, 0x30, 0xFF, 0xFF, 0, 1, 9, 9, 9, 9}));
    EXPECT_EQ(count, 1000);
    count = 1200;
    EXPECT_FALSE(AddTelegram(table, count, Telegram{5, 0x30, 0xFE, 0xFF, 0, 1, 9, 9, 9, 9}));
}

}  // namespace
}  // namespace halvex
