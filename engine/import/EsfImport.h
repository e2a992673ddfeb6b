// Reading an ETS OPC group-address export (.esf) into catalogue entries, without any widget.
//
// File shape: line 1 is the project name; every further line is one group address:
//
//   Main name.Middle name.1/2/3<TAB>Address name<TAB>EIS 1 'Switching' (1 Bit)<TAB>Low<TAB>...
//   Main name.1/515<TAB>Address name<TAB>Uncertain (1 Byte)<TAB>Low<TAB>
//
// Lines end at LF, with or without a CR before it; the last line may lack a line end. Every text
// (project name, group names) is UTF-8 when its bytes are valid UTF-8, otherwise Windows-1252.
// A UTF-8 byte-order mark at the start of the file is dropped. The project name ends at the
// first CR or NUL of line 1; a line 1 over kEsfMaxLineLength bytes leaves it empty and counts as
// skipped.
//
// A line is three-level when, after NormaliseEsfLine and MaskNameSlashes, a second "." stands
// before its first TAB, and two-level otherwise.
//
// An address line is taken only when all of this holds; otherwise it is skipped whole, nothing
// of it enters the catalogue, and it is counted in EsfImport::skippedLines:
//   - at most kEsfMaxLineLength bytes without its line end;
//   - no NUL byte and no CR other than the one before the LF;
//   - a TAB, and a "." before the first TAB;
//   - the address of its layout ("m/g" two-level, "m/mi/g" three-level) in decimal digits
//     within range: main 0..31, middle 0..7, group 0..255 (three-level) or 0..2047 (two-level);
//   - every label it builds (number, blank, name, the name counted in the file's own bytes) at
//     most kEsfMaxLabelLength bytes;
//   - each name valid UTF-8 or Windows-1252 text (none of the five bytes that code page leaves
//     undefined: 0x81, 0x8D, 0x8F, 0x90, 0x9D).
// A line over the length limit is skipped up to its LF, and reading goes on with the next line.
// Empty lines are passed over and not counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvex {

inline constexpr size_t kEsfMaxLineLength = 65535;
inline constexpr size_t kEsfMaxLabelLength = 255;
// Size index of a line that carries no size text.
inline constexpr uint8_t kEsfNoSize = 255;

// Size index (`ObjectType` 0..14) of the first size text found anywhere in `line`, searched in
// the order "(1 Bit)" .. "(7 Bit)", "(1 Byte)", "(2 Byte)", "(3 Byte)", "(4 Byte)", "(6 Byte)",
// "(8 Byte)", "(10 Byte)", "(14 Byte)"; kEsfNoSize when none occurs.
uint8_t SizeTextToObjectType(std::string_view line);

// Drops one superfluous name segment before the first TAB: when the number of "." before the
// TAB differs from the number of "/" after the last of them, the text from the first "." up to
// (not including) the second "." is removed, so "Light.Floor.1/12" becomes "Light.1/12". Left
// unchanged when there is no TAB, no "." before it, or only one "." before it.
void NormaliseEsfLine(std::string& line);

// Replaces every "/" in the group names (before the last "." that precedes the first TAB) by
// "_", so that "/" is left only in the address. Left unchanged without a TAB or such a ".".
void MaskNameSlashes(std::string& line);

enum class EsfItemKind { MainGroup, MiddleGroup, GroupAddress };

struct EsfItem {
    EsfItemKind kind = EsfItemKind::MainGroup;
    // Main group number, middle index (main * 8 + middle) or 16-bit group address.
    uint16_t number = 0;
    // UTF-8: "1 Light" for groups (digits as written in the file), "1/0/12 Ceiling" or
    // "1/12 Ceiling" for addresses (main and middle numbers in decimal, group digits as written).
    std::string label;
    // 0 for groups; address << 16 | 0x20 | size index for addresses (0xFF low byte: no size).
    uint32_t itemData = 0;
    // Layout of the line that created the item: an address of a three-level line belongs under
    // its middle group, one of a two-level line directly under its main group.
    bool threeLevel = false;

    bool operator==(const EsfItem&) const = default;
};

struct EsfImport {
    std::string projectName;         // UTF-8, without a leading byte-order mark
    std::optional<bool> threeLevel;  // layout of the last line taken; nullopt when none was
    // Creation order: every parent comes before its children, and each item belongs at the end
    // of its parent. A main group goes under the root, a middle group under main group
    // number >> 3, an address under middle group number >> 8 (three-level) or main group
    // number >> 11 (two-level).
    std::vector<EsfItem> items;
    size_t skippedLines = 0;  // malformed lines, see the top of this file
};

// Parses a whole export. Duplicate addresses: the first line wins; later lines with the same
// address add only the main and middle groups that are still missing.
EsfImport ParseEsf(std::string_view fileBytes);

// True when the first non-empty line after line 1 is an address line that ParseEsf takes.
bool LooksLikeEsf(std::string_view fileBytes);

}  // namespace halvex
