// The plug-in's three exports; everything else in the library is hidden.
#include "engine/ModuleState.h"
#include "engine/net/DmxOutput.h"
#include "halvex/plugin.h"
#include "plugin/PluginEntry.h"

#define HALVEX_EXPORT extern "C" __attribute__((visibility("default")))

HALVEX_EXPORT void HALVEX_STDCALL __OpenKNXDialog(const uint8_t* sceneList, uint8_t* record,
                                                  uint8_t** recordSlot, uint8_t language,
                                                  const uint32_t* deviceTable,
                                                  uint16_t deviceCount) {
    halvex::OpenKnxDialog(sceneList, record, recordSlot, language, deviceTable, deviceCount);
}

HALVEX_EXPORT void HALVEX_STDCALL __DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList,
                                                uint8_t** recordSlot) {
    halvex::DeleteScene(sceneIndex, sceneList, recordSlot);
}

HALVEX_EXPORT void HALVEX_STDCALL __SendDMXData2UDP(uint8_t* frame, const uint8_t* record,
                                                    uint16_t length) {
    halvex::SendDmxFrame(frame, record, length, halvex::ModuleGateway());
}
