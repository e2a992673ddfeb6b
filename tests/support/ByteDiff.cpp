#include "support/ByteDiff.h"

#include <cstdio>
#include <string>

namespace halvex::test {

::testing::AssertionResult BytesEqual(std::span<const uint8_t> expected,
                                      std::span<const uint8_t> actual) {
    std::string report;
    int shown = 0;
    const size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common && shown < 16; ++i) {
        if (expected[i] != actual[i]) {
            char line[96];
            std::snprintf(line, sizeof line, "\n  offset %zu (0x%zx): expected 0x%02x, got 0x%02x",
                          i, i, expected[i], actual[i]);
            report += line;
            ++shown;
        }
    }
    if (expected.size() != actual.size()) {
        report += "\n  size: expected " + std::to_string(expected.size()) + ", got " +
                  std::to_string(actual.size());
    }
    if (report.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "byte buffers differ:" << report;
}

}  // namespace halvex::test
