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
//
// GenerateXml and GenerateCsv write the same content as the XML and CSV exports of ETS (ranges
// named "Floor <main>" and "Room <middle>", the datapoint type of each address's size), in
// address order: they equal GenerateEsf without `shuffled` and `umlauts`.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
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
inline constexpr std::array<std::string_view, 5> kEsfGeneratorDatapoints = {
    "DPST-1-1", "DPST-3-7", "DPST-5-1", "DPT-9", "DPST-16-0"};

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
        out.append("Floor ").append(main).append(options.umlauts ? " K\xFC" : "");
        out.append(options.umlauts ? "che." : ".");
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

inline std::string GenerateXml(const EsfGeneratorOptions& options) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
        "<GroupAddress-Export xmlns=\"http://knx.org/xml/ga-export/01\">\n";
    out.reserve(options.count * 128 + 256);
    const std::string_view close = "</GroupRange>\n";
    const auto open = [&out](std::string_view name, size_t start, size_t end) {
        out.append("<GroupRange Name=\"").append(name).append("\" RangeStart=\"");
        out.append(std::to_string(start)).append("\" RangeEnd=\"").append(std::to_string(end));
        out.append("\">\n");
    };
    const size_t count = std::min<size_t>(options.count, 65536);
    for (size_t i = 0; i < count; ++i) {
        const size_t main = i >> 11, middle = (i >> 8) & 7;
        if ((i & 0x7FF) == 0) {
            if (i != 0)
                out.append(close).append(options.threeLevel ? close : "");
            open("Floor " + std::to_string(main), i, i + 0x7FF);
        } else if (options.threeLevel && (i & 0xFF) == 0) {
            out.append(close);
        }
        if (options.threeLevel && (i & 0xFF) == 0)
            open("Room " + std::to_string(middle), i, i + 0xFF);
        out.append("<GroupAddress Name=\"Light ").append(std::to_string(i));
        out.append(" switch\" Address=\"").append(std::to_string(main)).append("/");
        if (options.threeLevel)
            out.append(std::to_string(middle)).append("/").append(std::to_string(i & 0xFF));
        else
            out.append(std::to_string(i & 0x7FF));
        out.append("\" DPTs=\"").append(kEsfGeneratorDatapoints[i % 5]);
        out.append("\" Description=\"\" />\n");
    }
    if (count > 0)
        out.append(close).append(options.threeLevel ? close : "");
    return out.append("</GroupAddress-Export>\n");
}

// `perLevel`: one column per level (ETS "3/1"), otherwise one name column ("1/1").
inline std::string GenerateCsv(const EsfGeneratorOptions& options, bool perLevel, char separator) {
    std::string out;
    out.reserve(options.count * 96 + 256);
    const auto row = [&out, &options, separator](std::initializer_list<std::string_view> fields) {
        size_t n = 0;
        for (std::string_view field : fields) {
            if (n++ > 0)
                out += separator;
            out.append(1, '"').append(field).append(1, '"');
        }
        out.append(options.lineEnd);
    };
    // Level 0 main range, 1 middle range, 2 address.
    const auto named = [&row, perLevel](int level, std::string_view name, std::string_view address,
                                        std::string_view type) {
        if (perLevel) {
            row({level == 0 ? name : "", level == 1 ? name : "", level == 2 ? name : "", address,
                 "", "", "", type, "Auto"});
        } else {
            row({name, address, "", "", "", type, "Auto"});
        }
    };
    if (perLevel) {
        row({"Main", "Middle", "Sub", "Address", "Central", "Unfiltered", "Description",
             "DatapointType", "Security"});
    } else {
        row({"Group name", "Address", "Central", "Unfiltered", "Description", "DatapointType",
             "Security"});
    }
    for (size_t i = 0; i < options.count && i < 65536; ++i) {
        const std::string main = std::to_string(i >> 11), middle = std::to_string((i >> 8) & 7);
        if ((i & 0x7FF) == 0)
            named(0, "Floor " + main, main + (options.threeLevel ? "/-/-" : "/-"), "");
        if (options.threeLevel && (i & 0xFF) == 0)
            named(1, "Room " + middle, main + "/" + middle + "/-", "");
        const std::string address = options.threeLevel
                                        ? main + "/" + middle + "/" + std::to_string(i & 0xFF)
                                        : main + "/" + std::to_string(i & 0x7FF);
        named(2, "Light " + std::to_string(i) + " switch", address, kEsfGeneratorDatapoints[i % 5]);
    }
    return out;
}

}  // namespace halvex::test
