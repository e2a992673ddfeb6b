#include "engine/net/GatewayParser.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/Codepage.h"
#include "engine/net/AutoResetEvent.h"
#include "engine/net/GatewayProtocol.h"

namespace halvex {

namespace {

namespace p = protocol;

bool StartsWith(ConstBytes payload, std::string_view keyword) {
    return payload.size() >= keyword.size() &&
           std::memcmp(payload.data(), keyword.data(), keyword.size()) == 0;
}

// The first `N` bytes of the payload, zero where the datagram was shorter.
template <size_t N>
std::array<uint8_t, N> ZeroExtended(ConstBytes payload) {
    std::array<uint8_t, N> out{};
    std::copy_n(payload.begin(), std::min(N, payload.size()), out.begin());
    return out;
}

std::string Hex(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string Hex2(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

AutoResetEvent& UploadEvent() {
    static const std::shared_ptr<AutoResetEvent> event =
        AutoResetEvent::CreateOrOpen(std::string(p::kUploadEventName));
    return *event;
}

}  // namespace

std::string SearchResponseLine(ConstBytes payload) {
    if (!StartsWith(payload, p::kSearchResponse))
        return {};
    const auto bytes = ZeroExtended<p::kResponseSize>(payload);
    std::string line;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0)
            line += '.';
        line += std::to_string(bytes[p::kResponseAddress + i]);
    }
    line += ' ';
    if (bytes[p::kResponseMarker] == p::kNameMarker) {
        line += Cp1252ToUtf8(FieldText(&bytes[p::kResponseName], p::kResponseNameSize));
    } else {
        for (size_t i = 0; i < p::kResponseMacSize; ++i) {
            if (i > 0)
                line += ':';
            line += Hex2(bytes[p::kResponseMac + i]);
        }
    }
    const std::string_view version =
        FieldText(&bytes[p::kResponseVersion], p::kResponseVersionSize);
    if (version.starts_with(p::kVersionTag)) {
        line += "    ";
        line += Cp1252ToUtf8(version);
    }
    return line;
}

std::optional<Telegram> TransmitterReportTelegram(ConstBytes payload) {
    if (!StartsWith(payload, p::kTransmitterReport))
        return std::nullopt;
    const auto bytes = ZeroExtended<p::kReportSize>(payload);
    Telegram telegram{};
    std::copy_n(bytes.begin() + p::kReportTelegram, telegram.size(), telegram.begin());
    return telegram;
}

std::string TransmitterReportText(const Telegram& telegram) {
    std::string text = "Transmitter: ";
    for (uint8_t b : telegram)
        text += "0x" + Hex(b) + ' ';
    return text;
}

std::string TransmitterItemLabel(const Telegram& telegram) {
    const ConstBytes t(telegram);
    return "ID:0x" + Hex(ReadU32(t, p::kTelegramId).value_or(0)) + " ORG:0x" +
           Hex(telegram[p::kTelegramOrg]) + " Data:0x" +
           Hex(ReadU32(t, p::kTelegramData).value_or(0)) + " Status:0x" +
           Hex(telegram[p::kTelegramStatus]);
}

std::optional<uint16_t> AddTelegram(std::span<uint8_t, layout::kRowSize * layout::kMaxRows> table,
                                    uint16_t& count, const Telegram& telegram) {
    if (telegram[p::kTelegramOrg] != p::kRockerSwitchOrg)
        return std::nullopt;
    if (ReadU32(ConstBytes(telegram), p::kTelegramData).value_or(0) == 0)
        return std::nullopt;
    if (count >= layout::kMaxRows)
        return std::nullopt;
    const MutableBytes rows(table);
    for (size_t row = 0; row < count; ++row) {
        const auto stored = Slice(rows, row * layout::kRowSize + layout::kRowOrg, telegram.size());
        if (stored && std::equal(stored->begin(), stored->end(), telegram.begin())) {
            return std::nullopt;
        }
    }
    const uint16_t row = count;
    if (!WriteBytes(rows, row * layout::kRowSize + layout::kRowOrg, telegram))
        return std::nullopt;
    ++count;
    return row;
}

bool SameGatewayLine(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void ParseGatewayMessage(const uint8_t* payload, uint32_t length, const PeerAddress&,
                         GatewayEventSink* sink, bool learnTransmitters) {
    if (payload == nullptr)
        return;
    const ConstBytes bytes(payload, length);
    if (StartsWith(bytes, p::kSearchResponse)) {
        if (sink != nullptr)
            sink->OnSearchResponse(SearchResponseLine(bytes));
    } else if (StartsWith(bytes, p::kUploadAck)) {
        UploadEvent().Set();
    } else if (StartsWith(bytes, p::kTransmitterReport)) {
        if (!learnTransmitters || sink == nullptr)
            return;
        if (const auto telegram = TransmitterReportTelegram(bytes))
            sink->OnTransmitterReport(*telegram);
    }
}

}  // namespace halvex
