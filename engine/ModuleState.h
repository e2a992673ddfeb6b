// Module-wide state of the plug-in, in one place.
//
// It lives as long as the library is loaded; each __OpenKNXDialog call overwrites what it
// uses before use. Tests reset it with ResetModuleState().
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/net/CGatewaySocketLink.h"
#include "engine/net/GatewayAccess.h"
#include "engine/net/GatewayEvents.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

struct ModuleState {
    // The listening link hands what it receives to Events, transmitter reports only while an
    // EnOcean record is open.
    ModuleState() { ListenLink.Deliver(Events, EnOceanRecordOpen); }

    // The record being edited or processed: a malloc block of WorkingRecordCapacity bytes.
    uint8_t* WorkingRecord = nullptr;
    size_t WorkingRecordCapacity = 0;

    // The host's scene list of the current call (borrowed) and its computed size.
    const uint8_t* SceneList = nullptr;
    uint32_t SceneListSize = 0;

    std::array<uint8_t, layout::kDeviceTableSize> DeviceTable{};
    uint16_t DeviceCount = 0;

    uint8_t UiLanguage = 1;  // 0 English, 1 German
    uint16_t SceneCount = 0;
    std::array<uint8_t, layout::kWlanSize> WlanSettings{};
    std::array<uint8_t, layout::kRowSize * layout::kMaxRows> TransmitterTable{};
    uint16_t TransmitterCount = 0;

    // Dotted address of the selected gateway, empty when none; guarded by GatewayLock.
    std::string GatewayAddress;

    // ListenLink listens on 4044 while the dialog is open; GatewayLink sends DMX frames,
    // searches and uploads and is shared between the host's DMX thread and the dialog,
    // so every use of it holds GatewayLock.
    CGatewaySocketLink ListenLink;
    CGatewaySocketLink GatewayLink;
    std::mutex GatewayLock;
    bool Listening = false;

    // Set while an EnOcean record is open: the receive thread learns transmitters only then.
    std::atomic<bool> EnOceanRecordOpen{false};
    // Receiver of parsed gateway messages; null when nobody listens.
    std::atomic<GatewayEventSink*> Events{nullptr};

    // The page slot shown in the dialog (0-5 output pages, 6 the network page).
    int CurrentPage = 0;

    // Results of the group dialogs.
    uint32_t EnteredNumber = 0;
    std::string EnteredName;  // UTF-8
};

ModuleState& Module();

// The module's gateway link, lock and selected address, as the engine functions take them.
GatewayAccess ModuleGateway();

// Puts every value back to its state right after load (closes nothing that is open).
void ResetModuleState();

}  // namespace halvex
