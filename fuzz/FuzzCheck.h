// What the fuzz targets share: a check that stops the run on a broken guarantee, and reading
// leading parameter bytes off the input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/record/Bytes.h"

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

// True when every byte of `bytes` is 0. One memcmp against a zero block rather than a loop, so
// the comparison tracing of the fuzz build does not run per byte.
inline bool AllZero(ConstBytes bytes) {
    static const uint8_t zeros[4096] = {};
    for (size_t at = 0; at < bytes.size(); at += sizeof zeros) {
        const size_t n = std::min(sizeof zeros, bytes.size() - at);
        if (std::memcmp(bytes.data() + at, zeros, n) != 0)
            return false;
    }
    return true;
}

}  // namespace halvex::fuzz
