// Builds export files in the shape of a real ETS group-address export, for tests and benchmarks.
//
// Address i of the file (0 <= i < count) has the 16-bit value i, or a scrambled but unique value
// when `shuffled` is set. Its line reads, three-level:
//   Floor <main>.Room <middle>.<main>/<middle>/<group><TAB>Light <value>
//   switch<TAB><type><TAB>Low<TAB>
// and two-level:
//   Floor <main>.<main>/<group><TAB>Light <value> switch<TAB><type><TAB>Low<TAB>
// where <type> cycles through kEsfGeneratorTypes. With `umlauts`, every main-group name gets
// " K\xFC" "che" (Windows-1252) appended.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace halvex::test {

struct EsfGeneratorOptions {
    size_t count = 65536;  // at most 65536
    bool threeLevel = true;
    bool shuffled = false;
    bool umlauts = false;
    std::string_view lineEnd = "\r\n";
    std::string_view projectName = "Generated project";
};

// Type texts used in turn, and the object type each one gives.
inline constexpr std::array<std::string_view, 5> kEsfGeneratorTypes = {
    "EIS 1 'Switching' (1 Bit)", "EIS 2 'Dimming - control' (4 Bit)", "Uncertain (1 Byte)",
    "EIS 5 'Value' (2 Byte)", "EIS 15 'Character String' (14 Byte)"};
inline constexpr std::array<uint8_t, 5> kEsfGeneratorObjectTypes = {0, 3, 7, 8, 14};

// 16-bit address of line i (a bijection on 0..65535 when shuffled).
inline uint16_t EsfGeneratorAddress(size_t i, bool shuffled) {
    return static_cast<uint16_t>(shuffled ? (i * 40503u + 12345u) & 0xFFFFu : i);
}

inline std::string GenerateEsf(const EsfGeneratorOptions& options) {
    std::string out;
    out.reserve(options.count * 96 + 64);
    out.append(options.projectName).append(options.lineEnd);
    for (size_t i = 0; i < options.count && i < 65536; ++i) {
        const uint16_t value = EsfGeneratorAddress(i, options.shuffled);
        const std::string main = std::to_string(value >> 11);
        out.append("Floor ").append(main);
        if (options.umlauts)
            out.append(
                " K\xFC"
                "che");
        out.append(".");
        if (options.threeLevel) {
            const std::string middle = std::to_string((value >> 8) & 7);
            out.append("Room ").append(middle).append(".");
            out.append(main).append("/").append(middle).append("/");
            out.append(std::to_string(value & 0xFF));
        } else {
            out.append(main).append("/").append(std::to_string(value & 0x7FF));
        }
        out.append("\tLight ").append(std::to_string(value)).append(" switch\t");
        out.append(kEsfGeneratorTypes[i % kEsfGeneratorTypes.size()]);
        out.append("\tLow\t").append(options.lineEnd);
    }
    return out;
}

}  // namespace halvex::test
