#include "SimulatedGateway.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "engine/net/GatewayProtocol.h"

namespace halvex::sim {

namespace p = protocol;

namespace {

bool ParseAddress(const std::string& text, uint32_t& out) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1)
        return false;
    out = ntohl(a.s_addr);
    return true;
}

bool ParseMac(const std::string& text, std::array<uint8_t, 6>& out) {
    unsigned v[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                    &tail) != 6) {
        return false;
    }
    for (size_t i = 0; i < 6; ++i) {
        if (v[i] > 0xFF)
            return false;
        out[i] = static_cast<uint8_t>(v[i]);
    }
    return true;
}

bool StartsWith(ConstBytes data, std::string_view keyword) {
    return data.size() >= keyword.size() &&
           std::memcmp(data.data(), keyword.data(), keyword.size()) == 0;
}

}  // namespace

std::string DottedAddress(uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::optional<GatewayConfig> ParseGatewayOption(const std::string& option, std::string& error) {
    GatewayConfig config;
    bool haveAddress = false;
    bool haveReport = false;
    std::stringstream parts(option);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const auto eq = part.find('=');
        if (eq == std::string::npos) {
            error = "expected key=value in '" + part + "'";
            return std::nullopt;
        }
        const std::string key = part.substr(0, eq);
        const std::string value = part.substr(eq + 1);
        if (key == "addr") {
            haveAddress = ParseAddress(value, config.address);
            if (!haveAddress)
                error = "bad address '" + value + "'";
        } else if (key == "report") {
            haveReport = ParseAddress(value, config.reportAddress);
            if (!haveReport)
                error = "bad report address '" + value + "'";
        } else if (key == "name") {
            config.name = value;
        } else if (key == "mac") {
            std::array<uint8_t, 6> mac{};
            if (!ParseMac(value, mac))
                error = "bad MAC address '" + value + "'";
            config.mac = mac;
        } else if (key == "version") {
            config.version = value;
        } else if (key == "ack") {
            if (value == "always") {
                config.policy = AckPolicy::Always;
            } else if (value == "never") {
                config.policy = AckPolicy::Never;
            } else if (value == "noblocks") {
                config.policy = AckPolicy::NoBlocks;
            } else if (value.starts_with("after:")) {
                config.policy = AckPolicy::StopAfter;
                config.ackLimit = std::atoi(value.c_str() + 6);
            } else {
                error = "unknown ack policy '" + value + "'";
            }
        } else {
            error = "unknown key '" + key + "'";
        }
        if (!error.empty())
            return std::nullopt;
    }
    if (!haveAddress) {
        error = "a gateway needs addr=";
        return std::nullopt;
    }
    if (!haveReport)
        config.reportAddress = config.address;
    if (!config.name && !config.mac)
        config.name = "GW-" + std::to_string(config.address & 0xFF);
    return config;
}

SimulatedGateway::SimulatedGateway(GatewayConfig config) : config_(std::move(config)) {}

std::vector<uint8_t> SimulatedGateway::SearchResponse() const {
    std::vector<uint8_t> out(p::kResponseSize, 0);
    MutableBytes bytes(out);
    std::copy(p::kSearchResponse.begin(), p::kSearchResponse.end(), out.begin());
    for (size_t i = 0; i < 4; ++i) {
        WriteU8(bytes, p::kResponseAddress + i,
                static_cast<uint8_t>(config_.reportAddress >> (24 - 8 * i)));
    }
    if (config_.mac) {
        WriteU8(bytes, p::kResponseMarker, 0);
        WriteBytes(bytes, p::kResponseMac, *config_.mac);
    } else {
        WriteU8(bytes, p::kResponseMarker, p::kNameMarker);
        const std::string& name = *config_.name;
        const size_t n = std::min(name.size(), p::kResponseNameSize);
        WriteBytes(bytes, p::kResponseName,
                   ConstBytes(reinterpret_cast<const uint8_t*>(name.data()), n));
    }
    const size_t n = std::min(config_.version.size(), p::kResponseVersionSize);
    WriteBytes(bytes, p::kResponseVersion,
               ConstBytes(reinterpret_cast<const uint8_t*>(config_.version.data()), n));
    return out;
}

bool SimulatedGateway::MayAcknowledge(bool isBlock) {
    bool ack = false;
    switch (config_.policy) {
        case AckPolicy::Always:
            ack = true;
            break;
        case AckPolicy::Never:
            break;
        case AckPolicy::StopAfter:
            ack = acksGiven_ < config_.ackLimit;
            break;
        case AckPolicy::NoBlocks:
            ack = !isBlock;
            break;
    }
    if (ack)
        ++acksGiven_;
    return ack;
}

bool SimulatedGateway::OnUploadPacket(ConstBytes datagram, std::string& log) {
    if (StartsWith(datagram, p::kPrepare)) {
        blocks_.clear();
        blockCount_ = 0;
        finished_.reset();
        log = "prepare";
        return MayAcknowledge(false);
    }
    if (StartsWith(datagram, p::kUpload)) {
        const auto number = ReadU8(datagram, p::kBlockNumber);
        const auto count = ReadU8(datagram, p::kBlockCount);
        const auto length = ReadU32(datagram, p::kBlockDataLength);
        const auto data =
            length ? Slice(datagram, p::kBlockHeaderSize, *length) : std::optional<ConstBytes>();
        if (!number || !count || !data || *number == 0 || *number > *count) {
            log = "malformed block (" + std::to_string(datagram.size()) + " bytes), ignored";
            return false;
        }
        if (blockCount_ != *count) {
            blockCount_ = *count;
            blocks_.assign(*count, std::nullopt);
        }
        blocks_[*number - 1U] = std::vector<uint8_t>(data->begin(), data->end());
        log = "block " + std::to_string(*number) + "/" + std::to_string(*count) + ", " +
              std::to_string(*length) + " bytes";
        return MayAcknowledge(true);
    }
    if (StartsWith(datagram, p::kStart)) {
        const bool complete =
            blockCount_ > 0 && std::all_of(blocks_.begin(), blocks_.end(),
                                           [](const auto& b) { return b.has_value(); });
        if (complete) {
            std::vector<uint8_t> image;
            for (const auto& b : blocks_)
                image.insert(image.end(), b->begin(), b->end());
            log = "start, image of " + std::to_string(image.size()) + " bytes complete";
            finished_ = std::move(image);
        } else {
            log = "start without a complete image";
        }
        return MayAcknowledge(false);
    }
    log = "unknown packet of " + std::to_string(datagram.size()) + " bytes, ignored";
    return false;
}

std::optional<std::vector<uint8_t>> SimulatedGateway::TakeFinishedImage() {
    auto image = std::move(finished_);
    finished_.reset();
    return image;
}

void SimulatedGateway::OnDmxFrame(ConstBytes frame) {
    ++dmxFrames_;
    lastFrame_.assign(frame.begin(), frame.end());
}

}  // namespace halvex::sim
