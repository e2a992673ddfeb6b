// One simulated gateway: what it reports to a search, how it acknowledges an upload, and what
// it has received (the uploaded image, the DMX frames).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/record/Bytes.h"

namespace halvex::sim {

enum class AckPolicy { Always, Never, StopAfter, NoBlocks };

struct GatewayConfig {
    uint32_t address = 0;        // bound address, host order
    uint32_t reportAddress = 0;  // address put into search responses
    std::optional<std::string> name;
    std::optional<std::array<uint8_t, 6>> mac;
    std::string version = "Version: 2.1";
    AckPolicy policy = AckPolicy::Always;
    int ackLimit = 0;  // StopAfter: acknowledgements given before going silent
};

// Parses "addr=A[,report=A][,name=N|,mac=aa:bb:cc:dd:ee:ff][,version=TEXT][,ack=POLICY]",
// POLICY being always, never, after:N or noblocks. Sets `error` and returns nullopt on failure.
std::optional<GatewayConfig> ParseGatewayOption(const std::string& option, std::string& error);

std::string DottedAddress(uint32_t address);

class SimulatedGateway {
public:
    explicit SimulatedGateway(GatewayConfig config);

    const GatewayConfig& Config() const { return config_; }
    std::string Label() const { return DottedAddress(config_.address); }

    std::vector<uint8_t> SearchResponse() const;

    // Handles an upload packet ("DMX-PREPAR", "DMX-UPLOAD", "DMX-START"); true when the policy
    // lets it acknowledge. `log` receives one line about the packet.
    bool OnUploadPacket(ConstBytes datagram, std::string& log);

    // The reassembled image once "DMX-START" completed it, taken once.
    std::optional<std::vector<uint8_t>> TakeFinishedImage();

    void OnDmxFrame(ConstBytes frame);
    uint64_t DmxFrames() const { return dmxFrames_; }
    const std::vector<uint8_t>& LastDmxFrame() const { return lastFrame_; }

private:
    bool MayAcknowledge(bool isBlock);

    GatewayConfig config_;
    int acksGiven_ = 0;
    int blockCount_ = 0;
    std::vector<std::optional<std::vector<uint8_t>>> blocks_;
    std::optional<std::vector<uint8_t>> finished_;
    uint64_t dmxFrames_ = 0;
    std::vector<uint8_t> lastFrame_;
};

}  // namespace halvex::sim
