// Search, transmitter reports, upload and live DMX output against halvex-gateway-sim in the
// bed's gateway namespace.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "TestBed.h"
#include "gateway/GatewayParser.h"
#include "gateway/GatewaySearch.h"
#include "gateway/GatewayUpload.h"
#include "plugin/DmxOutput.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;

class LockedSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string& line) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }
    void OnTransmitterReport(const Telegram& telegram) override {
        std::lock_guard lock(mutex_);
        telegrams_.push_back(telegram);
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::vector<Telegram> Telegrams() {
        std::lock_guard lock(mutex_);
        return telegrams_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<Telegram> telegrams_;
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
    void Listen() {
        CGatewaySocketLink& link = Module().ListenLink;
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(true);
        ASSERT_TRUE(link.StartReceiver());
    }
    void SelectGateway(const std::string& address) {
        std::lock_guard lock(Module().GatewayLock);
        Module().GatewayAddress = address;
    }
    LockedSink sink;
};

TEST_F(GatewayNet, SearchListsEveryGatewayAndIgnoresItsOwnRequest) {
    Listen();
    GatewaySim sim({"-g", "addr=198.18.0.2,name=Stage,version=Version: 2.1", "-g",
                    "addr=198.18.0.3,mac=00:0a:1b:2c:3d:4e,version=Version: 1.7", "-g",
                    "addr=198.18.0.4,name=Foyer,version="});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    SendSearchRequest();
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
    ASSERT_TRUE(WaitUntil([&] { return sink.Lines().size() >= 3; })) << sim.Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto lines = sink.Lines();
    EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()),
              (std::multiset<std::string>{"198.18.0.2 Stage    Version: 2.1",
                                          "198.18.0.3 00:0a:1b:2c:3d:4e    Version: 1.7",
                                          "198.18.0.4 Foyer"}));
}

TEST_F(GatewayNet, TransmitterReportsArriveOnlyWhileAnEnOceanRecordIsOpen) {
    Listen();
    Module().EnOceanRecordOpen = true;
    {
        GatewaySim sim({"-g", "addr=198.18.0.2", "--report", "05 30 00 00 00 10 01 02 0a 3b",
                        "--report-to", "198.18.0.1"});
        ASSERT_TRUE(sim.Ready()) << sim.Log();
        ASSERT_TRUE(WaitUntil([&] { return !sink.Telegrams().empty(); })) << sim.Log();
        EXPECT_EQ(sink.Telegrams()[0], (Telegram{5, 0x30, 0, 0, 0, 0x10, 1, 2, 0xA, 0x3B}));
    }
    Module().EnOceanRecordOpen = false;
    GatewaySim sim({"-g", "addr=198.18.0.2", "--report", "05 30 00 00 00 20 01 02 0a 3b",
                    "--report-to", "198.18.0.1"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(sink.Telegrams().size(), 1u);
}

TEST_F(GatewayNet, UploadReachesTheSimulatorWhole) {
    Listen();
    GatewaySim sim({"-g", "addr=198.18.0.2,ack=always", "-g", "addr=198.18.0.3,ack=never"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    std::vector<uint8_t> image(2148);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13 + 1);
    int pumps = 0;
    GatewayUploadTransport transport([&] { ++pumps; });
    std::vector<UploadProgress> progress;
    EXPECT_EQ(RunUpload(image, "198.18.0.2", transport,
                        [&](const UploadProgress& p) { progress.push_back(p); }),
              UploadResult::Done)
        << sim.Log();
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
    EXPECT_EQ(progress.size(), 5u) << "every packet acknowledged at its first send";
    ASSERT_TRUE(WaitUntil([&] { return sim.Bytes("image-198.18.0.2.bin").has_value(); }));
    EXPECT_BYTES_EQ(image, *sim.Bytes("image-198.18.0.2.bin"));
    EXPECT_FALSE(sim.Bytes("image-198.18.0.3.bin")) << "the other gateway saw nothing";
}

TEST_F(GatewayNet, SilentGatewayGetsBlockOneThreeTimesAndNoStart) {
    Listen();
    GatewaySim sim({"-g", "addr=198.18.0.2,ack=after:1"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    int pumps = 0;
    GatewayUploadTransport transport([&] { ++pumps; });
    EXPECT_EQ(RunUpload(std::vector<uint8_t>(100, 7), "198.18.0.2", transport, {}),
              UploadResult::Failed);
    EXPECT_GT(pumps, 10) << "the dialog was pumped while waiting";
    ASSERT_TRUE(WaitUntil([&] {
        const std::string log = sim.Log();
        size_t blocks = 0;
        for (size_t at = log.find("block 1/1"); at != std::string::npos;
             at = log.find("block 1/1", at + 1)) {
            ++blocks;
        }
        return blocks == 3;
    })) << sim.Log();
    EXPECT_EQ(sim.Log().find("start"), std::string::npos) << sim.Log();
}

class DmxOutputNet : public GatewayNet {
protected:
    static std::vector<uint8_t> Frame() {
        std::vector<uint8_t> frame(530);
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<uint8_t>(i + 0x20);
        return frame;
    }
    static std::vector<uint8_t> Record(uint8_t flagsB) {
        std::vector<uint8_t> record(62, 0);
        record[15] = flagsB;
        return record;
    }
    static void Send(std::vector<uint8_t>& frame, const std::vector<uint8_t>& record) {
        SendDmxFrame(frame.data(), record.data(), static_cast<uint16_t>(frame.size()));
    }
};

TEST_F(DmxOutputNet, ByteSixCarriesTheEnabledOutputs) {
    GatewaySim sim({"-g", "addr=198.18.0.2"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    SelectGateway("198.18.0.2");
    for (uint8_t flags : {uint8_t{0x40}, uint8_t{0xC0}, uint8_t{0x9F}}) {
        auto frame = Frame();
        Send(frame, Record(flags));
        auto expected = Frame();
        expected[6] = flags & 0xC0;
        EXPECT_BYTES_EQ(expected, frame);
        ASSERT_TRUE(WaitUntil([&] {
            return sim.Bytes("dmx-198.18.0.2.last") == std::optional(expected);
        })) << sim.Log();
    }
    EXPECT_EQ(sim.Count("dmx-198.18.0.2.count"), 3u);
    EXPECT_EQ(sim.Count("dmx-broadcast.count"), 0u);
}

TEST_F(DmxOutputNet, NoPreviewBitOrBadFrameSendsNothing) {
    GatewaySim sim({"-g", "addr=198.18.0.2"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    SelectGateway("198.18.0.2");
    auto frame = Frame();
    Send(frame, Record(0x3F));
    EXPECT_BYTES_EQ(Frame(), frame);
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
    const auto record = Record(0x40);
    std::vector<uint8_t> shortFrame(6, 0x55);
    SendDmxFrame(shortFrame.data(), record.data(), 6);
    EXPECT_EQ(shortFrame, std::vector<uint8_t>(6, 0x55));
    SendDmxFrame(nullptr, record.data(), 530);
    SendDmxFrame(frame.data(), nullptr, 530);
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(sim.Count("dmx-198.18.0.2.count"), 0u);
}

TEST_F(DmxOutputNet, WithoutASelectedGatewayFramesAreBroadcast) {
    GatewaySim sim({"-g", "addr=198.18.0.2", "-g", "addr=198.18.0.3"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    auto frame = Frame();
    Send(frame, Record(0x80));
    ASSERT_TRUE(WaitUntil([&] { return sim.Count("dmx-broadcast.count") == 1; })) << sim.Log();
    EXPECT_TRUE(WaitUntil([&] {
        return sim.Count("dmx-198.18.0.2.count") == 1 && sim.Count("dmx-198.18.0.3.count") == 1;
    }));
}

TEST_F(DmxOutputNet, DestinationSticksUntilTheLinkIsClosed) {
    GatewaySim sim({"-g", "addr=198.18.0.2", "-g", "addr=198.18.0.3"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    SelectGateway("198.18.0.2");
    auto frame = Frame();
    Send(frame, Record(0x40));
    SelectGateway("198.18.0.3");
    Send(frame, Record(0x40));
    ASSERT_TRUE(WaitUntil([&] { return sim.Count("dmx-198.18.0.2.count") == 2; })) << sim.Log();
    EXPECT_EQ(sim.Count("dmx-198.18.0.3.count"), 0u);
    SendSearchRequest();  // closes GatewayLink
    Send(frame, Record(0x40));
    ASSERT_TRUE(WaitUntil([&] { return sim.Count("dmx-198.18.0.3.count") == 1; })) << sim.Log();
    EXPECT_EQ(sim.Count("dmx-198.18.0.2.count"), 2u);
}

}  // namespace
}  // namespace halvex
