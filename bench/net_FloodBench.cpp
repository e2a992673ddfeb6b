// The listener under a flood from the test bed's gateway namespace: valid, invalid, short, empty
// and oversized datagrams, 10,000 a second for 10 seconds (100,000 in all), while the dialog's
// thread runs upload waits. The link must keep listening, hand on only what is valid, hold its
// memory and its peer list, and let a real acknowledgement end each wait.
//
// Counters: waits; unacked (waits no acknowledgement ended within three sends) and false_acks
// (waits the flood ended), both target 0; gap_ms (longest time the dialog went unpumped; target
// < 1000); rss_growth_mb (target < 8, not checked under sanitizers); bad (invalid lines or
// telegrams handed on; target 0); peers (at most the 7 senders). A missed target is an error.
//
// Runs only inside the bed's host namespace (tools/testbed.sh exec host ...; scripts/bench.sh).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/Codepage.h"
#include "engine/ModuleState.h"
#include "engine/net/GatewayParser.h"
#include "engine/net/GatewayUpload.h"
#include "net/TestBed.h"

namespace {

using namespace halvex;
using namespace halvex::test;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSeconds = 10;
constexpr int kPerSecond = 10000;
constexpr int kBatch = 10;  // datagrams per millisecond

class CountingSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string& line) override {
        bad += line.empty() || !IsValidUtf8(line) ? 1 : 0;
        ++responses;
    }
    void OnTransmitterReport(const Telegram& telegram) override {
        bad += telegram[0] != 5 ? 1 : 0;
        ++reports;
    }
    std::atomic<uint64_t> responses{0};
    std::atomic<uint64_t> reports{0};
    std::atomic<uint64_t> bad{0};
};

std::vector<uint8_t> Text(std::string_view text, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    std::copy_n(text.begin(), std::min(text.size(), size), bytes.begin());
    return bytes;
}

// Every kind of datagram the listener can meet, none of them an acknowledgement.
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
        {},
        {0xFF},
        std::vector<uint8_t>(244, 0xEE),   // exactly fills the receive buffer
        Text("DMX_SEARCH_RESPONSE", 245),  // one byte too long: dropped whole
        Text("DMX_UPLOAD_ACK", 1041),      // oversized acknowledgement: dropped
        std::vector<uint8_t>(8000, 0x41),
    };
}

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

constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

void ListenerUnderFlood(benchmark::State& state) {
    if (const std::string why = WhyNotInTestBed(); !why.empty()) {
        state.SkipWithError(("network test bed: " + why).c_str());
        return;
    }
    CountingSink sink;
    ResetModuleState();
    Module().Events = &sink;
    Module().EnOceanRecordOpen = true;
    CGatewaySocketLink& link = Module().ListenLink;
    link.SetAddressPrefixed(true);
    const auto mix = FloodMix();
    std::array<int, 6> senders{};
    for (size_t i = 0; i < senders.size(); ++i)
        senders[i] = GatewaySideSocket(std::array{kGateway1, kGateway2, kGateway3}[i % 3]);
    const int acker = GatewaySideSocket(kGateway1);
    if (!link.OpenBound("4044", 2, 2, kOptionBroadcast) || !link.StartReceiver() || acker < 0 ||
        std::ranges::count(senders, -1) > 0) {
        state.SkipWithError("cannot listen on port 4044 or make the gateway-side sockets");
        return;
    }
    int waits = 0;
    int unacked = 0;
    int falseAcks = 0;
    Clock::duration longestGap{};
    size_t residentEarly = 0;
    for (auto _ : state) {
        std::atomic<bool> flooding{true};
        std::thread flood([&] {
            const auto start = Clock::now();
            uint64_t n = 0;
            for (int batch = 0; batch < kSeconds * kPerSecond / kBatch; ++batch) {
                for (int i = 0; i < kBatch; ++i, ++n)
                    SendFrom(senders[n % senders.size()], kHostAddress, 4044, mix[n % mix.size()]);
                std::this_thread::sleep_until(start + milliseconds(batch + 1));
            }
            flooding = false;
        });
        std::this_thread::sleep_for(milliseconds(1000));
        residentEarly = ResidentBytes();
        while (flooding) {
            auto lastPump = Clock::now();
            GatewayUploadTransport transport(ModuleGateway(), [&] {
                longestGap = std::max(longestGap, Clock::now() - lastPump);
                lastPump = Clock::now();
            });
            // Nothing in the flood acknowledges, so this wait times out.
            falseAcks += transport.WaitAck(milliseconds(300)) ? 1 : 0;
            // A real acknowledgement can be dropped by a full socket buffer; the upload answers
            // that by sending again, and the gateway acknowledges each send: up to three tries.
            bool ended = false;
            for (int attempt = 1; attempt <= 3 && !ended; ++attempt) {
                std::thread ack([&] {
                    std::this_thread::sleep_for(milliseconds(100));
                    SendFrom(acker, kHostAddress, 4044, Text("DMX_UPLOAD_ACK", 14));
                });
                lastPump = Clock::now();
                ended = transport.WaitAck(milliseconds(2000));
                ack.join();
            }
            unacked += ended ? 0 : 1;
            ++waits;
        }
        flood.join();
    }
    const double growthMb =
        (static_cast<double>(ResidentBytes()) - static_cast<double>(residentEarly)) / (1 << 20);
    const double gapMs = std::chrono::duration<double, std::milli>(longestGap).count();
    const size_t peers = link.Peers().size();
    state.counters["waits"] = waits;
    state.counters["unacked"] = unacked;
    state.counters["false_acks"] = falseAcks;
    state.counters["gap_ms"] = gapMs;
    state.counters["rss_growth_mb"] = growthMb;
    state.counters["responses"] = static_cast<double>(sink.responses.load());
    state.counters["reports"] = static_cast<double>(sink.reports.load());
    state.counters["bad"] = static_cast<double>(sink.bad.load());
    state.counters["peers"] = static_cast<double>(peers);
    std::string missed;
    auto target = [&](bool met, const std::string& what) { missed += met ? "" : " " + what; };
    target(link.IsReceiving(), "still listening");
    target(waits > 0 && unacked == 0 && falseAcks == 0, "every wait ended by its acknowledgement");
    target(gapMs < 1000, "gap_ms < 1000");
    target(sink.bad == 0 && sink.responses > 0 && sink.reports > 0, "only valid messages");
    target(peers <= senders.size() + 1, "peers <= 7");
    target(kSanitized || growthMb < 8, "rss_growth_mb < 8");
    link.Stop();
    for (int fd : senders)
        ::close(fd);
    ::close(acker);
    if (!missed.empty())
        state.SkipWithError(("missed:" + missed).c_str());
}
BENCHMARK(ListenerUnderFlood)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
