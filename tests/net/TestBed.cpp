#include "TestBed.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "gateway/CSocketLink.h"

namespace halvex::test {

namespace {
constexpr const char* kGatewayNamespace = "/run/netns/hvx-gw";
}

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
        if (address == kHostAddress) {
            hostAddress = true;
        } else if ((address >> 24) != 127) {
            foreign = i->ifa_name;
        }
    }
    ::freeifaddrs(list);
    if (!hostAddress)
        return "198.18.0.1 is no local address; run through ctest (tools/testbed.sh)";
    if (!foreign.empty())
        return "interface " + foreign + " leads outside the bed";
    char name[260];
    if (!LocalHostName(name, sizeof name) || ResolveAddress(name) != kHostAddress) {
        return "this host's name does not resolve to 198.18.0.1 (hosts file of hvx-host)";
    }
    if (::access(kGatewayNamespace, F_OK) != 0)
        return "the gateway namespace hvx-gw is missing";
    return {};
}

int GatewaySideSocket(uint32_t address, uint16_t port, bool broadcast) {
    int result = -1;
    // setns changes only the calling thread; the socket stays in the namespace it was made in.
    std::thread maker([&] {
        const int ns = ::open(kGatewayNamespace, O_RDONLY | O_CLOEXEC);
        if (ns < 0)
            return;
        const bool entered = ::setns(ns, CLONE_NEWNET) == 0;
        ::close(ns);
        if (!entered)
            return;
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (broadcast)
            ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(address);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd);
            return;
        }
        result = fd;
    });
    maker.join();
    return result;
}

std::optional<Received> ReceiveOn(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return std::nullopt;
    uint8_t buffer[4096];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n =
        ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0)
        return std::nullopt;
    return Received{{buffer, buffer + n}, ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
}

bool SendFrom(int fd, uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
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
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        ::execvp("ip", raw.data());
        ::_exit(127);
    }
    ready_ = pid_ > 0 && WaitUntil([&] { return std::filesystem::exists(dir_ + "/ready"); }, 5000);
}

GatewaySim::~GatewaySim() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string GatewaySim::Log() const {
    return Text("log.txt");
}

std::string GatewaySim::Text(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::optional<std::vector<uint8_t>> GatewaySim::Bytes(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

uint64_t GatewaySim::Count(const std::string& name) const {
    const std::string text = Text(name);
    return text.empty() ? 0 : std::stoull(text);
}

}  // namespace halvex::test
