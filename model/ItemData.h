// Item data of the dialog's tree nodes and the images of their image lists.
//
// Catalogue (KNX): main groups (number << 16 | 0x80 | 0x10 when added by hand, 0 when loaded),
// middle groups (main * 8 + middle << 16 | 0x40 | 0x10, or 0), group addresses
// (address << 16 | kind | 0x20 | 0x10 when added by hand | object type in bits 0-3).
// Catalogue (EnOcean): transmitters (row << 16 | 0x20).
// Pages: outputs carry the object type they accept in bits 0-3; assignments the catalogue number
// in bits 16-31 with 0x10 and, when dropped in this call, the dragged item's other bits.
#pragma once

#include <cstdint>

namespace halvex {

inline constexpr uint32_t kItemAdded = 0x10;      // created by hand, or an assignment
inline constexpr uint32_t kItemDraggable = 0x20;  // group address or transmitter
inline constexpr uint32_t kKindMask = 0xC0;
inline constexpr uint32_t kKindMainGroup = 0x80;
inline constexpr uint32_t kKindMiddleGroup = 0x40;
inline constexpr uint32_t kKindGroupAddress = 0xC0;
inline constexpr uint32_t kObjectTypeMask = 0x0F;

inline constexpr uint16_t ItemNumber(uint32_t data) {
    return static_cast<uint16_t>(data >> 16);
}

// Images of the catalogue's image list; on a page, image 0 is the page's output image.
inline constexpr int kImageDevice = 0;
inline constexpr int kImageMainGroup = 1;
inline constexpr int kImageMiddleGroup = 2;
inline constexpr int kImageGroupAddress = 3;
inline constexpr int kImageTransmitter = 4;

}  // namespace halvex
