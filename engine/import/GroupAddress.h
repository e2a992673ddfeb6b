// KNX group address as a value: one 16-bit number shown in a three-level or two-level form.
//
//   three-level  main 0..31 (bits 15..11) / middle 0..7 (bits 10..8) / group 0..255 (bits 7..0)
//   two-level    main 0..31 (bits 15..11) / group 0..2047 (bits 10..0)
//
// The value is the same in both forms; only the way it is split for people differs, which is
// why formatting takes the layout as an argument.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvex {

class GroupAddress {
public:
    static constexpr int kMaxMain = 31;
    static constexpr int kMaxMiddle = 7;
    static constexpr int kMaxGroup3 = 255;
    static constexpr int kMaxGroup2 = 2047;

    constexpr GroupAddress() = default;
    constexpr explicit GroupAddress(uint16_t value) : value_(value) {}

    // Range-checked construction; nullopt when a part is negative or above its maximum.
    static std::optional<GroupAddress> FromParts3(int main, int middle, int group);
    static std::optional<GroupAddress> FromParts2(int main, int group);

    // "main/middle/group" or "main/group" in decimal digits (leading zeros allowed, nothing
    // else: no blanks, no signs); nullopt for any other text or a part out of range.
    static std::optional<GroupAddress> Parse(std::string_view text);

    constexpr uint16_t Value() const { return value_; }
    constexpr int Main() const { return value_ >> 11; }
    constexpr int Middle() const { return (value_ >> 8) & 0x07; }
    // Group number of the three-level form (0..255) and of the two-level form (0..2047).
    constexpr int Group3() const { return value_ & 0xFF; }
    constexpr int Group2() const { return value_ & 0x7FF; }
    // Index of the middle group that holds this address: main * 8 + middle.
    constexpr int MiddleIndex() const { return value_ >> 8; }

    // "1/2/3" or "1/515", every part in decimal without leading zeros.
    std::string Format(bool threeLevel) const;

    constexpr auto operator<=>(const GroupAddress&) const = default;

private:
    uint16_t value_ = 0;
};

// Value of one part of an address written in decimal digits: nullopt when `digits` is empty,
// holds anything but '0'..'9', or its value exceeds `max`. Any number of leading zeros is fine.
std::optional<int> ParseAddressPart(std::string_view digits, int max);

}  // namespace halvex
