#include "TestBed.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "engine/net/CSocketLink.h"

namespace halvex::test {

namespace {
constexpr const char* kGatewayNamespace = "/run/netns/hvx-gw";

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}
}  // namespace

std::string WhyNotInTestBed() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return "cannot list interfaces";
    bool hostAddress = false;
    std::string foreign;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in a{};
        std::memcpy(&a, i->ifa_addr, sizeof a);
        const uint32_t address = ntohl(a.sin_addr.s_addr);
        hostAddress = hostAddress || address == kHostAddress;
        if (address != kHostAddress && (address >> 24) != 127)
            foreign = i->ifa_name;
    }
    ::freeifaddrs(list);
    if (!hostAddress)
        return "198.18.0.1 is no local address; run through ctest (tools/testbed.sh)";
    if (!foreign.empty())
        return "interface " + foreign + " leads outside the bed";
    char name[260];
    if (!LocalHostName(name, sizeof name) || ResolveAddress(name) != kHostAddress)
        return "this host's name does not resolve to 198.18.0.1 (hosts file of hvx-host)";
    if (::access(kGatewayNamespace, F_OK) != 0)
        return "the gateway namespace hvx-gw is missing";
    return {};
}

int GatewaySideSocket(uint32_t address, uint16_t port) {
    int result = -1;
    // setns changes only the calling thread; the socket stays in the namespace it was made in.
    std::thread maker([&] {
        const int ns = ::open(kGatewayNamespace, O_RDONLY | O_CLOEXEC);
        const bool entered = ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0;
        if (ns >= 0)
            ::close(ns);
        const int fd = entered ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
        const int on = 1;
        const sockaddr_in local = Address(address, port);
        if (fd >= 0 && (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
                        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)) {
            ::close(fd);
            return;
        }
        result = fd;
    });
    maker.join();
    return result;
}

std::vector<uint8_t> Heard(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    uint8_t buffer[4096];
    const ssize_t n = ::poll(&p, 1, timeoutMs) > 0 ? ::recv(fd, buffer, sizeof buffer, 0) : -1;
    return n < 0 ? std::vector<uint8_t>{} : std::vector<uint8_t>(buffer, buffer + n);
}

bool SendFrom(int fd, uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes) {
    const sockaddr_in to = Address(address, port);
    return ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
}

uint16_t LocalPort(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

GatewaySim::GatewaySim(std::vector<std::string> args) {
    char pattern[] = "/tmp/hvx-sim-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        return;
    dir_ = pattern;
    std::vector<std::string> argv = {
        "ip",        "netns", "exec",         "hvx-gw",        HALVEX_GATEWAY_SIM,
        "--out-dir", dir_,    "--ready-file", dir_ + "/ready", "--duration",
        "60"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int log = ::open((dir_ + "/log.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execvp("ip", raw.data());
        ::_exit(127);
    }
    ready_ = pid_ > 0 && WaitUntil([&] { return std::filesystem::exists(dir_ + "/ready"); }, 5000);
}

GatewaySim::~GatewaySim() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    if (!dir_.empty())
        std::filesystem::remove_all(dir_, ignored);
}

std::optional<std::vector<uint8_t>> GatewaySim::Bytes(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string GatewaySim::Text(const std::string& name) const {
    const auto bytes = Bytes(name).value_or(std::vector<uint8_t>{});
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

uint64_t GatewaySim::Count(const std::string& name) const {
    const std::string text = Text(name);
    return text.empty() ? 0 : std::stoull(text);
}

}  // namespace halvex::test
