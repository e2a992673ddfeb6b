// Every datagram the plug-in and its gateways exchange: keywords, offsets, sizes and ports.
//
// All keywords are ASCII and travel without a terminating zero; binary fields are
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace halvex::protocol {

// Ports, as services for the socket link and as numbers.
inline constexpr std::string_view kDmxService = "4042";
inline constexpr std::string_view kGatewayService = "4044";
inline constexpr uint16_t kDmxPort = 4042;
inline constexpr uint16_t kGatewayPort = 4044;
inline constexpr std::string_view kBroadcast = "255.255.255.255";

// Socket family and type for every open: IPv4 datagrams.
inline constexpr int kFamily = 2;
inline constexpr int kType = 2;

// Plug-in to gateway.
inline constexpr std::string_view kSearchRequest = "DMX_SEARCH_REQUEST";
inline constexpr std::string_view kPrepare = "DMX-PREPAR";
inline constexpr std::string_view kUpload = "DMX-UPLOAD";
inline constexpr std::string_view kStart = "DMX-START";

// Upload block: header, then the data.
inline constexpr size_t kBlockKeyword = 0;      // "DMX-UPLOAD"
inline constexpr size_t kBlockZero = 10;        // always 0
inline constexpr size_t kBlockNumber = 11;      // from 1
inline constexpr size_t kBlockCount = 12;       // image size / 1024 + 1
inline constexpr size_t kBlockDataLength = 13;  // u32
inline constexpr size_t kBlockHeaderSize = 17;
inline constexpr size_t kBlockDataSize = 1024;
inline constexpr size_t kMaxBlockDatagram = kBlockHeaderSize + kBlockDataSize;  // 1041
inline constexpr size_t kMaxImageSize = 65535;

// DMX frame: the byte that names the enabled outputs (record byte 15 & 0xC0).
inline constexpr size_t kFrameOutputs = 6;
inline constexpr size_t kMinFrameSize = kFrameOutputs + 1;

// Gateway to plug-in: search response.
inline constexpr std::string_view kSearchResponse = "DMX_SEARCH_RESPONSE";
inline constexpr size_t kResponseAddress = 20;  // 4 bytes, first octet first
inline constexpr size_t kResponseMarker = 24;   // 0x20: a name follows, else a MAC address
inline constexpr uint8_t kNameMarker = 0x20;
inline constexpr size_t kResponseName = 25;
inline constexpr size_t kResponseNameSize = 20;
inline constexpr size_t kResponseMac = 25;
inline constexpr size_t kResponseMacSize = 6;
inline constexpr size_t kResponseVersion = 48;
inline constexpr size_t kResponseVersionSize = 34;
inline constexpr std::string_view kVersionTag = "Version:";
inline constexpr size_t kResponseSize = kResponseVersion + kResponseVersionSize;  // 82

// Gateway to plug-in: upload acknowledgement (anything may follow the keyword).
inline constexpr std::string_view kUploadAck = "DMX_UPLOAD_ACK";

// Gateway to plug-in: EnOcean transmitter report.
inline constexpr std::string_view kTransmitterReport = "DMX_ENOCEAN_TRANSMITTER";
inline constexpr size_t kReportTelegram = 24;  // ORG, status, u32 data, u32 ID
inline constexpr size_t kTelegramSize = 10;
inline constexpr size_t kReportSize = kReportTelegram + kTelegramSize;  // 34

// Offsets inside a telegram (and inside the telegram field of a transmitter row).
inline constexpr size_t kTelegramOrg = 0;
inline constexpr size_t kTelegramStatus = 1;
inline constexpr size_t kTelegramData = 2;
inline constexpr size_t kTelegramId = 6;
inline constexpr uint8_t kRockerSwitchOrg = 5;

// Upload retries: each packet is sent at most this often, each send waits this long.
inline constexpr int kUploadAttempts = 3;
inline constexpr int kUploadAckTimeoutMs = 2000;

// Named event the parser signals for every acknowledgement.
inline constexpr std::string_view kUploadEventName = "UploadEvent";

}  // namespace halvex::protocol
