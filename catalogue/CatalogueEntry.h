// One slot of the group-address catalogue.
#pragma once

#include <QString>

#include <cstdint>

class QTreeWidgetItem;

namespace halvex {

// Label and tree item of a slot, with the insertion template its item is created from.
// A slot exists for the duplicate checks when its label is non-empty; the serialiser, the
// import and the pruning test the item instead. Both are set and cleared together.
struct CatalogueEntry {
    QString label;
    QTreeWidgetItem* item = nullptr;
    int image = 0;      // image and selected image of the item
    uint32_t data = 0;  // item data of an item created from the template

    void Clear() {
        label.clear();
        item = nullptr;
    }
};

// Catalogue item data bits.
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

// Images of the catalogue's image list.
inline constexpr int kImageDevice = 0;
inline constexpr int kImageMainGroup = 1;
inline constexpr int kImageMiddleGroup = 2;
inline constexpr int kImageGroupAddress = 3;
inline constexpr int kImageTransmitter = 4;

}  // namespace halvex
