// The listener under a flood of datagrams from the bed's gateway namespace: valid, invalid,
// short, empty and oversized ones, 10,000 a second for 10 seconds. The link must keep
// listening, hand on what is valid, hold its memory and its peer list, and let a real
// acknowledgement end an upload wait on the dialog's thread while the flood goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>
#include <vector>

#include "TestBed.h"
#include "gateway/CSocketLink.h"
#include "gateway/GatewayParser.h"
#include "gateway/GatewayUpload.h"
#include "plugin/Codepage.h"
#include "plugin/ModuleState.h"

namespace halvex {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class CountingSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string& line) override {
        if (line.empty() || !IsValidUtf8(line))
            badLines++;
        searchResponses++;
    }
    void OnTransmitterReport(const Telegram& telegram) override {
        if (telegram[0] != 5)
            badTelegrams++;
        transmitterReports++;
    }
    std::atomic<uint64_t> searchResponses{0};
    std::atomic<uint64_t> transmitterReports{0};
    std::atomic<uint64_t> badLines{0};
    std::atomic<uint64_t> badTelegrams{0};
};

std::vector<uint8_t> Text(std::string_view text, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    std::copy_n(text.begin(), std::min(text.size(), size), bytes.begin());
    return bytes;
}

// The mix: every kind of datagram the listener can meet, none of them an acknowledgement.
std::vector<std::vector<uint8_t>> FloodMix() {
    std::vector<uint8_t> response = Text("DMX_SEARCH_RESPONSE", 82);
    response[20] = 198;
    response[21] = 18;
    response[23] = 2;
    response[24] = 0x20;
    std::copy_n("Stage", 5, response.begin() + 25);
    std::vector<uint8_t> report = Text("DMX_ENOCEAN_TRANSMITTER", 34);
    report[24] = 5;
    report[26] = 0x30;
    return {
        response,
        report,
        Text("DMX_SEARCH_RESPONSE", 19),     // keyword only: the rest reads as zero
        Text("DMX_UPLOAD_AC", 13),           // an acknowledgement cut short is none
        Text("DMX_ENOCEAN_TRANSMITTE", 22),  // cut inside the keyword
        Text("DMX_SEARCH_REQUEST", 18),      // a request, not for us
        Text("GARBAGE", 64),
        {},                                // empty
        {0xFF},                            // one byte
        std::vector<uint8_t>(244, 0xEE),   // exactly fills the receive buffer
        Text("DMX_SEARCH_RESPONSE", 245),  // one byte too long: dropped whole
        Text("DMX_UPLOAD_ACK", 1041),      // oversized acknowledgement: dropped
        std::vector<uint8_t>(8000, 0x41),  // far too long
    };
}

// Resident memory of this process in bytes.
size_t ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<size_t>(resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

bool SanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

class GatewayFlood : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_BED();
        ResetModuleState();
        Module().Events = &sink;
        Module().EnOceanRecordOpen = true;
        CGatewaySocketLink& link = Module().ListenLink;
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(true);
        ASSERT_TRUE(link.StartReceiver());
    }
    void TearDown() override {
        Module().ListenLink.Stop();
        ResetModuleState();
    }
    CountingSink sink;
};

TEST_F(GatewayFlood, ListenerSurvivesTenSecondsOfTenThousandDatagramsASecond) {
    constexpr int kSeconds = 10;
    constexpr int kPerSecond = 10000;
    constexpr int kBatch = 10;  // datagrams per millisecond
    const auto mix = FloodMix();
    std::array<int, 6> senders{};
    for (size_t i = 0; i < senders.size(); ++i) {
        senders[i] = GatewaySideSocket(std::array{kGateway1, kGateway2, kGateway3}[i % 3], 0);
        ASSERT_GE(senders[i], 0);
    }
    const int acker = GatewaySideSocket(kGateway1, 0);
    ASSERT_GE(acker, 0);

    std::atomic<bool> flooding{true};
    std::atomic<uint64_t> sent{0};
    std::thread flood([&] {
        const auto start = Clock::now();
        uint64_t n = 0;
        for (int batch = 0; batch < kSeconds * kPerSecond / kBatch; ++batch) {
            for (int i = 0; i < kBatch; ++i, ++n) {
                SendFrom(senders[n % senders.size()], kHostAddress, 4044, mix[n % mix.size()]);
            }
            sent = n;
            std::this_thread::sleep_until(start + milliseconds(batch + 1));
        }
        flooding = false;
    });

    // The dialog's thread meanwhile: upload waits, each pumping the dialog as it waits.
    std::this_thread::sleep_for(milliseconds(1000));
    const size_t residentEarly = ResidentBytes();
    int waits = 0;
    int acknowledged = 0;
    int firstTry = 0;
    Clock::duration longestPumpGap{};
    while (flooding) {
        auto lastPump = Clock::now();
        GatewayUploadTransport transport([&] {
            const auto now = Clock::now();
            longestPumpGap = std::max(longestPumpGap, now - lastPump);
            lastPump = now;
        });
        // Nothing in the flood acknowledges: a wait without a real acknowledgement times out.
        EXPECT_FALSE(transport.WaitAck(milliseconds(300)));
        // Then the gateway acknowledges. A datagram the kernel drops because the socket's
        // buffer is full cannot end a wait; the upload answers that by sending again, and the
        // gateway acknowledges each send, so the wait is retried as the upload does.
        bool ended = false;
        for (int attempt = 1; attempt <= 3 && !ended; ++attempt) {
            std::thread ack([&] {
                std::this_thread::sleep_for(milliseconds(100));
                SendFrom(acker, kHostAddress, 4044, Text("DMX_UPLOAD_ACK", 14));
            });
            lastPump = Clock::now();
            ended = transport.WaitAck(milliseconds(2000));
            ack.join();
            firstTry += ended && attempt == 1 ? 1 : 0;
        }
        acknowledged += ended ? 1 : 0;
        ++waits;
    }
    flood.join();
    const size_t residentLate = ResidentBytes();

    RecordProperty("waits", waits);
    RecordProperty("acknowledgedAtFirstSend", firstTry);
    RecordProperty("searchResponsesHandedOn", static_cast<int>(sink.searchResponses.load()));
    EXPECT_EQ(sent.load(), static_cast<uint64_t>(kSeconds * kPerSecond));
    EXPECT_GT(waits, 0);
    EXPECT_EQ(acknowledged, waits);
    // Liveness, not speed: the wait hands control back to the dialog every 20 ms; a gap of a
    // whole second would mean the flood had stalled the dialog's thread.
    EXPECT_LT(longestPumpGap, std::chrono::seconds(1));
    EXPECT_GT(sink.searchResponses.load(), 0u);
    EXPECT_GT(sink.transmitterReports.load(), 0u);
    EXPECT_EQ(sink.badLines.load(), 0u);
    EXPECT_EQ(sink.badTelegrams.load(), 0u);
    EXPECT_LE(Module().ListenLink.Peers().size(), senders.size() + 1);
    if (!SanitizedBuild()) {
        // Nothing is allocated per datagram; allow for the allocator's own slack.
        EXPECT_LT(residentLate, residentEarly + 8u * 1024 * 1024)
            << "resident " << residentEarly << " -> " << residentLate;
    }

    // Still listening after the flood: a fresh search response arrives.
    ASSERT_TRUE(Module().ListenLink.IsReceiving());
    const uint64_t before = sink.searchResponses.load();
    SendFrom(acker, kHostAddress, 4044, mix.front());
    EXPECT_TRUE(WaitUntil([&] { return sink.searchResponses.load() > before; }));
    for (int fd : senders)
        ::close(fd);
    ::close(acker);
}

// Regression: every new sender port used to add a peer-list entry for good, so a flood from
// many ports grew the list and made each receive walk all of it.
TEST_F(GatewayFlood, PeerListKeepsOnlyTheMostRecentSenders) {
    const int total = static_cast<int>(kMaxPeers) + 40;
    // Sockets bound with SO_REUSEADDR may share an ephemeral port: keep one per port.
    std::vector<int> senders;
    std::set<uint16_t> ports;
    while (senders.size() < static_cast<size_t>(total)) {
        const int fd = GatewaySideSocket(kGateway2, 0);
        ASSERT_GE(fd, 0);
        if (ports.insert(LocalPort(fd)).second) {
            senders.push_back(fd);
        } else {
            ::close(fd);
        }
    }
    const auto report = FloodMix()[1];
    for (int fd : senders) {
        const uint64_t before = sink.transmitterReports.load();
        ASSERT_TRUE(SendFrom(fd, kHostAddress, 4044, report));
        ASSERT_TRUE(WaitUntil([&] { return sink.transmitterReports.load() > before; }));
    }
    const auto peers = Module().ListenLink.Peers();
    ASSERT_EQ(peers.size(), kMaxPeers);
    // Oldest first: the first 40 senders are gone, the last one is at the end.
    auto port = [](const PeerAddress& p) { return static_cast<uint16_t>(p[2] << 8 | p[3]); };
    EXPECT_EQ(port(peers.front()), LocalPort(senders[40]));
    EXPECT_EQ(port(peers.back()), LocalPort(senders.back()));
    for (int fd : senders)
        ::close(fd);
}

}  // namespace
}  // namespace halvex
