#include "model/NetworkSettings.h"

#include <algorithm>

#include "engine/Codepage.h"
#include "engine/record/RecordLayout.h"
#include "model/ControlIds.h"

namespace halvex {
namespace {

using namespace layout;

std::array<uint8_t, 4> ReadAddress(ConstBytes record, size_t offset) {
    std::array<uint8_t, 4> address{};
    for (size_t i = 0; i < 4; ++i)
        address[i] = ReadU8(record, offset + i).value_or(0);
    return address;
}

// Clears a text field and stores `text` in the ANSI code page, always leaving its terminating NUL.
void StoreText(MutableBytes block, size_t offset, size_t size, const std::string& text) {
    if (!InBounds(block.size(), offset, size))
        return;
    std::fill_n(block.begin() + static_cast<std::ptrdiff_t>(offset), size, uint8_t{0});
    std::string bytes = Utf8ToAnsi(text);
    if (bytes.size() > size - 1)
        bytes.resize(size - 1);
    WriteBytes(block, offset,
               ConstBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The text of a field, at most one byte short of its size, as StoreText leaves it.
std::string LoadText(ConstBytes block, size_t offset, size_t size) {
    const auto field = Slice(block, offset, size - 1);
    return field ? AnsiToUtf8(FieldText(field->data(), field->size())) : std::string();
}

void SetFlag(MutableBytes record, size_t offset, uint8_t bit, bool on) {
    if (const auto value = ReadU8(record, offset))
        WriteU8(record, offset, static_cast<uint8_t>(on ? (*value | bit) : (*value & ~bit)));
}

size_t WepKeyOffset(size_t index) {
    return kWlanWepKey1 + index * kWlanWepKeySize;
}

template <typename... Ids>
bool OneOf(int control, Ids... ids) {
    return ((control == ids) || ...);
}

bool IsWlanControl(int id) {
    return OneOf(id, ids::kWlanBox, ids::kUnsecured, ids::kWep, ids::kWpa2, ids::kWps,
                 ids::kSsidLabel, ids::kSsid, ids::kKeyLabel, ids::kKey1, ids::kKey2, ids::kKey3,
                 ids::kKey4);
}

bool IsSlaveControl(int id) {
    return OneOf(id, ids::kSlaveBox, ids::kSlaveOut1, ids::kSlaveOut2);
}

}  // namespace

const std::array<int, 4> kEncryptionRadios = {ids::kUnsecured, ids::kWep, ids::kWpa2, ids::kWps};

int32_t LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Unsigned arithmetic wraps instead of overflowing; callers keep only the low bits.
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

uint16_t ParsePhysicalAddress(const std::string& text, uint16_t stored) {
    const size_t first = text.find('.');
    const size_t last = text.rfind('.');
    if (first == std::string::npos || first == last)
        return stored;
    const std::string_view view(text);
    const auto area = static_cast<uint32_t>(LeadingNumber(view.substr(0, first)));
    const auto line = static_cast<uint32_t>(LeadingNumber(view.substr(first + 1)));
    const auto device = static_cast<uint32_t>(LeadingNumber(view.substr(last + 1)));
    return static_cast<uint16_t>((area & 15u) << 12 | (line & 15u) << 8 | (device & 255u));
}

std::string FormatPhysicalAddress(uint16_t address) {
    return std::to_string(address >> 12) + "." + std::to_string((address >> 8) & 15) + "." +
           std::to_string(address & 255);
}

void NetworkSettings::Load(ConstBytes record, MutableBytes wlan) {
    const uint8_t flagsA = ReadU8(record, kFlagsA).value_or(0);
    const uint8_t flagsB = ReadU8(record, kFlagsB).value_or(0);
    NetworkFields f;
    f.dhcp = (flagsB & kFlagDhcp) != 0;
    f.repeater = (flagsB & kFlagRepeater) != 0;
    f.repeaterLevel2 = (flagsB & kFlagRepeaterLevel2) != 0;
    f.pause = (flagsB & kFlagPause) != 0;
    f.slaveOut1 = (flagsA & kFlagSlaveOut1) != 0;
    f.slaveOut2 = (flagsA & kFlagSlaveOut2) != 0;
    f.ipAddress = ReadAddress(record, kIpAddress);
    f.subnet = ReadAddress(record, kSubnetMask);
    f.defaultGateway = ReadAddress(record, kDefaultGateway);
    f.multicast = ReadAddress(record, kMulticast);
    f.knxAddress = FormatPhysicalAddress(ReadU16(record, kPhysicalAddress).value_or(0));
    f.systemId = std::to_string(ReadU16(record, kSystemId).value_or(0));
    f.deviceName = LoadText(record, kDeviceName, kDeviceNameSize);

    const bool enOcean = (flagsB & kFlagEnOcean) != 0;
    const bool wlanFlag = (flagsA & kFlagWlan) != 0;
    layout_ = enOcean ? (wlanFlag ? NetworkLayout::NetworkOnly : NetworkLayout::EnOcean)
                      : (wlanFlag ? NetworkLayout::Wlan : NetworkLayout::Knx);
    masterSlave_ = (flagsA & kFlagMasterSlave) != 0;
    keysFor_.reset();
    if (layout_ == NetworkLayout::Wlan) {
        for (size_t i = 0; i < 4; ++i)
            f.keys[i] = LoadText(wlan, WepKeyOffset(i), kWlanWepKeySize);
        f.ssid = LoadText(wlan, kWlanSsid, kWlanSsidSize);
        uint8_t encryption = ReadU8(wlan, kWlanEncryption).value_or(0);
        if (encryption > 3) {  // a value the page does not know is "unsecured"
            encryption = 0;
            WriteU8(wlan, kWlanEncryption, 0);
        }
        if (encryption == 2)
            f.keys[0] = LoadText(wlan, kWlanPassPhrase, kWlanPassPhraseSize);
        f.encryption = encryption;
        keysFor_ = encryption;
    }
    fields_ = std::move(f);
    loaded_ = true;
}

bool NetworkSettings::KeyFieldShown(int id) const {
    if (!keysFor_)
        return true;
    const uint8_t encryption = *keysFor_;
    if (OneOf(id, ids::kSsidLabel, ids::kSsid))
        return encryption != 3;
    if (OneOf(id, ids::kKeyLabel, ids::kKey1))
        return encryption == 1 || encryption == 2;
    if (OneOf(id, ids::kKey2, ids::kKey3, ids::kKey4))
        return encryption == 1;
    return true;
}

bool NetworkSettings::Shown(int id) const {
    if (id == ids::kWps)
        return false;  // WPS cannot be chosen; a stored WPS setting is only kept
    switch (layout_) {
        case NetworkLayout::EnOcean:
            return !IsWlanControl(id) && !IsSlaveControl(id) &&
                   !OneOf(id, ids::kMulticast, ids::kMulticastLabel, ids::kKnxAddressLabel,
                          ids::kKnxAddress, ids::kSystemId, ids::kSystemIdLabel);
        case NetworkLayout::Knx:
        case NetworkLayout::Wlan:
            if (OneOf(id, ids::kRepeater, ids::kRepeaterLevel2) ||
                (!masterSlave_ && IsSlaveControl(id)) ||
                (layout_ == NetworkLayout::Knx && IsWlanControl(id)))
                return false;
            break;
        case NetworkLayout::NetworkOnly:
            break;
    }
    return KeyFieldShown(id);
}

bool NetworkSettings::Enabled(int id) const {
    if (id == ids::kSystemId)
        return false;
    if (OneOf(id, ids::kIpAddress, ids::kSubnet, ids::kDefaultGateway))
        return !fields_.dhcp;
    if (id == ids::kRepeaterLevel2)
        return fields_.repeater;
    return true;
}

std::optional<Text> NetworkSettings::TextOf(int id) const {
    if (!loaded_)
        return std::nullopt;
    switch (id) {
        case ids::kDeviceNameLabel:
            return Text::DeviceName;
        case ids::kUpload:
            return Text::Upload;
        case ids::kSearch:
            return Text::Search;
        case ids::kActingSceneLabel:
            return Text::ActingScene;
        case ids::kIpAddressLabel:
            return Text::IpAddress;
        case ids::kUnsecured:
            return Text::Unsecured;
        case ids::kKnxAddressLabel:
            if (layout_ == NetworkLayout::Knx)
                return Text::KnxPhysicalAddress;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void NetworkSettings::Click(int id, MutableBytes record, MutableBytes wlan) {
    if (!loaded_)
        return;
    if (id == ids::kSlaveOut1)
        SetFlag(record, kFlagsA, kFlagSlaveOut1, fields_.slaveOut1);
    if (id == ids::kSlaveOut2)
        SetFlag(record, kFlagsA, kFlagSlaveOut2, fields_.slaveOut2);
    for (uint8_t encryption = 0; encryption < 4; ++encryption) {
        if (id == kEncryptionRadios[encryption] && fields_.encryption == encryption) {
            WriteU8(wlan, kWlanEncryption, encryption);
            keysFor_ = encryption;
        }
    }
}

void NetworkSettings::LostFocus(int id, MutableBytes record, MutableBytes wlan) {
    if (!loaded_)
        return;
    switch (id) {
        case ids::kKnxAddress:
            if (const auto stored = ReadU16(record, kPhysicalAddress))
                WriteU16(record, kPhysicalAddress,
                         ParsePhysicalAddress(fields_.knxAddress, *stored));
            break;
        case ids::kSystemId:
            WriteU16(record, layout::kSystemId,
                     static_cast<uint16_t>(LeadingNumber(fields_.systemId)));
            break;
        case ids::kDeviceName:
            StoreText(record, layout::kDeviceName, kDeviceNameSize, fields_.deviceName);
            break;
        case ids::kKey1:
            if (ReadU8(wlan, kWlanEncryption) == 1)
                StoreText(wlan, WepKeyOffset(0), kWlanWepKeySize, fields_.keys[0]);
            else
                StoreText(wlan, kWlanPassPhrase, kWlanPassPhraseSize, fields_.keys[0]);
            break;
        case ids::kKey2:
        case ids::kKey3:
        case ids::kKey4: {
            const size_t index = id == ids::kKey2 ? 1 : id == ids::kKey3 ? 2 : 3;
            StoreText(wlan, WepKeyOffset(index), kWlanWepKeySize, fields_.keys[index]);
            break;
        }
        case ids::kSsid:
            StoreText(wlan, kWlanSsid, kWlanSsidSize, fields_.ssid);
            break;
        default:
            break;
    }
}

void NetworkSettings::Close(MutableBytes record, MutableBytes wlan) {
    for (int id : {ids::kKnxAddress, ids::kSystemId, ids::kDeviceName, ids::kKey1, ids::kKey2,
                   ids::kKey3, ids::kKey4, ids::kSsid})
        LostFocus(id, record, wlan);
}

void NetworkSettings::CopyNetworkSettings(MutableBytes record) const {
    WriteBytes(record, kIpAddress, fields_.ipAddress);
    WriteBytes(record, kSubnetMask, fields_.subnet);
    WriteBytes(record, kDefaultGateway, fields_.defaultGateway);
    WriteBytes(record, kMulticast, fields_.multicast);
    if (const auto flagsB = ReadU8(record, kFlagsB)) {
        WriteU8(record, kFlagsB,
                static_cast<uint8_t>((*flagsB & 0xF0) | (fields_.dhcp ? kFlagDhcp : 0) |
                                     (fields_.pause ? kFlagPause : 0) |
                                     (fields_.repeater ? kFlagRepeater : 0) |
                                     (fields_.repeaterLevel2 ? kFlagRepeaterLevel2 : 0)));
    }
}

void NetworkSettings::Commit(MutableBytes record, MutableBytes wlan) const {
    // Before Load the fields hold nothing of the record: writing them would blank it.
    if (!loaded_ || record.size() < kHeaderSize)
        return;
    CopyNetworkSettings(record);
    SetFlag(record, kFlagsA, kFlagSlaveOut1, fields_.slaveOut1);
    SetFlag(record, kFlagsA, kFlagSlaveOut2, fields_.slaveOut2);
    if ((record[kFlagsB] & kFlagEnOcean) != 0 || (record[kFlagsA] & kFlagWlan) == 0)
        return;
    if (fields_.encryption)
        WriteU8(wlan, kWlanEncryption, *fields_.encryption);
    const auto encryption = ReadU8(wlan, kWlanEncryption);
    if (encryption == 1) {
        for (size_t i = 0; i < 4; ++i)
            StoreText(wlan, WepKeyOffset(i), kWlanWepKeySize, fields_.keys[i]);
    } else if (encryption == 2) {
        StoreText(wlan, kWlanPassPhrase, kWlanPassPhraseSize, fields_.keys[0]);
    }
    StoreText(wlan, kWlanSsid, kWlanSsidSize, fields_.ssid);
}

}  // namespace halvex
