// The plug-in's three exports; everything else in the library is hidden.
#ifdef _WIN32
#include <windows.h>
#endif

#include "engine/ModuleState.h"
#include "engine/net/DmxOutput.h"
#include "engine/net/SocketPlatform.h"
#include "halvex/plugin.h"
#include "plugin/PluginEntry.h"

#ifdef _WIN32
// Exported under their undecorated names through plugin/halvex.def.
#define HALVEX_EXPORT extern "C"
#else
#define HALVEX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

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

#ifdef _WIN32
namespace {
bool g_socketsStarted = false;
}  // namespace

// Windows Sockets run while the library is loaded, as the original's application object had
// them. Unloaded by FreeLibrary, the library closes the gateway link and stops Winsock; at the
// process's exit the system reclaims both (and threads that died may hold the link's lock).
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_socketsStarted = halvex::StartSockets();
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        halvex::Module().GatewayLink.Stop();
        if (g_socketsStarted)
            halvex::StopSockets();
    }
    return TRUE;
}
#endif
