// The network settings page without its widgets: the header fields and WlanSettings as the
// page's controls show them, which controls are shown and enabled for the record's bus layout
// and the chosen encryption, and when the fields are written back.
//
// The record and WlanSettings are passed to every call that reads or writes them: the record
// may move between calls (the rebuild reallocates it). A front-end copies its controls into
// Fields() before each call that takes the fields (a click, an edit losing the focus, a commit),
// and shows Fields(), Shown() and Enabled() after Load() and after each click or lost focus.
// Before Load nothing is written: the fields hold nothing of the record yet.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/UiText.h"
#include "engine/record/Bytes.h"

namespace halvex {

// Bus layout of the page, from record byte 15 bit 0x10 (EnOcean) and byte 14 bit 0x02 (WLAN).
enum class NetworkLayout { Knx, Wlan, EnOcean, NetworkOnly };

struct NetworkFields {
    bool dhcp = false;
    std::array<uint8_t, 4> ipAddress{};  // first octet first
    std::array<uint8_t, 4> subnet{};
    std::array<uint8_t, 4> defaultGateway{};
    std::array<uint8_t, 4> multicast{};
    std::string knxAddress;  // UTF-8 texts as the edits hold them
    std::string systemId;
    std::string deviceName;
    bool pause = false;  // "Pause" chosen; "Stop" when false
    bool repeater = false;
    bool repeaterLevel2 = false;
    bool slaveOut1 = false;
    bool slaveOut2 = false;
    std::optional<uint8_t> encryption;  // the chosen radio (0-3); none chosen outside WLAN
    std::string ssid;
    std::array<std::string, 4> keys;  // key field 1 holds the WPA2 pass phrase under WPA2
};

// The radio of each encryption value: unsecured, WEP, WPA2, WPS.
extern const std::array<int, 4> kEncryptionRadios;

class NetworkSettings {
public:
    // Fills the fields from the record header and, for a WLAN record, from `wlan`, where an
    // encryption the page does not know becomes 0.
    void Load(ConstBytes record, MutableBytes wlan);

    NetworkFields& Fields() { return fields_; }
    const NetworkFields& Fields() const { return fields_; }
    NetworkLayout Layout() const { return layout_; }

    bool Shown(int control) const;
    bool Enabled(int control) const;
    // The text pair a control shows instead of its built-in text (none before Load).
    std::optional<Text> TextOf(int control) const;

    // A click on `control`: slave outputs reach the record and an encryption radio `wlan` at
    // once; the encryption also decides which key fields are shown from now on.
    void Click(int control, MutableBytes record, MutableBytes wlan);
    // An edit lost the focus: its text reaches the record or `wlan`.
    void LostFocus(int control, MutableBytes record, MutableBytes wlan);
    // Closing the page: every edit as if it lost the focus, in the page's order.
    void Close(MutableBytes record, MutableBytes wlan);
    // Addresses, DHCP, scene behaviour and repeater flags into the header.
    void CopyNetworkSettings(MutableBytes record) const;
    // The page hidden or destroyed: the network settings, the slave outputs and, for a WLAN
    // record, encryption, keys and SSID. Nothing into a record shorter than its header.
    void Commit(MutableBytes record, MutableBytes wlan) const;

private:
    bool KeyFieldShown(int control) const;

    NetworkFields fields_;
    NetworkLayout layout_ = NetworkLayout::NetworkOnly;
    bool loaded_ = false;
    bool masterSlave_ = false;
    std::optional<uint8_t> keysFor_;  // the encryption whose key fields are shown; none: all
};

// The KNX physical address typed as area.line.device: parts are read like atoi (a part that is
// not a number counts as 0) and masked to 4, 4 and 8 bits. Without two distinct dots the
// stored address stays as it is.
uint16_t ParsePhysicalAddress(const std::string& text, uint16_t stored);
std::string FormatPhysicalAddress(uint16_t address);

// Leading decimal number of `text` like atoi: optional blanks and sign, then digits; else 0.
int32_t LeadingNumber(std::string_view text);

}  // namespace halvex
