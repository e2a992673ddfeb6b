// The plug-in's three exports; everything else in the library is hidden.
#include "halvex/plugin.h"

#define HALVEX_EXPORT extern "C" __attribute__((visibility("default")))

HALVEX_EXPORT void HALVEX_STDCALL __OpenKNXDialog(const uint8_t*, uint8_t*, uint8_t**, uint8_t,
                                                  const uint32_t*, uint16_t) {}

HALVEX_EXPORT void HALVEX_STDCALL __DeleteScene(uint8_t, const uint8_t*, uint8_t**) {}

HALVEX_EXPORT void HALVEX_STDCALL __SendDMXData2UDP(uint8_t*, const uint8_t*, uint16_t) {}
