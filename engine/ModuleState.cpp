#include "engine/ModuleState.h"

namespace halvex {

ModuleState& Module() {
    static ModuleState state;
    return state;
}

GatewayAccess ModuleGateway() {
    ModuleState& m = Module();
    return {m.GatewayLink, m.GatewayLock, m.GatewayAddress};
}

void ResetModuleState() {
    ModuleState& m = Module();
    m.WorkingRecord = nullptr;
    m.WorkingRecordCapacity = 0;
    m.SceneList = nullptr;
    m.SceneListSize = 0;
    m.DeviceTable.fill(0);
    m.DeviceCount = 0;
    m.UiLanguage = 1;
    m.SceneCount = 0;
    m.WlanSettings.fill(0);
    m.TransmitterTable.fill(0);
    m.TransmitterCount = 0;
    {
        std::lock_guard lock(m.GatewayLock);
        m.GatewayAddress.clear();
    }
    m.Listening = false;
    m.EnOceanRecordOpen = false;
    m.Events = nullptr;
    m.CurrentPage = 0;
    m.EnteredNumber = 0;
    m.EnteredName.clear();
}

}  // namespace halvex
