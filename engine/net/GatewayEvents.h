// Where decoded gateway messages go.
//
// The parser runs on the receive thread; a sink must never block it on the user interface:
// the dialog's sink posts to its own thread, tests collect into a list.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace halvex {

using Telegram = std::array<uint8_t, 10>;  // ORG, status, u32 data, u32 ID as received

class GatewayEventSink {
public:
    virtual ~GatewayEventSink() = default;
    // A search response, as the line the gateway list shows.
    virtual void OnSearchResponse(const std::string& line) = 0;
    // A transmitter report while an EnOcean record is open.
    virtual void OnTransmitterReport(const Telegram& telegram) = 0;
};

}  // namespace halvex
