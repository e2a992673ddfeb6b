// Live DMX output per frame against a bare send() of the same bytes on a connected UDP socket.
//
// Both send to 127.0.0.1:4042, where this program holds a socket that takes the frames, so
// nothing leaves the machine: GatewayAddress is set to 127.0.0.1 before the first frame and the
// library never broadcasts. The frame path must stay within 1.2 x the bare send and allocate
// nothing; operator new is counted to show it.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "engine/ModuleState.h"
#include "engine/net/DmxOutput.h"

namespace {
std::atomic<uint64_t> allocations{0};
}

// The replaced global operators below pair malloc with free themselves; GCC cannot see that
// and warns when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr uint16_t kDmxPort = 4042;
constexpr size_t kFrameSize = 530;

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The socket that takes both benchmarks' frames on 127.0.0.1:4042.
int Sink() {
    static const int fd = [] {
        const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in local = Loopback(kDmxPort);
        if (s >= 0 && ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            ::close(s);
            return -1;
        }
        return s;
    }();
    return fd;
}

std::vector<uint8_t> Frame() {
    std::vector<uint8_t> frame(kFrameSize);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i);
    return frame;
}

void BareSend(benchmark::State& state) {
    if (Sink() < 0) {
        state.SkipWithError("127.0.0.1:4042 is taken");
        return;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in remote = Loopback(kDmxPort);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        state.SkipWithError("cannot connect a UDP socket to 127.0.0.1:4042");
        return;
    }
    auto frame = Frame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(::send(fd, frame.data(), frame.size(), 0));
    }
    ::close(fd);
}

void SendDmxFrame(benchmark::State& state) {
    if (Sink() < 0) {
        state.SkipWithError("127.0.0.1:4042 is taken");
        return;
    }
    halvex::ModuleState& module = halvex::Module();
    {
        std::lock_guard lock(module.GatewayLock);
        module.GatewayAddress = "127.0.0.1";
    }
    auto frame = Frame();
    uint8_t record[62] = {};
    record[15] = 0x40;
    const halvex::GatewayAccess gateway = halvex::ModuleGateway();
    halvex::SendDmxFrame(frame.data(), record, kFrameSize, gateway);  // opens the link once
    if (!module.GatewayLink.IsOpen()) {
        state.SkipWithError("GatewayLink did not open towards 127.0.0.1:4042");
        return;
    }
    const uint64_t before = allocations.load();
    for (auto _ : state) {
        halvex::SendDmxFrame(frame.data(), record, kFrameSize, gateway);
    }
    state.counters["allocs_per_call"] = benchmark::Counter(
        static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
}

BENCHMARK(BareSend);
BENCHMARK(SendDmxFrame);

// Prints the frame path's time as a ratio of the bare send measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                real_[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpu_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // CPU time is the steadier measure on a shared machine; wall time is shown beside it.
        if (cpu_.count("BareSend") && cpu_.count("SendDmxFrame") && cpu_["BareSend"] > 0 &&
            real_["BareSend"] > 0) {
            std::printf("ratio SendDmxFrame / BareSend = %.3f cpu, %.3f real (target <= 1.2)\n",
                        cpu_["SendDmxFrame"] / cpu_["BareSend"],
                        real_["SendDmxFrame"] / real_["BareSend"]);
        }
    }

private:
    std::map<std::string, double> real_;
    std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
