// Reading and checking the scene record: header, bus mode, sections, trailing blocks.
//
// Every offset, count and length stored in a record is checked against the record's own
// lengths before it is used; a part that does not fit is reported and left unread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/record/Bytes.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

enum class BusType : uint8_t {
    Knx = 0,
    KnxMasterSlave = 1,
    EnOcean = 2,
    Wlan = 3,
    WlanMasterSlave = 4
};

// Which layout a record uses, from flags A (byte 14) and B (byte 15).
enum class BusMode { Knx, EnOcean, NetworkOnly };
BusMode BusModeOf(uint8_t flagsA, uint8_t flagsB);
// Bus mode of a record; nullopt when it has no complete header.
std::optional<BusMode> RecordBusMode(ConstBytes record);

// A fresh 62-byte record with the defaults of the chosen bus type.
std::vector<uint8_t> NewRecord(BusType type);

// Size of the stored record: main part plus the trailing block when flag A bit 0x01 is set.
// nullopt when the header or the trailing length does not fit into `available`.
std::optional<size_t> StoredRecordSize(ConstBytes available);

// Size of a record the host passes by pointer alone, from its own header and trailing length
// (the host gives no length, so these are trusted as far as they look sane): nullopt when the
// main-part length is below 62, the trailing length below 4, or the total above
// kMaxClaimedRecordSize. Check the bytes with CheckRecord afterwards.
inline constexpr size_t kMaxClaimedRecordSize = 64u << 20;
std::optional<size_t> ClaimedRecordSize(const uint8_t* record);

// Result of checking every offset, count and length of a record against its own lengths.
// `problems` lists everything noticed, in words. A part whose flag is false cannot be read
// safely and is skipped by every reader; `referencesOk` covers entries that point at things
// that do not exist (they are skipped too, but the rest of the record is sound).
struct RecordCheck {
    std::vector<std::string> problems;
    bool headerOk = true;
    bool sectionsOk = true;
    bool deviceBlockOk = true;
    bool trailingOk = true;
    bool referencesOk = true;
    bool Damaged() const { return !(headerOk && sectionsOk && deviceBlockOk && trailingOk); }
};
RecordCheck CheckRecord(ConstBytes record);

// Validated views of a KNX/WLAN record's three sections. A section whose header offset is 0
// is absent and reads as empty.
struct KnxSections {
    ConstBytes addresses;         // N u16 values
    ConstBytes pairs;             // P pairs of 4 bytes
    ConstBytes outputs;           // E u16 codes
    bool hasAssignments = false;  // address list and pair table offsets both non-zero

    size_t AddressCount() const { return addresses.size() / 2; }
    size_t PairCount() const { return pairs.size() / 4; }
    size_t OutputCount() const { return outputs.size() / 2; }
    uint16_t AddressAt(size_t i) const;      // 0-based, i < AddressCount()
    uint16_t PairListIndex(size_t i) const;  // 1-based list position, i < PairCount()
    uint16_t PairOutput(size_t i) const;     // 0-based output index
    uint16_t OutputCode(size_t i) const;     // i < OutputCount()
    // Group address at a 1-based list position; nullopt for 0 or past the list.
    std::optional<uint16_t> AddressAtPosition(uint16_t listIndex) const;
};
// nullopt when the record is not a KNX/WLAN record or a present section does not fit.
std::optional<KnxSections> ReadKnxSections(ConstBytes record);

// Scenes per scene page from the leading run of type-0 outputs; 0 without an output table.
uint16_t DeriveSceneCount(ConstBytes record);

struct KnxReadResult {
    uint16_t sceneCount = 0;
    bool earlierFormat = false;  // fewer than 3000 outputs: pairs were converted
    bool wlanLoaded = false;
};
// Opening a KNX/WLAN record: derives SceneCount, converts the pairs of an earlier-format
// record in place, and copies the WLAN settings when byte 53 bit 0 is clear. A record that is
// not KNX/WLAN or whose sections are damaged is left untouched.
KnxReadResult ReadKnxRecord(MutableBytes record, std::span<uint8_t, layout::kWlanSize> wlan);

// Trailing block of a KNX/WLAN record: the catalogue's names.
struct NameEntry {
    uint16_t number = 0;
    uint32_t itemData = 0;
    std::string label;  // stored 8-bit bytes, without the terminating NUL
    bool operator==(const NameEntry&) const = default;
};
struct NameBlock {
    std::vector<NameEntry> mains, middles, groups;
};
// nullopt when the record is not KNX/WLAN, has no trailing block, or the block is damaged.
std::optional<NameBlock> ReadNameBlock(ConstBytes record);

// Trailing block of an EnOcean record: zeroes `table`, copies the stored rows (at most 1000,
// only whole rows inside the record) and returns their number.
uint16_t ReadTransmitterTable(ConstBytes record,
                              std::span<uint8_t, layout::kRowSize * layout::kMaxRows> table);

// Display text of a transmitter row: its name when byte 0 is not 0 (UTF-8; bytes that are not
// valid UTF-8 are read as Windows-1252), else "ID:0x.. ORG:0x.. Data:0x.. Status:0x..".
std::string TransmitterLabel(ConstBytes row70);

// Building blocks shared by the readers, the checker, the inspector and scene deletion.

// Main-part length when the header is complete and the length fits the record.
std::optional<size_t> MainPartLength(ConstBytes record);

// The trailing block behind the main part (including its u32 length field).
struct TrailingProbe {
    bool present = false;             // flag A bit 0x01
    std::optional<ConstBytes> block;  // set when present and inside the record
    std::string problem;              // why a present block cannot be read
};
TrailingProbe ProbeTrailingBlock(ConstBytes record, size_t mainLength);

// A counted section (u16 count, then count entries of `width` bytes) at the offset stored in
// the header field `headerField`; it must lie inside the main part, behind the header.
struct SectionProbe {
    bool present = false;            // header offset non-zero
    std::optional<ConstBytes> body;  // the entries, without the count
    std::string problem;
    bool Usable() const { return !present || body.has_value(); }
};
SectionProbe ProbeSection(ConstBytes record, size_t mainLength, size_t headerField, size_t width,
                          const char* name);

// Output table entries of a KNX/WLAN record (empty when absent); nullopt when damaged.
std::optional<ConstBytes> ReadOutputTable(ConstBytes record);
uint16_t SceneCountFromOutputs(ConstBytes outputCodes);

struct NameBlockParse {
    std::optional<NameBlock> block;
    std::string problem;
    size_t end = 0;  // offset behind the last entry (6 padding bytes follow in a sound block)
};
NameBlockParse ParseNameBlock(ConstBytes trailingBlock, bool threeLevel);

}  // namespace halvex
