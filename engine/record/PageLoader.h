// Reading a page's assignments out of a record, in the order the page inserts them.
//
// The readers follow the record as stored: the dimmer and device pages walk the pair table
// once in step with their outputs (so a pair behind a later output is not seen), the scene
// pages take every pair of each scene, and EnOcean pages show every transmitter row that
// matches an entry. Damaged sections or references yield no assignment rather than a guess.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/record/Bytes.h"

namespace halvex {

struct LoadedAssignment {
    uint16_t slot = 0;    // output slot on the page (0-based)
    uint16_t number = 0;  // group address (KNX/WLAN) or transmitter row (EnOcean)
    bool operator==(const LoadedAssignment&) const = default;
};

// Dimmer page: outputs firstOutput .. firstOutput + slotCount - 1, merged one-pass walk.
std::vector<LoadedAssignment> LoadDimmerAssignments(ConstBytes record, uint32_t firstOutput,
                                                    uint32_t slotCount);
// Scene page: for each scene in turn, every pair of its output in table order.
std::vector<LoadedAssignment> LoadSceneAssignments(ConstBytes record, uint32_t firstOutput,
                                                   uint32_t sceneCount);
// Device page: merged walk; a pair is shown only when the stored output type equals the
// device's current type (deviceTypes[i] for device i).
std::vector<LoadedAssignment> LoadDeviceAssignments(ConstBytes record, uint32_t firstOutput,
                                                    std::span<const uint8_t> deviceTypes);
// EnOcean scene or dimmer page: for outputs 1 .. outputCount, each entry of the page in
// stored order, every row below transmitterCount whose ORG, data and ID equal the entry's.
std::vector<LoadedAssignment> LoadEnOceanAssignments(ConstBytes record, uint8_t pageCode,
                                                     uint32_t outputCount,
                                                     ConstBytes transmitterTable,
                                                     uint16_t transmitterCount);

}  // namespace halvex
