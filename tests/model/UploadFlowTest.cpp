// The upload as a front-end drives it: every decision of the flow, written as the sequence of
// what the dialog around it sees, over a fake transport.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/UploadFlow.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

struct Bench;

// Logs what an upload sends; acknowledges the first `acks` waits. Each send also asks for a
// second upload, which the running one must ignore.
class FakeTransport : public UploadTransport {
public:
    explicit FakeTransport(Bench& bench) : bench_(bench) {}
    bool Open(const std::string& address) override;
    void Send(ConstBytes datagram) override;
    bool WaitAck(std::chrono::milliseconds) override;
    void Close() override {}

private:
    Bench& bench_;
};

struct Bench {
    std::vector<uint8_t> record = std::vector<uint8_t>(62, 0);
    std::vector<uint8_t> sceneList = {1, 2, 3, 4, 5, 6, 0, 0};
    std::vector<uint8_t> rebuilt;  // what the rebuild turns the record into, if anything
    bool hostName = true, fits = true, opens = true, answer = true;
    int acks = 1000;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::string> progress;
    std::string log;
    UploadFlow flow{{
        .hostNameKnown = [this] { return hostName; },
        .chooseGateway = [this](const std::string& a) { Log("choose " + a); },
        .copySettings = [this] { Log("copy"); },
        .rebuild =
            [this] {
                Log("rebuild");
                if (!rebuilt.empty())
                    record = rebuilt;
                return fits;
            },
        .record = [this] { return ConstBytes(record); },
        .sceneList = [this] { return ConstBytes(sceneList); },
        .makeTransport = [this] { return std::make_unique<FakeTransport>(*this); },
    }};

    void Log(const std::string& entry) { log += (log.empty() ? "" : " | ") + entry; }

    // Presses "Upload" and plays the front-end until the flow is idle again.
    std::string Upload(std::optional<std::string> line, uint8_t language = 0) {
        if (!flow.Start(line, language))
            return "not started";
        while (flow.Stage() != UploadStage::Idle) {
            const UploadMessage& m = flow.Message();
            const char* icon[] = {"", " (i)", " (!)"};
            const std::string text = m.caption + ": " + m.text + icon[static_cast<int>(m.icon)];
            EXPECT_EQ(flow.InputsEnabled(), flow.Stage() != UploadStage::Send);
            switch (flow.Stage()) {
                case UploadStage::Tell:
                    Log("tell " + text);
                    flow.Continue();
                    break;
                case UploadStage::Ask:
                    EXPECT_FALSE(flow.UploadEnabled());
                    Log("ask " + text);
                    flow.Continue(answer);
                    break;
                case UploadStage::Send:
                    EXPECT_FALSE(flow.UploadEnabled());
                    flow.Send([this](const std::string& p) { progress.push_back(p); });
                    break;
                case UploadStage::SearchAgain:
                    EXPECT_FALSE(flow.UploadEnabled());
                    Log("search");
                    flow.Continue();
                    break;
                case UploadStage::Idle:
                    break;
            }
        }
        EXPECT_TRUE(flow.UploadEnabled());
        return log;
    }
};

bool FakeTransport::Open(const std::string& address) {
    bench_.Log("open " + address);
    return bench_.opens;
}

void FakeTransport::Send(ConstBytes datagram) {
    bench_.sent.emplace_back(datagram.begin(), datagram.end());
    const std::string text(datagram.begin(),
                           datagram.begin() + std::min<size_t>(10, datagram.size()));
    bench_.Log(text == "DMX-UPLOAD"
                   ? "block " + std::to_string(datagram[11]) + "/" + std::to_string(datagram[12]) +
                         " " + std::to_string(datagram[13] | datagram[14] << 8)
                   : text);
    EXPECT_FALSE(bench_.flow.Start("10.0.0.100 gw    Version: 2.1", 0)) << "a second upload";
}

bool FakeTransport::WaitAck(std::chrono::milliseconds) {
    return bench_.acks-- > 0;
}

const char* const kLine = "10.0.0.100 gw    Version: 2.1";
const char* const kSent =
    "open 10.0.0.100 | DMX-PREPAR | block 1/1 70 | DMX-START | tell Information: Upload done (i)";

struct FlowCase {
    const char* name;
    std::optional<std::string> line;
    std::array<uint8_t, 4> pageAddress;
    std::string expected;
    void (*setUp)(Bench&) = nullptr;
    uint8_t language = 0;
    const char* lastProgress = nullptr;
};

const FlowCase kCases[] = {
    {"nothing selected", std::nullopt, {10, 0, 0, 100}, "not started"},
    {"no host name", kLine, {10, 0, 0, 100}, "not started", [](Bench& b) { b.hostName = false; }},
    {"firmware 1.x",
     "10.0.0.100 gw    Version: 1.9",
     {10, 0, 0, 100},
     "tell Attention: invalid Firmware"},
    {"unchanged address",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | " + std::string(kSent) + " | search"},
    {"address ending in 255",
     kLine,
     {192, 168, 1, 255},
     "choose 10.0.0.100 | copy | tell Attention: Invalid IP-Address | rebuild | search"},
    {"changed address, cancelled",
     kLine,
     {10, 0, 0, 101},
     "choose 10.0.0.100 | copy | ask Attention: Really change IP-address of selected Gateway ? (!) "
     "| rebuild | search",
     [](Bench& b) { b.answer = false; }},
    {"changed address, confirmed",
     kLine,
     {10, 0, 0, 101},
     "choose 10.0.0.100 | copy | ask Attention: Really change IP-address of selected Gateway ? (!) "
     "| rebuild | " +
         std::string(kSent) + " | search"},
    {"short current address",
     "10.0 gw 2",
     {10, 0, 0, 0},
     "choose 10.0 | copy | rebuild | open 10.0 | DMX-PREPAR | block 1/1 70 | DMX-START | tell "
     "Information: Upload done (i) | search"},
    {"no acknowledgement",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | open 10.0.0.100 | DMX-PREPAR | DMX-PREPAR | DMX-PREPAR "
     "| tell Information: Upload failed (!) | search",
     [](Bench& b) { b.acks = 0; }},
    {"block unacknowledged",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | open 10.0.0.100 | DMX-PREPAR | block 1/1 70 | block 1/1 "
     "70 | block 1/1 70 | tell Information: Upload failed (!) | search",
     [](Bench& b) { b.acks = 1; }},
    {"link does not open",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | open 10.0.0.100 | search",
     [](Bench& b) { b.opens = false; }},
    {"record does not fit",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | search",
     [](Bench& b) { b.fits = false; }},
    {"image of 65536 bytes",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | search",
     [](Bench& b) { b.sceneList.assign(65536 - 62, 0); }},
    {"image of 65535 bytes",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | open 10.0.0.100 | DMX-PREPAR | block 1/64 1024 | block "
     "1/64 1024 | block 1/64 1024 | tell Information: Upload failed (!) | search",
     [](Bench& b) {
         b.sceneList.assign(65535 - 62, 0);
         b.acks = 1;
     }},
    {"record grown by the rebuild, German host",
     kLine,
     {10, 0, 0, 100},
     "choose 10.0.0.100 | copy | rebuild | open 10.0.0.100 | DMX-PREPAR | block 1/3 1024 | block "
     "2/3 "
     "1024 | block 3/3 60 | block 3/3 60 | block 3/3 60 | tell Information: Upload failed (!) | "
     "search",
     [](Bench& b) {  // 8 + 2100 bytes: blocks of 1024, 1024 and 60, the last one unacknowledged
         b.rebuilt.assign(2200, 0x5A);
         b.rebuilt[0] = 2100 & 0xFF;
         b.rebuilt[1] = 2100 >> 8;
         b.rebuilt[16] = 10;
         b.rebuilt[19] = 100;
         b.acks = 3;
     },
     1,
     "Sende Block 3 von 3 (Paket 4 von 5), Wiederholung 2"},
    {"German host",
     "10.0.0.100 gw    Version: 1.0",
     {10, 0, 0, 100},
     "tell Achtung: ung\xC3\xBClitge Firmware",
     nullptr,
     1},
};

TEST(UploadFlow, DecisionsAndSequences) {
    for (const FlowCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.record[0] = 62;
        std::copy(c.pageAddress.begin(), c.pageAddress.end(), bench.record.begin() + 16);
        if (c.setUp)
            c.setUp(bench);
        EXPECT_EQ(bench.Upload(c.line, c.language), c.expected);
        if (c.lastProgress) {
            EXPECT_EQ(bench.progress.back(), c.lastProgress);
        }
        if (!bench.rebuilt.empty()) {  // the image is read after the rebuild
            EXPECT_EQ(bench.sent[3].back(), 0x5A);
            EXPECT_BYTES_EQ(ConstBytes(bench.rebuilt).first(1016),
                            ConstBytes(bench.sent[1]).subspan(25));
        }
    }
}

}  // namespace
}  // namespace halvex
