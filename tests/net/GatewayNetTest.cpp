// Search, transmitter reports, upload and live DMX output end to end, against
// halvex-gateway-sim in the bed's gateway namespace. The rules behind them (parsing, the upload
// sequence) are tested with a fake transport in the engine tests; this is what only real
// sockets, threads and addresses show.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "TestBed.h"
#include "engine/ModuleState.h"
#include "engine/net/DmxOutput.h"
#include "engine/net/GatewayParser.h"
#include "engine/net/GatewaySearch.h"
#include "engine/net/GatewayUpload.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;
using std::chrono::milliseconds;

class LockedSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string& line) override { lines.Add(line); }
    void OnTransmitterReport(const Telegram& telegram) override { telegrams.Add(telegram); }
    Locked<std::string> lines;
    Locked<Telegram> telegrams;
};

class GatewayNet : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_BED();
        ResetModuleState();
        Module().Events = &sink;
    }
    void TearDown() override {
        Module().ListenLink.Stop();
        Module().GatewayLink.Stop();
        ResetModuleState();
    }
    // ListenLink as the dialog opens it.
    static void Listen() {
        CGatewaySocketLink& link = Module().ListenLink;
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(true);
        ASSERT_TRUE(link.StartReceiver());
    }
    static void SelectGateway(const std::string& address) {
        std::lock_guard lock(Module().GatewayLock);
        Module().GatewayAddress = address;
    }
    LockedSink sink;
};

TEST_F(GatewayNet, SearchFindsEveryGatewayAndReportsArrive) {
    Listen();
    Module().EnOceanRecordOpen = true;
    GatewaySim sim({"-g", "addr=198.18.0.2,name=Stage,version=Version: 2.1", "-g",
                    "addr=198.18.0.3,mac=00:0a:1b:2c:3d:4e,version=Version: 1.7", "-g",
                    "addr=198.18.0.4,name=Foyer,version=", "--report",
                    "05 30 00 00 00 10 01 02 0a 3b", "--report-to", "198.18.0.1"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    ASSERT_TRUE(WaitUntil([&] { return !sink.telegrams.Get().empty(); })) << sim.Log();
    EXPECT_EQ(sink.telegrams.Get(),
              (std::vector{Telegram{5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B}}));
    SendSearchRequest(ModuleGateway());
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
    ASSERT_TRUE(WaitUntil([&] { return sink.lines.Get().size() >= 3; })) << sim.Log();
    std::this_thread::sleep_for(milliseconds(200));  // our own request must add nothing
    const auto lines = sink.lines.Get();
    EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()),
              (std::multiset<std::string>{"198.18.0.2 Stage    Version: 2.1",
                                          "198.18.0.3 00:0a:1b:2c:3d:4e    Version: 1.7",
                                          "198.18.0.4 Foyer"}));
}

struct UploadCase {
    size_t size;
    const char* gateway;
    UploadResult result;
    size_t sends;  // as the progress hears of them
};

TEST_F(GatewayNet, UploadsReachTheirGatewayWhole) {
    // .3 acknowledges the prepare only: block 1 goes three times, and no start. Where blocks
    // split is the engine's rule.
    const UploadCase cases[] = {{100, "198.18.0.2", UploadResult::Done, 3},
                                {65535, "198.18.0.2", UploadResult::Done, 66},
                                {100, "198.18.0.3", UploadResult::Failed, 4}};
    Listen();
    GatewaySim sim({"-g", "addr=198.18.0.2,ack=always", "-g", "addr=198.18.0.3,ack=after:1"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    for (const UploadCase& c : cases) {
        std::vector<uint8_t> image(c.size);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 13 + c.size);
        int pumps = 0;
        GatewayUploadTransport transport(ModuleGateway(), [&] { ++pumps; });
        size_t sends = 0;
        EXPECT_EQ(RunUpload(image, c.gateway, transport, [&](const UploadProgress&) { ++sends; }),
                  c.result)
            << c.size << " bytes\n"
            << sim.Log();
        EXPECT_EQ(sends, c.sends) << c.size << " bytes";
        EXPECT_FALSE(Module().GatewayLink.IsOpen());
        if (c.result == UploadResult::Done) {
            EXPECT_TRUE(WaitUntil([&] { return sim.Bytes("image-198.18.0.2.bin") == image; }))
                << c.size << " bytes";
        } else {
            EXPECT_GT(pumps, 10) << "the dialog is pumped while the upload waits";
        }
    }
    const std::string log = sim.Log();
    size_t blocks = 0;
    for (size_t at = 0; (at = log.find("198.18.0.3: block", at)) != std::string::npos; ++at)
        ++blocks;
    EXPECT_EQ(blocks, 3u) << "the failed upload's three sends, nothing of the others\n" << log;
    EXPECT_EQ(log.find("198.18.0.3: start"), std::string::npos) << log;
}

std::vector<uint8_t> Frame() {
    std::vector<uint8_t> frame(530);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i + 0x20);
    return frame;
}

// A record whose byte 15 holds `flags`: 0x40 previews on output 1, 0x80 on output 2.
std::vector<uint8_t> Record(uint8_t flags) {
    std::vector<uint8_t> record(62, 0);
    record[15] = flags;
    return record;
}

TEST_F(GatewayNet, DmxFramesCarryTheirOutputsToTheGatewayChosenAtOpen) {
    GatewaySim sim({"-g", "addr=198.18.0.2", "-g", "addr=198.18.0.3"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    auto frame = Frame();
    auto send = [&](uint8_t flags) {
        SendDmxFrame(frame.data(), Record(flags).data(), static_cast<uint16_t>(frame.size()),
                     ModuleGateway());
    };
    send(0x40);  // no gateway selected: broadcast, which both gateways hear
    SelectGateway("198.18.0.2");
    send(0x40);                          // the open link keeps its destination
    SendSearchRequest(ModuleGateway());  // closes GatewayLink
    // Byte 6 carries the record's preview bits; without one nothing is sent and no link opens.
    const std::pair<uint8_t, std::optional<uint8_t>> cases[] = {
        {0x3F, std::nullopt}, {0x40, 0x40}, {0xC0, 0xC0}, {0x9F, 0x80}};
    for (const auto& [flags, byteSix] : cases) {
        frame = Frame();
        send(flags);
        auto expected = Frame();
        expected[6] = byteSix.value_or(expected[6]);
        EXPECT_BYTES_EQ(expected, frame);
        EXPECT_EQ(Module().GatewayLink.IsOpen(), byteSix.has_value()) << int{flags};
        if (byteSix) {
            EXPECT_TRUE(WaitUntil([&] { return sim.Bytes("dmx-198.18.0.2.last") == expected; }))
                << int{flags};
        }
    }
    SelectGateway("198.18.0.3");
    send(0x40);  // still to .2
    // Bad input sends nothing and changes nothing.
    std::vector<uint8_t> shortFrame(6, 0x55);
    SendDmxFrame(shortFrame.data(), Record(0x40).data(), 6, ModuleGateway());
    EXPECT_EQ(shortFrame, std::vector<uint8_t>(6, 0x55));
    SendDmxFrame(nullptr, Record(0x40).data(), 530, ModuleGateway());
    SendDmxFrame(frame.data(), nullptr, 530, ModuleGateway());
    auto counts = [&] {
        return std::vector{sim.Count("dmx-broadcast.count"), sim.Count("dmx-198.18.0.2.count"),
                           sim.Count("dmx-198.18.0.3.count")};
    };
    const std::vector<uint64_t> expected = {2, 6, 2};
    EXPECT_TRUE(WaitUntil([&] { return counts() == expected; })) << sim.Log();
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(counts(), expected);
}

}  // namespace
}  // namespace halvex
