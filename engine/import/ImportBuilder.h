// Turns group addresses, as any of the ETS exports states them, into catalogue items: the checks
// and label rules that the ESF, XML and CSV readers share, so that equal content gives equal items.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/import/EsfImport.h"

namespace halvex {

// One group address of an export: every text as it stands in the file, nothing checked yet.
struct AddressEntry {
    bool threeLevel = false;
    std::string_view mainName;
    std::string_view middleName;    // three-level only
    std::string_view mainDigits;    // decimal digits as written (leading zeros allowed)
    std::string_view middleDigits;  // three-level only
    std::string_view groupDigits;
    std::string_view name;
    uint8_t objectType = kEsfNoSize;
};

// An address written "m/s/g" (three-level) or "m/g" (two-level), split at its slashes; the parts
// are not checked. nullopt for a text with no or more than two slashes.
struct AddressParts {
    bool threeLevel = false;
    std::string_view main;
    std::string_view middle;  // empty when two-level
    std::string_view group;
};
std::optional<AddressParts> SplitAddress(std::string_view text);

// Appends to `result.items` what each taken entry adds. An entry is taken when its numbers are
// decimal digits within range (main 0..31, middle 0..7, group 0..255 or 0..2047), each label it
// builds (number, blank, name counted in the file's own bytes) fits kEsfMaxLabelLength, and each
// name is UTF-8 or Windows-1252 text without NUL, CR or LF. Labels: main and middle digits as
// written, then the name ("01 Light"); the address's main and middle number in decimal, its group
// digits as written, then the name ("1/0/012 Ceiling"). The first entry of an address wins; a
// later one adds only the main and middle groups still missing. `result.threeLevel` becomes the
// layout of the last entry taken.
class ImportBuilder {
public:
    explicit ImportBuilder(EsfImport& result) : result_(result) {}

    // False when the entry is malformed; it then adds nothing (the caller counts it).
    bool Add(const AddressEntry& entry);

private:
    EsfImport& result_;
    std::bitset<32> mainGroups_;
    std::bitset<256> middleGroups_;
    std::bitset<65536> addresses_;
};

}  // namespace halvex
