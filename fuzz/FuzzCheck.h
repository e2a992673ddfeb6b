// What the fuzz targets share: a check that stops the run on a broken guarantee, and reading
// leading parameter bytes off the input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/Bytes.h"

namespace halvex::fuzz {

inline void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Takes the first byte off `input` (0 when it is empty).
inline uint8_t TakeByte(ConstBytes& input) {
    if (input.empty())
        return 0;
    const uint8_t b = input.front();
    input = input.subspan(1);
    return b;
}

}  // namespace halvex::fuzz
