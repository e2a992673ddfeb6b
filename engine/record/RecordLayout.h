// The scene record's byte layout: header offsets, flag bits, block sizes.
//
// The gateway firmware reads the same bytes, so these numbers are fixed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace halvex::layout {

// Header (62 bytes).
inline constexpr size_t kHeaderSize = 62;
inline constexpr size_t kMainLength = 0;         // u16 length of the main part
inline constexpr size_t kAddressListOffset = 2;  // u16, KNX/WLAN
inline constexpr size_t kPairTableOffset = 4;    // u16, KNX/WLAN
inline constexpr size_t kEntryCount = 4;         // u16, EnOcean: transmitter entries
inline constexpr size_t kOutputTableOffset = 6;  // u16, KNX/WLAN
inline constexpr size_t kDeviceBlockOffset = 8;  // u16
inline constexpr size_t kPhysicalAddress = 10;   // u16 area.line.device
inline constexpr size_t kSystemId = 12;          // u16
inline constexpr size_t kFlagsA = 14;
inline constexpr size_t kFlagsB = 15;
inline constexpr size_t kIpAddress = 16;  // 4 bytes, first octet first
inline constexpr size_t kSubnetMask = 20;
inline constexpr size_t kDefaultGateway = 24;
inline constexpr size_t kMulticast = 28;
inline constexpr size_t kDeviceName = 32;
inline constexpr size_t kDeviceNameSize = 21;  // 20 characters and a NUL
inline constexpr size_t kWlanMarker = 53;      // bit 0 clear: device block holds WLAN settings

// Flags A (byte 14).
inline constexpr uint8_t kFlagTrailingBlock = 0x01;
inline constexpr uint8_t kFlagWlan = 0x02;
inline constexpr uint8_t kFlagMasterSlave = 0x04;
inline constexpr uint8_t kFlagSlaveOut1 = 0x08;
inline constexpr uint8_t kFlagSlaveOut2 = 0x10;
inline constexpr uint8_t kFlagSoftOnOff = 0x20;

// Flags B (byte 15).
inline constexpr uint8_t kFlagDhcp = 0x01;
inline constexpr uint8_t kFlagPause = 0x02;
inline constexpr uint8_t kFlagRepeater = 0x04;
inline constexpr uint8_t kFlagRepeaterLevel2 = 0x08;
inline constexpr uint8_t kFlagEnOcean = 0x10;
inline constexpr uint8_t kFlagThreeLevel = 0x20;
inline constexpr uint8_t kFlagPreview1 = 0x40;
inline constexpr uint8_t kFlagPreview2 = 0x80;
inline constexpr uint8_t kPreviewMask = 0xC0;

// Output table codes.
inline constexpr uint16_t kOutputBase = 0x0300;
inline constexpr uint16_t kOutputAssigned = 0x1400;
inline constexpr uint16_t kOutputRunMask = 0x03FF;
inline constexpr uint32_t kCurrentFormatOutputs = 3000;  // fewer entries: earlier format

// Host device table and the device block.
inline constexpr size_t kMaxDevices = 512;
inline constexpr size_t kDeviceEntrySize = 24;
inline constexpr size_t kDeviceTableSize = kMaxDevices * kDeviceEntrySize;  // 12288
inline constexpr size_t kDeviceEntryName = 0;
inline constexpr size_t kDeviceEntryNameSize = 20;
inline constexpr size_t kDeviceEntryKind = 20;
inline constexpr size_t kWlanSize = 154;
inline constexpr size_t kDeviceBlockSize = 2 + kDeviceTableSize + kWlanSize;  // 12444

// WLAN settings block (154 bytes).
inline constexpr size_t kWlanEncryption = 0;
inline constexpr size_t kWlanSsid = 1;
inline constexpr size_t kWlanSsidSize = 33;
inline constexpr size_t kWlanWepKey1 = 34;
inline constexpr size_t kWlanWepKeySize = 14;
inline constexpr size_t kWlanPassPhrase = 90;
inline constexpr size_t kWlanPassPhraseSize = 64;

// EnOcean transmitter entries (12 bytes each from offset 62) and table rows (70 bytes).
inline constexpr size_t kEntrySize = 12;
inline constexpr size_t kEntryId = 0;
inline constexpr size_t kEntryData = 4;
inline constexpr size_t kEntryOrg = 8;
inline constexpr size_t kEntryPage = 9;
inline constexpr size_t kEntryOutput = 10;
inline constexpr size_t kRowSize = 70;
inline constexpr size_t kMaxRows = 1000;
inline constexpr size_t kRowName = 0;
inline constexpr size_t kRowNameSize = 60;
inline constexpr size_t kRowOrg = 60;
inline constexpr size_t kRowStatus = 61;
inline constexpr size_t kRowData = 62;
inline constexpr size_t kRowId = 66;
inline constexpr size_t kTelegramSize = 10;  // ORG, status, data, ID as a gateway reports them

// The main part's length and offsets are u16 fields.
inline constexpr size_t kMaxMainPart = 65535;

// Outputs per page.
inline constexpr uint32_t kDimmerOutputs = 1536;  // 512 channels x 3 on KNX/WLAN
inline constexpr uint32_t kDmxChannels = 512;

}  // namespace halvex::layout
