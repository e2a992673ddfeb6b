// Decoding of the datagrams gateways send to port 4044, and the pure helpers around them.
//
// ParseGatewayMessage runs on ListenLink's receive thread: it touches no window, hands
// search responses and transmitter reports to the sink it is given and signals "UploadEvent"
// directly. The helpers below are what the dialog's sink calls on its own thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/net/CSocketLink.h"
#include "engine/net/GatewayEvents.h"
#include "engine/record/Bytes.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

// Handles one datagram payload (after the sender prefix). Bytes a short datagram lacks are
// read as zero; a payload that starts with no known keyword is ignored.
// `sink` receives search responses and, when `learnTransmitters`, transmitter reports; null
// when nobody listens.
void ParseGatewayMessage(const uint8_t* payload, uint32_t length, const PeerAddress& sender,
                         GatewayEventSink* sink, bool learnTransmitters);

// The gateway list line of a search response: "a.b.c.d name" or "a.b.c.d 00:0a:1b:2c:3d:4e",
// followed by four spaces and "Version:..." when the response carries a version. UTF-8.
// Empty when the payload is no search response.
std::string SearchResponseLine(ConstBytes payload);

// The telegram of a transmitter report; nullopt when the payload is no such report.
std::optional<Telegram> TransmitterReportTelegram(ConstBytes payload);

// "Transmitter: 0x5 0x30 ... " - each telegram byte in lower-case hex, each followed by a space.
std::string TransmitterReportText(const Telegram& telegram);

// "ID:0x.. ORG:0x.. Data:0x.. Status:0x.." - the catalogue label of a learnt transmitter.
std::string TransmitterItemLabel(const Telegram& telegram);

// Learns a telegram into the transmitter table: only rocker-switch telegrams (ORG 5) with data
// other than 0, not yet among the first `count` rows, while fewer than 1000 rows are used.
// Writes the row's telegram field only and returns the new row's index.
std::optional<uint16_t> AddTelegram(std::span<uint8_t, layout::kRowSize * layout::kMaxRows> table,
                                    uint16_t& count, const Telegram& telegram);

// Two gateway list lines name the same entry when they are equal ignoring ASCII case.
bool SameGatewayLine(std::string_view a, std::string_view b);

}  // namespace halvex
