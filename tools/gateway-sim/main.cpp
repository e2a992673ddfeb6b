// halvex-gateway-sim: plays one or more gateways on UDP ports 4044 and 4042.
//
// Meant for the test bed's gateway namespace: it answers searches, acknowledges uploads by a
// policy, writes uploaded images and DMX frame counts to files, and can send EnOcean
// transmitter reports. It only ever sends to loopback or the test bed's 198.18.0.0/24.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <thread>

#include "SimulatedGateway.h"
#include "engine/net/GatewayProtocol.h"

namespace {

using namespace halvex;
using namespace halvex::sim;
namespace p = halvex::protocol;

std::atomic<bool> stopRequested{false};

void OnSignal(int) {
    stopRequested = true;
}

void Log(const std::string& line) {
    std::cout << "[sim] " << line << std::endl;
}

bool IsSafeDestination(uint32_t address) {
    return (address >> 24) == 127 || (address >> 8) == 0xC61200;  // 127/8, 198.18.0/24
}

bool IsBroadcast(uint32_t address) {
    return address == 0xFFFFFFFF || (address >> 8 == 0xC61200 && (address & 0xFF) == 0xFF);
}

int OpenPort(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Datagram {
    std::vector<uint8_t> bytes;
    uint32_t from = 0;  // host order
    uint16_t fromPort = 0;
    uint32_t to = 0;  // destination address of the IP header
};

bool ReceiveOne(int fd, Datagram& out) {
    uint8_t buffer[2048];
    alignas(cmsghdr) uint8_t control[256];
    sockaddr_in from{};
    iovec io{buffer, sizeof buffer};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &msg, 0);
    if (n < 0)
        return false;
    out.bytes.assign(buffer, buffer + n);
    out.from = ntohl(from.sin_addr.s_addr);
    out.fromPort = ntohs(from.sin_port);
    out.to = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            out.to = ntohl(info.ipi_addr.s_addr);
        }
    }
    return true;
}

// Sends from the gateway's own address, so several gateways can share one socket.
void SendFrom(int fd, uint32_t source, uint32_t destination, uint16_t port, ConstBytes data) {
    if (!IsSafeDestination(destination)) {
        Log("refusing to send to " + DottedAddress(destination) + ": outside the test bed");
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(destination);
    iovec io{const_cast<uint8_t*>(data.data()), data.size()};
    alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(source);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (::sendmsg(fd, &msg, 0) < 0)
        Log(std::string("send failed: ") + std::strerror(errno));
}

void WriteFile(const std::string& path, ConstBytes data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    // Write then rename, so a reader never sees half a file.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text << '\n';
    }
    std::rename(temporary.c_str(), path.c_str());
}

std::optional<std::vector<uint8_t>> ParseHex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string HexText(ConstBytes data) {
    std::string out;
    char b[4];
    for (uint8_t v : data) {
        std::snprintf(b, sizeof b, "%02x", v);
        out += b;
    }
    return out;
}

class Simulator {
public:
    Simulator(std::vector<SimulatedGateway> gateways, std::string outDir)
        : gateways_(std::move(gateways)), outDir_(std::move(outDir)) {}

    bool Open() {
        control_ = OpenPort(p::kGatewayPort);
        dmx_ = OpenPort(p::kDmxPort);
        return control_ >= 0 && dmx_ >= 0;
    }

    void SendReports(const std::vector<std::vector<uint8_t>>& telegrams, uint32_t to) {
        const SimulatedGateway& from = gateways_.front();
        for (const auto& telegram : telegrams) {
            std::vector<uint8_t> report(p::kReportTelegram, 0);
            std::copy(p::kTransmitterReport.begin(), p::kTransmitterReport.end(), report.begin());
            report.insert(report.end(), telegram.begin(), telegram.end());
            Log(from.Label() + ": transmitter report " + HexText(telegram) + " to " +
                DottedAddress(to));
            SendFrom(control_, from.Config().address, to, p::kGatewayPort, report);
        }
    }

    // Runs until the deadline; with a repeat interval the reports go out again every interval.
    void Run(std::chrono::steady_clock::time_point deadline,
             const std::vector<std::vector<uint8_t>>& telegrams, uint32_t reportTo,
             std::chrono::milliseconds repeat) {
        auto nextReport = std::chrono::steady_clock::now() + repeat;
        while (!stopRequested && std::chrono::steady_clock::now() < deadline) {
            if (repeat.count() > 0 && !telegrams.empty() &&
                std::chrono::steady_clock::now() >= nextReport) {
                SendReports(telegrams, reportTo);
                nextReport += repeat;
            }
            pollfd fds[2] = {{control_, POLLIN, 0}, {dmx_, POLLIN, 0}};
            if (::poll(fds, 2, 100) <= 0)
                continue;
            Datagram d;
            if ((fds[0].revents & POLLIN) && ReceiveOne(control_, d))
                OnControl(d);
            if ((fds[1].revents & POLLIN) && ReceiveOne(dmx_, d))
                OnDmx(d);
        }
    }

private:
    std::vector<SimulatedGateway*> Targets(uint32_t to) {
        std::vector<SimulatedGateway*> out;
        for (auto& g : gateways_) {
            if (IsBroadcast(to) || g.Config().address == to)
                out.push_back(&g);
        }
        return out;
    }

    std::string Path(const std::string& name) const { return outDir_ + "/" + name; }

    void OnControl(const Datagram& d) {
        const std::string origin = DottedAddress(d.from) + ":" + std::to_string(d.fromPort);
        const ConstBytes bytes(d.bytes);
        const std::string_view keyword = p::kSearchRequest;
        const bool search = bytes.size() == keyword.size() &&
                            std::memcmp(bytes.data(), keyword.data(), keyword.size()) == 0;
        const auto targets = Targets(d.to);
        if (targets.empty()) {
            Log("4044 datagram from " + origin + " to " + DottedAddress(d.to) + " for no gateway");
            return;
        }
        for (SimulatedGateway* g : targets) {
            if (search) {
                Log(g->Label() + ": search request from " + origin + ", answering");
                SendFrom(control_, g->Config().address, d.from, p::kGatewayPort,
                         g->SearchResponse());
                continue;
            }
            std::string what;
            const bool ack = g->OnUploadPacket(bytes, what);
            Log(g->Label() + ": " + what + " from " + origin + (ack ? ", ack" : ", no ack"));
            if (auto image = g->TakeFinishedImage()) {
                WriteFile(Path("image-" + g->Label() + ".bin"), *image);
                Log(g->Label() + ": image written to " + Path("image-" + g->Label() + ".bin"));
            }
            if (ack) {
                const std::string_view a = p::kUploadAck;
                SendFrom(control_, g->Config().address, d.from, p::kGatewayPort,
                         ConstBytes(reinterpret_cast<const uint8_t*>(a.data()), a.size()));
            }
        }
    }

    void OnDmx(const Datagram& d) {
        if (IsBroadcast(d.to))
            WriteText(Path("dmx-broadcast.count"), std::to_string(++broadcasts_));
        for (SimulatedGateway* g : Targets(d.to)) {
            g->OnDmxFrame(d.bytes);
            WriteFile(Path("dmx-" + g->Label() + ".last"), g->LastDmxFrame());
            WriteText(Path("dmx-" + g->Label() + ".count"), std::to_string(g->DmxFrames()));
            if (g->DmxFrames() <= 3 || g->DmxFrames() % 100 == 0) {
                Log(g->Label() + ": DMX frame " + std::to_string(g->DmxFrames()) + " of " +
                    std::to_string(d.bytes.size()) + " bytes from " + DottedAddress(d.from) +
                    (IsBroadcast(d.to) ? " (broadcast)" : ""));
            }
        }
    }

    std::vector<SimulatedGateway> gateways_;
    std::string outDir_;
    int control_ = -1;
    int dmx_ = -1;
    uint64_t broadcasts_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Simulated Halvex gateways on UDP 4044 (control) and 4042 (DMX)"};
    app.set_version_flag("--version", std::string("halvex-gateway-sim ") + HALVEX_VERSION);
    std::vector<std::string> options;
    std::string outDir = ".";
    std::string readyFile;
    std::vector<std::string> reports;
    std::string reportTo;
    double duration = 60;
    app.add_option("-g,--gateway", options,
                   "addr=A[,report=A][,name=N|mac=aa:bb:cc:dd:ee:ff][,version=TEXT]"
                   "[,ack=always|never|after:N|noblocks]")
        ->required();
    app.add_option("-o,--out-dir", outDir, "where images and DMX counts are written");
    app.add_option("--ready-file", readyFile, "created once the ports are bound");
    app.add_option("--report", reports, "EnOcean telegram (10 bytes hex) to report at start");
    app.add_option("--report-to", reportTo, "address the reports go to (port 4044)");
    double reportInterval = 0;
    app.add_option("--report-interval", reportInterval,
                   "seconds between repeated reports (0: only at start)");
    app.add_option("--duration", duration, "seconds before the simulator stops by itself");
    CLI11_PARSE(app, argc, argv);

    std::vector<SimulatedGateway> gateways;
    for (const auto& option : options) {
        std::string error;
        auto config = ParseGatewayOption(option, error);
        if (!config) {
            std::cerr << "halvex-gateway-sim: --gateway " << option << ": " << error << '\n';
            return 2;
        }
        gateways.emplace_back(*config);
    }
    std::vector<std::vector<uint8_t>> telegrams;
    for (const auto& r : reports) {
        auto t = ParseHex(r);
        if (!t || t->size() != p::kTelegramSize) {
            std::cerr << "halvex-gateway-sim: --report needs 10 bytes of hex: " << r << '\n';
            return 2;
        }
        telegrams.push_back(*t);
    }
    uint32_t reportAddress = 0;
    if (!telegrams.empty()) {
        in_addr a{};
        if (::inet_pton(AF_INET, reportTo.c_str(), &a) != 1) {
            std::cerr << "halvex-gateway-sim: --report needs --report-to ADDRESS\n";
            return 2;
        }
        reportAddress = ntohl(a.s_addr);
    }

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    Simulator sim(std::move(gateways), outDir);
    if (!sim.Open()) {
        std::cerr << "halvex-gateway-sim: cannot bind UDP 4044 and 4042: " << std::strerror(errno)
                  << '\n';
        return 1;
    }
    for (const auto& option : options)
        Log("gateway " + option);
    Log("listening on 4044 and 4042");
    if (!readyFile.empty())
        WriteText(readyFile, "ready");
    if (!telegrams.empty())
        sim.SendReports(telegrams, reportAddress);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int64_t>(duration * 1000));
    sim.Run(deadline, telegrams, reportAddress,
            std::chrono::milliseconds(static_cast<int64_t>(reportInterval * 1000)));
    Log("stopped");
    return 0;
}
