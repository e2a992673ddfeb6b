// Rebuilding a record from the dialog's content: the pages' outputs and assignments, the
// catalogue, the device table and the WLAN settings.
//
// The writers work on plain data; the dialog's trees are read into PageContent by thin
// adapters. A rebuild is computed completely before the record is replaced, so a refused
// rebuild leaves the record as it was.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/record/Bytes.h"
#include "engine/record/SceneRecord.h"

namespace halvex {

// One output page: its outputs (top-level items) in order, each with an output type and the
// numbers of its children (group addresses, or transmitter rows on an EnOcean record).
// Stored compactly: one array of types, one of children, one of each output's first child.
class PageContent {
public:
    void AddOutput(uint8_t type);
    // Appends a child to the last output added; ignored before the first output.
    void AddChild(uint16_t number);

    size_t OutputCount() const { return types_.size(); }
    size_t ChildCount() const { return children_.size(); }
    uint8_t OutputType(size_t output) const { return types_[output]; }
    std::span<const uint16_t> Children(size_t output) const;

private:
    std::vector<uint8_t> types_;
    std::vector<uint32_t> firstChild_;
    std::vector<uint16_t> children_;
};

// The catalogue as written into the name block: ascending numbers, one entry per number.
// label: the 8-bit bytes to store (the low byte of each UTF-16 unit of the item's text).
struct CatalogueContent {
    std::vector<NameEntry> mains, middles, groups;
};

// Every group address assigned anywhere, ascending and once each, with the 1-based position
// lookup of a binary search over that list (0 when absent). A presence bitmap with a running
// count per 64-bit word gives the same list and positions without sorted insertion.
class UsedAddressList {
public:
    void Clear();
    void Insert(uint16_t address);
    size_t Count() const;
    // 1-based position of `address` in the ascending list, 0 when it is not in it.
    uint16_t Position(uint16_t address) const;
    // Writes the ascending values, little-endian u16 each, to the first 2 x Count() bytes.
    void WriteValues(MutableBytes out) const;

private:
    void Rank() const;
    std::array<uint64_t, 1024> present_{};
    mutable std::array<uint32_t, 1024> before_{};  // set bits in the words before each word
    mutable bool ranked_ = true;
};

enum class WriteStatus {
    Ok,
    TooLarge  // the main part would exceed 65535 bytes; the record is left unchanged
};

// The six pages in record order: Scene Out 1, Scene Out 2, Dimmer Out 1, Dimmer Out 2,
// Device 1, Device 2 (a null page counts as empty). `record` holds the current bytes, whose
// header is kept; on Ok it holds the rebuilt record including its name block.
WriteStatus WriteKnxRecord(std::vector<uint8_t>& record,
                           std::span<const PageContent* const, 6> pages,
                           const CatalogueContent& catalogue, bool threeLevel, uint16_t deviceCount,
                           ConstBytes deviceTable, ConstBytes wlanSettings);

// The four scene and dimmer pages in record order. Children are transmitter rows; a row
// outside the table is not written, nor a row whose entry (ORG, data, ID) equals that of an
// earlier child of the same output: reading back brings every matching row anyway. Without
// transmitters the record shrinks to its header.
WriteStatus WriteEnOceanRecord(std::vector<uint8_t>& record,
                               std::span<const PageContent* const, 4> pages,
                               ConstBytes transmitterTable, uint16_t transmitterCount,
                               uint16_t deviceCount, ConstBytes deviceTable);

}  // namespace halvex
