// The upload as a front-end drives it: every decision of the flow, written as the sequence of
// what the dialog around it sees, over a fake transport.
#include <gtest/gtest.h>

#include "model/UploadFlow.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

const char* const kLine = "10.0.0.100 gw    Version: 2.1";

// What the dialog and the wire saw, in order; the first `acks` waits are acknowledged.
struct Wire {
    std::string log = {};
    std::vector<std::vector<uint8_t>> sent = {};
    int acks = 1000;
    bool opens = true;
    UploadFlow* flow = nullptr;
    void Log(const std::string& entry) { log += (log.empty() ? "" : " | ") + entry; }
};

// Each send also asks for a second upload, which the running one must ignore.
struct FakeTransport : UploadTransport {
    explicit FakeTransport(Wire& w) : wire(w) {}
    bool Open(const std::string& address) override {
        wire.Log("open " + address);
        return wire.opens;
    }
    void Send(ConstBytes d) override {
        wire.sent.emplace_back(d.begin(), d.end());
        const std::string head(d.begin(), d.begin() + std::min<size_t>(10, d.size()));
        wire.Log(head != "DMX-UPLOAD"
                     ? head
                     : "block " + std::to_string(d[11]) + "/" + std::to_string(d[12]) + " " +
                           std::to_string(d[13] | d[14] << 8));
        EXPECT_FALSE(wire.flow->Start(kLine, 0)) << "a second upload";
        wire.flow->Send({});  // nor does a second Send from inside the running one
    }
    bool WaitAck(std::chrono::milliseconds) override { return wire.acks-- > 0; }
    void Close() override {}
    Wire& wire;
};

// What goes wrong or is refused on the way.
enum Refusal : uint8_t { kNoHostName = 1, kNoLink = 2, kTooLarge = 4, kCancelled = 8 };

struct FlowCase {
    const char* name;
    std::string expected;
    std::optional<std::string> line = kLine;
    uint8_t lastOctet = 100;  // of the page's address 10.0.0.x
    int acks = 1000;
    uint8_t refusals = 0;
    size_t sceneListSize = 8;
    uint8_t language = 0;
    std::vector<uint8_t> rebuilt = {};  // what the rebuild turns the record into, if anything
};

const std::string kTo = "choose 10.0.0.100 | copy | ";
const std::string kOpen = kTo + "rebuild | open 10.0.0.100 | DMX-PREPAR | ";
const std::string kDone = "block 1/1 70 | DMX-START | tell Information: Upload done (i) | search";
const std::string kFailed = "tell Information: Upload failed (!) | search";
const std::string kAsk = "ask Attention: Really change IP-address of selected Gateway ? (!) | ";

// 8 + 2100 bytes: blocks of 1024, 1024 and 60.
std::vector<uint8_t> Grown() {
    std::vector<uint8_t> r(2200, 0x5A);
    r[0] = 2100 & 0xFF, r[1] = 2100 >> 8, r[16] = 10, r[19] = 100;
    return r;
}

const FlowCase kCases[] = {
    {"nothing selected", "not started", std::nullopt},
    {"no host name", "not started", kLine, 100, 1000, kNoHostName},
    {"firmware 1.x", "tell Attention: invalid Firmware", "10.0.0.100 gw    Version: 1.9"},
    {"German host", "tell Achtung: ung\xC3\xBClitge Firmware", "10.0.0.100 gw    Version: 1.0", 100,
     1000, 0, 8, 1},
    {"unchanged address", kOpen + kDone},
    {"address ending in 255", kTo + "tell Attention: Invalid IP-Address | rebuild | search", kLine,
     255},
    {"changed address, cancelled", kTo + kAsk + "rebuild | search", kLine, 99, 1000, kCancelled},
    {"changed address, confirmed", kTo + kAsk + "rebuild | open 10.0.0.100 | DMX-PREPAR | " + kDone,
     kLine, 254},
    {"short current address", "choose 10.0 | copy | rebuild | open 10.0 | DMX-PREPAR | " + kDone,
     "10.0 gw 2", 0},
    {"link does not open", kTo + "rebuild | open 10.0.0.100 | search", kLine, 100, 1000, kNoLink},
    {"record does not fit", kTo + "rebuild | search", kLine, 100, 1000, kTooLarge},
    {"image of 65536 bytes", kTo + "rebuild | search", kLine, 100, 1000, 0, 65536 - 62},
    {"image of 65535 bytes",
     kOpen + "block 1/64 1024 | block 1/64 1024 | block 1/64 1024 | " + kFailed, kLine, 100, 1, 0,
     65535 - 62},
    {"record grown by the rebuild, German host",
     kOpen + "block 1/3 1024 | block 2/3 1024 | block 3/3 60 | block 3/3 60 | block 3/3 60 | " +
         kFailed,
     kLine, 100, 3, 0, 8, 1, Grown()},
};

TEST(UploadFlow, DecisionsAndSequences) {
    for (const FlowCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> record(62, 0);
        record[0] = 62, record[16] = 10, record[19] = c.lastOctet;
        std::vector<uint8_t> sceneList(c.sceneListSize, 0);
        std::vector<std::string> progress;
        Wire wire{.acks = c.acks, .opens = (c.refusals & kNoLink) == 0};
        UploadFlow flow{{
            .hostNameKnown = [&] { return (c.refusals & kNoHostName) == 0; },
            .chooseGateway = [&](const std::string& a) { wire.Log("choose " + a); },
            .copySettings = [&] { wire.Log("copy"); },
            .rebuild =
                [&] {
                    wire.Log("rebuild");
                    if (!c.rebuilt.empty())
                        record = c.rebuilt;
                    return (c.refusals & kTooLarge) == 0;
                },
            .record = [&] { return ConstBytes(record); },
            .sceneList = [&] { return ConstBytes(sceneList); },
            .makeTransport = [&] { return std::make_unique<FakeTransport>(wire); },
        }};
        wire.flow = &flow;
        // Presses "Upload" and plays the front-end until the flow is idle again.
        if (!flow.Start(c.line, c.language))
            wire.Log("not started");
        while (flow.Stage() != UploadStage::Idle) {
            const UploadMessage& m = flow.Message();
            EXPECT_EQ(flow.InputsEnabled(), flow.Stage() != UploadStage::Send);
            EXPECT_EQ(flow.UploadEnabled(), m.text.find("Firmware") != std::string::npos);
            if (flow.Stage() == UploadStage::Send) {
                flow.Continue();  // nothing to answer while it sends
                flow.Send([&](const std::string& p) { progress.push_back(p); });
                continue;
            }
            const char* icon[] = {"", " (i)", " (!)"};
            const bool ask = flow.Stage() == UploadStage::Ask;
            wire.Log(flow.Stage() == UploadStage::SearchAgain
                         ? "search"
                         : (ask ? "ask " : "tell ") + m.caption + ": " + m.text +
                               icon[static_cast<int>(m.icon)]);
            flow.Continue(!ask || (c.refusals & kCancelled) == 0);
        }
        EXPECT_TRUE(flow.UploadEnabled());
        EXPECT_EQ(wire.log, c.expected);
        if (!c.rebuilt.empty()) {  // the image is read after the rebuild
            EXPECT_EQ(progress.back(), "Sende Block 3 von 3 (Paket 4 von 5), Wiederholung 2");
            EXPECT_EQ(wire.sent[3].back(), 0x5A);
            EXPECT_BYTES_EQ(ConstBytes(c.rebuilt).first(1016),
                            ConstBytes(wire.sent[1]).subspan(25));
        }
    }
}

}  // namespace
}  // namespace halvex
