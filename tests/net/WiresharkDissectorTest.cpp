// The Wireshark dissector in tools/wireshark/halvex.lua, checked on a real capture: tshark
// records the gateway namespace's veth while the engine searches, uploads and sends DMX to
// halvex-gateway-sim, then decodes the capture with the dissector.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "TestBed.h"
#include "gateway/GatewayParser.h"
#include "gateway/GatewaySearch.h"
#include "gateway/GatewayUpload.h"
#include "plugin/DmxOutput.h"
#include "plugin/ModuleState.h"

namespace halvex {
namespace {

using namespace test;

const char* const kDissector = HALVEX_SOURCE_DIR "/tools/wireshark/halvex.lua";

// The fields the test reads, in the column order of Decode().
const std::vector<std::string> kFields = {"halvex.message",
                                          "halvex.response.address",
                                          "halvex.response.name",
                                          "halvex.response.mac",
                                          "halvex.response.version",
                                          "halvex.block.number",
                                          "halvex.block.count",
                                          "halvex.block.length",
                                          "halvex.transmitter.org",
                                          "halvex.transmitter.status",
                                          "halvex.transmitter.data",
                                          "halvex.transmitter.id",
                                          "halvex.dmx.outputs",
                                          "halvex.dmx.out1",
                                          "halvex.dmx.out2",
                                          "halvex.dmx.length",
                                          "udp.dstport",
                                          "_ws.expert.message"};

using Row = std::map<std::string, std::string>;

std::string FindTshark() {
    std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
    std::string folder;
    while (std::getline(path, folder, ':')) {
        const std::string candidate = folder + "/tshark";
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

class CountingSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string&) override {
        std::lock_guard lock(mutex_);
        ++responses_;
    }
    void OnTransmitterReport(const Telegram&) override {}
    int Responses() {
        std::lock_guard lock(mutex_);
        return responses_;
    }

private:
    std::mutex mutex_;
    int responses_ = 0;
};

// tshark capturing UDP 4044 and 4042 on the gateway side of the veth pair.
class Capture {
public:
    Capture(const std::string& tshark, const std::string& dir)
        : file_(dir + "/capture.pcapng"), log_(dir + "/tshark.log") {
        pid_ = ::fork();
        if (pid_ == 0) {
            std::freopen(log_.c_str(), "w", stderr);
            std::freopen("/dev/null", "w", stdout);
            ::execlp("ip", "ip", "netns", "exec", "hvx-gw", tshark.c_str(), "-i", "hvx-g0", "-f",
                     "udp port 4044 or udp port 4042", "-w", file_.c_str(), nullptr);
            ::_exit(127);
        }
        // dumpcap writes the file's header once the interface is open and the filter set;
        // tshark's own "Capturing on" comes earlier and would lose the first datagrams.
        started_ = pid_ > 0 && WaitUntil([&] { return (header_ = Size()) > 0; }, 10000);
    }
    ~Capture() { Stop(); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool Started() const { return started_; }
    std::string File() const { return file_; }
    std::string Log() const {
        std::ifstream in(log_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Waits until dumpcap has written what it received: it hands packets over in batches, so
    // the file grows past its header and then stays put.
    void Settle() const {
        uintmax_t last = 0;
        int steady = 0;
        WaitUntil(
            [&] {
                const uintmax_t size = Size();
                steady = size == last && size > header_ ? steady + 1 : 0;
                last = size;
                return steady >= 60;  // 600 ms without growth
            },
            5000);
    }
    // Ends the capture and waits until tshark has closed the file.
    void Stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGINT);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    uintmax_t Size() const {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(file_, error);
        return error ? 0 : size;
    }

    std::string file_;
    std::string log_;
    uintmax_t header_ = 0;
    pid_t pid_ = -1;
    bool started_ = false;
};

// Every packet of the capture as the dissector decodes it, one row of named fields each.
std::vector<Row> Decode(const std::string& tshark, const std::string& file) {
    std::string command = tshark + " -X lua_script:" + kDissector + " -r " + file +
                          " -T fields -E separator=/t -E occurrence=f";
    for (const auto& field : kFields)
        command += " -e " + field;
    command += " 2>/dev/null";
    std::vector<Row> rows;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return rows;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        Row row;
        std::istringstream columns(text);
        std::string value;
        for (const auto& field : kFields) {
            std::getline(columns, value, '\t');
            row[field] = value;
        }
        rows.push_back(row);
    }
    ::pclose(pipe);
    return rows;
}

std::vector<Row> RowsOf(const std::vector<Row>& rows, const std::string& message) {
    std::vector<Row> out;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(out),
                 [&](const Row& r) { return r.at("halvex.message") == message; });
    return out;
}

std::string Dump(const std::vector<Row>& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (const auto& field : kFields)
            out += row.at(field) + "|";
        out += "\n";
    }
    return out;
}

class WiresharkDissector : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_BED();
        tshark = FindTshark();
        if (tshark.empty())
            GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh installs it)";
        char pattern[] = "/tmp/hvx-capture-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ResetModuleState();
        Module().Events = &sink;
    }
    void TearDown() override {
        Module().ListenLink.Stop();
        Module().GatewayLink.Stop();
        ResetModuleState();
        if (!dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }
    std::string tshark;
    std::string dir;
    CountingSink sink;
};

TEST_F(WiresharkDissector, DecodesEveryMessageOfASearchUploadAndPreview) {
    Capture capture(tshark, dir);
    ASSERT_TRUE(capture.Started()) << capture.Log();

    CGatewaySocketLink& listen = Module().ListenLink;
    ASSERT_TRUE(listen.OpenBound("4044", 2, 2, kOptionBroadcast));
    listen.SetAddressPrefixed(true);
    ASSERT_TRUE(listen.StartReceiver());
    {
        GatewaySim sim({"-g", "addr=198.18.0.2,name=Stage,version=Version: 2.1", "-g",
                        "addr=198.18.0.3,mac=00:0a:1b:2c:3d:4e,version=Version: 1.7", "-g",
                        "addr=198.18.0.4,name=Foyer,version=", "--report",
                        "05 30 00 00 00 10 01 02 0a 3b", "--report-to", "198.18.0.1"});
        ASSERT_TRUE(sim.Ready()) << sim.Log();

        SendSearchRequest();
        ASSERT_TRUE(WaitUntil([&] { return sink.Responses() >= 3; })) << sim.Log();

        // 1500 bytes: block 1 carries 1024, block 2 the remaining 476.
        GatewayUploadTransport transport;
        ASSERT_EQ(RunUpload(std::vector<uint8_t>(1500, 0xA5), "198.18.0.2", transport, {}),
                  UploadResult::Done)
            << sim.Log();

        {
            std::lock_guard lock(Module().GatewayLock);
            Module().GatewayAddress = "198.18.0.2";
        }
        std::vector<uint8_t> frame(530, 0x11);
        std::vector<uint8_t> record(62, 0);
        record[15] = 0xE0;  // both preview outputs and three-level addresses
        SendDmxFrame(frame.data(), record.data(), static_cast<uint16_t>(frame.size()));
        ASSERT_TRUE(WaitUntil([&] { return sim.Count("dmx-198.18.0.2.count") == 1; })) << sim.Log();
    }
    capture.Settle();
    capture.Stop();

    const auto rows = Decode(tshark, capture.File());
    const std::string all = Dump(rows);
    ASSERT_FALSE(rows.empty()) << capture.Log();
    for (const auto& row : rows)
        EXPECT_NE(row.at("halvex.message"), "") << "undecoded datagram\n" << all;
    EXPECT_TRUE(RowsOf(rows, "Unknown").empty()) << all;

    EXPECT_EQ(RowsOf(rows, "Search request").size(), 1u) << all;

    const auto responses = RowsOf(rows, "Search response");
    ASSERT_EQ(responses.size(), 3u) << all;
    const auto byName = std::find_if(responses.begin(), responses.end(), [](const Row& r) {
        return r.at("halvex.response.address") == "198.18.0.2";
    });
    ASSERT_NE(byName, responses.end()) << all;
    EXPECT_EQ(byName->at("halvex.response.name"), "Stage");
    EXPECT_EQ(byName->at("halvex.response.version"), "Version: 2.1");
    EXPECT_EQ(byName->at("halvex.response.mac"), "");
    const auto byMac = std::find_if(responses.begin(), responses.end(), [](const Row& r) {
        return r.at("halvex.response.address") == "198.18.0.3";
    });
    ASSERT_NE(byMac, responses.end()) << all;
    EXPECT_EQ(byMac->at("halvex.response.mac"), "00:0a:1b:2c:3d:4e");
    EXPECT_EQ(byMac->at("halvex.response.name"), "");
    EXPECT_EQ(byMac->at("halvex.response.version"), "Version: 1.7");
    const auto unversioned = std::find_if(responses.begin(), responses.end(), [](const Row& r) {
        return r.at("halvex.response.address") == "198.18.0.4";
    });
    ASSERT_NE(unversioned, responses.end()) << all;
    EXPECT_EQ(unversioned->at("halvex.response.name"), "Foyer");
    EXPECT_EQ(unversioned->at("halvex.response.version"), "") << "no \"Version:\" tag, no field";

    EXPECT_EQ(RowsOf(rows, "Prepare upload").size(), 1u) << all;
    const auto blocks = RowsOf(rows, "Upload block");
    ASSERT_EQ(blocks.size(), 2u) << all;
    EXPECT_EQ(blocks[0].at("halvex.block.number"), "1");
    EXPECT_EQ(blocks[0].at("halvex.block.count"), "2");
    EXPECT_EQ(blocks[0].at("halvex.block.length"), "1024");
    EXPECT_EQ(blocks[1].at("halvex.block.number"), "2");
    EXPECT_EQ(blocks[1].at("halvex.block.count"), "2");
    EXPECT_EQ(blocks[1].at("halvex.block.length"), "476");
    EXPECT_EQ(RowsOf(rows, "Start").size(), 1u) << all;
    EXPECT_EQ(RowsOf(rows, "Upload acknowledgement").size(), 4u)
        << "prepare, two blocks and start each acknowledged once\n"
        << all;

    const auto reports = RowsOf(rows, "Transmitter report");
    ASSERT_EQ(reports.size(), 1u) << all;
    EXPECT_EQ(reports[0].at("halvex.transmitter.org"), "0x05");
    EXPECT_EQ(reports[0].at("halvex.transmitter.status"), "0x30");
    EXPECT_EQ(reports[0].at("halvex.transmitter.data"), "0x10000000");
    EXPECT_EQ(reports[0].at("halvex.transmitter.id"), "0x3b0a0201");

    const auto frames = RowsOf(rows, "DMX frame");
    ASSERT_EQ(frames.size(), 1u) << all;
    EXPECT_EQ(frames[0].at("udp.dstport"), "4042");
    EXPECT_EQ(frames[0].at("halvex.dmx.outputs"), "0xc0");
    EXPECT_EQ(frames[0].at("halvex.dmx.out1"), "1");
    EXPECT_EQ(frames[0].at("halvex.dmx.out2"), "1");
    EXPECT_EQ(frames[0].at("halvex.dmx.length"), "530");
}

// Sends `bytes` from the bed's host side to the first gateway address, port `port`.
void SendToGateway(uint16_t port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(kGateway1);
    EXPECT_EQ(::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                       sizeof to),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

std::string BlockHeader(uint8_t number, uint8_t count, uint32_t length) {
    std::string header = "DMX-UPLOAD";
    header += '\0';
    header += static_cast<char>(number);
    header += static_cast<char>(count);
    for (int shift = 0; shift < 32; shift += 8)
        header += static_cast<char>((length >> shift) & 0xFF);
    return header;
}

TEST_F(WiresharkDissector, FlagsMalformedDatagrams) {
    Capture capture(tshark, dir);
    ASSERT_TRUE(capture.Started()) << capture.Log();
    SendToGateway(4044, "DMX-UPL");                                         // no keyword
    SendToGateway(4044, "DMX-UPLOAD" + std::string(1, '\0'));               // header cut short
    SendToGateway(4044, BlockHeader(1, 1, 100) + std::string(10, 'x'));     // 10 of 100 bytes
    SendToGateway(4044, BlockHeader(3, 2, 4) + "abcd");                     // block 3 of 2
    SendToGateway(4044, BlockHeader(1, 2, 1100) + std::string(1100, 'y'));  // oversized
    SendToGateway(4044, "DMX_SEARCH_RESPONSE" + std::string(3, '\0'));      // no address
    SendToGateway(4042, std::string(5, '\x11'));  // frame without its outputs byte
    SendToGateway(4042, std::string(10, '\0'));   // frame that names no output
    capture.Settle();
    capture.Stop();

    const auto rows = Decode(tshark, capture.File());
    const std::string all = Dump(rows);
    ASSERT_EQ(rows.size(), 8u) << all << capture.Log();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Unknown", ""},
        {"Upload block", "Message shorter than its fixed fields"},
        {"Upload block", "Data length field disagrees with the bytes carried"},
        {"Upload block", "Block number outside 1..count"},
        {"Upload block", "Block carries more than 1024 data bytes"},
        {"Search response", "Message shorter than its fixed fields"},
        {"DMX frame", "Message shorter than its fixed fields"},
        {"DMX frame", "Frame names no preview output (the plug-in never sends such a frame)"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rows[i].at("halvex.message"), expected[i].first) << "datagram " << i << "\n"
                                                                   << all;
        EXPECT_EQ(rows[i].at("_ws.expert.message"), expected[i].second) << "datagram " << i;
    }
}

}  // namespace
}  // namespace halvex
