// Upload of the largest image (64 blocks) to halvex-gateway-sim against 66 bare
// request/acknowledge round trips on plain sockets, measured in the same run.
//
// Runs only inside the network test bed's host namespace:
//   tools/testbed.sh up && tools/testbed.sh exec host build/bench/bench_UploadBench
// Anywhere else the benchmarks skip; nothing is sent.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "gateway/GatewayUpload.h"
#include "plugin/ModuleState.h"

namespace {

constexpr uint32_t kHostAddress = 0xC6120001;     // 198.18.0.1
constexpr uint32_t kGatewayAddress = 0xC6120002;  // 198.18.0.2
constexpr uint16_t kGatewayPort = 4044;
constexpr int kPackets = 66;  // prepare, 64 blocks, start

bool InsideTestBed() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    bool host = false;
    bool foreign = false;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in a{};
        std::memcpy(&a, i->ifa_addr, sizeof a);
        const uint32_t address = ntohl(a.sin_addr.s_addr);
        host = host || address == kHostAddress;
        foreign = foreign || (address != kHostAddress && (address >> 24) != 127);
    }
    ::freeifaddrs(list);
    return host && !foreign;
}

// The simulator in the gateway namespace, for the whole run.
class Simulator {
public:
    Simulator() {
        const auto self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        const std::string sim = (self / "../tools/halvex-gateway-sim").lexically_normal();
        dir_ = std::filesystem::temp_directory_path() /
               ("hvx-upload-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        const std::string ready = dir_ + "/ready";
        pid_ = ::fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stdout);
            ::execlp("ip", "ip", "netns", "exec", "hvx-gw", sim.c_str(), "-g",
                     "addr=198.18.0.2,ack=always", "--out-dir", dir_.c_str(), "--ready-file",
                     ready.c_str(), "--duration", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500 && !ready_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ready_ = std::filesystem::exists(ready);
        }
    }
    ~Simulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    bool Ready() const { return ready_; }

private:
    std::string dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

Simulator* sim = nullptr;

const char* WhyNot() {
    if (!InsideTestBed())
        return "not inside the test bed (tools/testbed.sh exec host ...)";
    if (sim == nullptr || !sim->Ready())
        return "halvex-gateway-sim did not start";
    return nullptr;
}

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

void BareRoundTrips(benchmark::State& state) {
    if (const char* why = WhyNot()) {
        state.SkipWithError(why);
        return;
    }
    const int acks = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int out = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in local = Address(INADDR_ANY, kGatewayPort);
    const sockaddr_in gateway = Address(kGatewayAddress, kGatewayPort);
    if (::bind(acks, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(out, reinterpret_cast<const sockaddr*>(&gateway), sizeof gateway) != 0) {
        state.SkipWithError("cannot open the bare sockets");
        return;
    }
    const char prepare[] = "DMX-PREPAR";
    uint8_t buffer[64];
    for (auto _ : state) {
        for (int i = 0; i < kPackets; ++i) {
            ::send(out, prepare, 10, 0);
            pollfd p{acks, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0 || ::recv(acks, buffer, sizeof buffer, 0) < 0) {
                state.SkipWithError("no acknowledgement");
                break;
            }
        }
    }
    ::close(acks);
    ::close(out);
}

void Upload(benchmark::State& state) {
    if (const char* why = WhyNot()) {
        state.SkipWithError(why);
        return;
    }
    halvex::CGatewaySocketLink& listen = halvex::Module().ListenLink;
    if (!listen.OpenBound("4044", 2, 2, halvex::kOptionBroadcast)) {
        state.SkipWithError("cannot listen on 4044");
        return;
    }
    listen.SetAddressPrefixed(true);
    listen.StartReceiver();
    std::vector<uint8_t> image(65535);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i);
    halvex::GatewayUploadTransport transport;
    for (auto _ : state) {
        if (halvex::RunUpload(image, "198.18.0.2", transport, {}) != halvex::UploadResult::Done) {
            state.SkipWithError("upload failed");
            break;
        }
    }
    listen.Stop();
}

BENCHMARK(BareRoundTrips)->Unit(benchmark::kMillisecond);
BENCHMARK(Upload)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                real_[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (real_.count("BareRoundTrips") && real_.count("Upload") && real_["BareRoundTrips"] > 0) {
            std::printf("ratio Upload / 66 bare round trips = %.3f (target < 3)\n",
                        real_["Upload"] / real_["BareRoundTrips"]);
        }
    }

private:
    std::map<std::string, double> real_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::unique_ptr<Simulator> simulator;
    if (InsideTestBed()) {
        simulator = std::make_unique<Simulator>();
        sim = simulator.get();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
