// The host's structures that travel with a record: its scene list and its device table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/record/Bytes.h"

namespace halvex {

// Largest scene-list size worth walking: the upload refuses anything from 65536 bytes on.
inline constexpr uint32_t kSceneListSizeCap = 65536;

// Byte size of the host's scene list, walked as the host built it (its length is not passed):
// 7, plus each scene block's own u16 length, plus 1 + 7 x the count byte behind the blocks.
// The walk stops once the size reaches kSceneListSizeCap and returns that cap, so a bogus
// block length cannot send it through the host's whole memory. 0 for a null list.
uint32_t HostSceneListSize(const uint8_t* sceneList);

// Bytes the C runtime allocated for a block the host passed: records are malloc blocks of the
// runtime the host shares with the plug-in, so a record is never read past its allocation.
size_t HostAllocationSize(const void* block);

struct HostScene {
    std::string name;  // raw 8-bit (ANSI) bytes, cut at the first NUL or after 15 bytes
};
// The scenes of a scene list, checked against the span: the walk ends at the first block
// whose header lies outside it; a name outside the span reads as empty.
std::vector<HostScene> ReadHostScenes(ConstBytes sceneList);

// Output type of device `index` from its kind byte: 20 -> 9, 40 -> 10, anything else -> 7.
uint8_t DeviceOutputType(ConstBytes deviceTable, size_t index);
// Raw 8-bit name of device `index`: up to the first NUL or 20 bytes; empty outside the table.
std::string DeviceName(ConstBytes deviceTable, size_t index);

}  // namespace halvex
