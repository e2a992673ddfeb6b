// What the three exports do, behind the C boundary.
#pragma once

#include <cstdint>

namespace halvex {

// Makes sure a QApplication exists on this thread; false when none can be had (no display,
// or a host that runs a non-widget Qt application).
bool EnsureApplication();

void OpenKnxDialog(const uint8_t* sceneList, uint8_t* record, uint8_t** recordSlot,
                   uint8_t language, const uint32_t* deviceTable, uint16_t deviceCount);
void DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList, uint8_t** recordSlot);

}  // namespace halvex
