// Byte-exact comparison that names the offset of each mismatch.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "support/RecordBuilder.h"  // PutU16 and PutU32 for expected bytes

namespace halvex::test {

// Passes when both buffers are equal; otherwise lists the first mismatching offsets.
::testing::AssertionResult BytesEqual(std::span<const uint8_t> expected,
                                      std::span<const uint8_t> actual);

// The bytes of a string literal, embedded NULs included, without its terminating NUL.
template <size_t N>
std::vector<uint8_t> LiteralBytes(const char (&text)[N]) {
    return {text, text + N - 1};
}

}  // namespace halvex::test

#define EXPECT_BYTES_EQ(expected, actual) EXPECT_TRUE(::halvex::test::BytesEqual(expected, actual))
#define ASSERT_BYTES_EQ(expected, actual) ASSERT_TRUE(::halvex::test::BytesEqual(expected, actual))
