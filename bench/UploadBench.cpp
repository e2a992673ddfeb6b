// Upload of a 64-block image to the gateway simulator, measured against 66 bare
// request/acknowledge round trips (the same number of packets) over the same link, in the
// same run. The counter "ratio" is upload time / round-trip time; the target is at most 3.
//
// It runs only inside the network test bed, with a simulator answering at 198.18.0.2
// (another address of 198.18.0.0/24 can be given in HALVEX_BENCH_GATEWAY):
//   tools/testbed.sh up
//   tools/testbed.sh exec gateway build/tools/halvex-gateway-sim -g addr=198.18.0.2 --duration 300
//   & tools/testbed.sh exec host build/bench/bench_UploadBench
// Anywhere else it reports why and sends nothing.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "engine/ModuleState.h"
#include "engine/net/GatewayProtocol.h"
#include "engine/net/GatewayUpload.h"

namespace {

using namespace halvex;
using Clock = std::chrono::steady_clock;
namespace p = halvex::protocol;

// Prepare, 64 blocks and start: 66 packets, as many as the baseline's round trips.
constexpr size_t kImageSize = 64 * 1024 - 100;
constexpr int kPackets = 66;

std::string GatewayAddress() {
    const char* address = std::getenv("HALVEX_BENCH_GATEWAY");
    return address != nullptr ? address : "198.18.0.2";
}

bool InTestBedRange(uint32_t address) {
    return (address >> 8) == 0xC61200;
}  // 198.18.0/24

// The gateway must lie in the test bed and be reached through it: connecting a datagram
// socket sends nothing but picks the route, whose source address must be the bed's too.
std::string WhyNotInTestBed(const std::string& gateway) {
    in_addr target{};
    if (::inet_pton(AF_INET, gateway.c_str(), &target) != 1)
        return gateway + " is no IPv4 address";
    if (!InTestBedRange(ntohl(target.s_addr)))
        return gateway + " lies outside 198.18.0.0/24";
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return "no socket";
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(p::kGatewayPort);
    to.sin_addr = target;
    sockaddr_in local{};
    socklen_t size = sizeof local;
    const bool routed = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0;
    ::close(fd);
    if (!routed || !InTestBedRange(ntohl(local.sin_addr.s_addr))) {
        return "not inside the test bed's host namespace (run it with 'tools/testbed.sh exec "
               "host')";
    }
    return {};
}

void UploadVersusRoundTrips(benchmark::State& state) {
    const std::string gateway = GatewayAddress();
    if (const std::string why = WhyNotInTestBed(gateway); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    // The dialog's transport: with a pump it waits in short slices, as the page runs it.
    const bool pumped = state.range(0) != 0;
    GatewayUploadTransport transport(ModuleGateway(),
                                     pumped ? std::function<void()>([] {}) : nullptr);
    std::vector<uint8_t> image(kImageSize);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    const std::string prepare(p::kPrepare);
    const ConstBytes request(reinterpret_cast<const uint8_t*>(prepare.data()), prepare.size());

    double baselineSeconds = 0;
    double uploadSeconds = 0;
    for (auto _ : state) {
        if (!transport.Open(gateway)) {
            state.SkipWithError("GatewayLink did not open");
            break;
        }
        const auto start = Clock::now();
        bool answered = true;
        for (int i = 0; i < kPackets && answered; ++i) {
            transport.Send(request);
            answered = transport.WaitAck(std::chrono::milliseconds(p::kUploadAckTimeoutMs));
        }
        const auto middle = Clock::now();
        transport.Close();
        if (!answered) {
            state.SkipWithError("no acknowledgement: is the simulator running at the gateway?");
            break;
        }
        const UploadResult result = RunUpload(image, gateway, transport, {});
        const auto end = Clock::now();
        if (result != UploadResult::Done) {
            state.SkipWithError("the upload did not complete");
            break;
        }
        const double baseline = std::chrono::duration<double>(middle - start).count();
        const double upload = std::chrono::duration<double>(end - middle).count();
        baselineSeconds += baseline;
        uploadSeconds += upload;
        state.SetIterationTime(upload);
    }
    if (baselineSeconds > 0) {
        state.counters["round_trips_ms"] =
            benchmark::Counter(baselineSeconds * 1000, benchmark::Counter::kAvgIterations);
        state.counters["ratio"] = uploadSeconds / baselineSeconds;
    }
}
BENCHMARK(UploadVersusRoundTrips)
    ->ArgName("pump")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Acknowledgements arrive on ListenLink, whose parser signals the upload's event.
    ModuleState& m = Module();
    m.ListenLink.SetAddressPrefixed(true);
    const bool listening = WhyNotInTestBed(GatewayAddress()).empty() &&
                           m.ListenLink.OpenBound(std::string(p::kGatewayService), p::kFamily,
                                                  p::kType, kOptionBroadcast) &&
                           m.ListenLink.StartReceiver();
    if (!listening)
        std::cerr << "bench_UploadBench: not listening on port 4044\n";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    m.ListenLink.Stop();
    return 0;
}
