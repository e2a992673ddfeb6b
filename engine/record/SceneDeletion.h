// Removing a deleted host scene from a stored record, in place.
#pragma once

#include <cstdint>
#include <string>

#include "engine/record/Bytes.h"

namespace halvex {

// Removes scene `sceneIndex` from both scene pages of `record`, whose bytes keep their place.
// `sceneListByte6` is byte 6 of the host's scene list after the deletion; the scene's output
// on Scene Out 2 is sceneIndex + (byte 6 + 1, in 8 bits).
//
// KNX/WLAN: `sceneCount` is set to the count derived from the record; an index at or past it
// changes nothing. The two outputs and their pairs go, later pairs move down with them.
// EnOcean: entries of the scene on pages 0 and 1 go, later scenes' entries move down.
//
// Returns false, with the record untouched, when SceneDeletionRefusal refuses the record.
// Returns true otherwise, including when there is nothing to change.
bool DeleteSceneInPlace(MutableBytes record, uint8_t sceneIndex, uint8_t sceneListByte6,
                        uint16_t& sceneCount);

// Why the deletion cannot edit `record` safely, in words; empty when it can (including when
// there is nothing to change). Refused: a damaged header, sections or trailing length, a pair
// or output table that shares bytes with another part of the record, a scene-list byte 6 of
// 255 (the output of the scene on Scene Out 2 would be the scene itself), or an output past
// the output table. A host can ask before it calls __DeleteScene, which reports nothing.
std::string SceneDeletionRefusal(ConstBytes record, uint8_t sceneIndex, uint8_t sceneListByte6);

}  // namespace halvex
