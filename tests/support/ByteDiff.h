// Byte-exact comparison that names the offset of each mismatch.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

namespace halvex::test {

// Passes when both buffers are equal; otherwise lists the first mismatching offsets.
::testing::AssertionResult BytesEqual(std::span<const uint8_t> expected,
                                      std::span<const uint8_t> actual);

// Little-endian builders for expected bytes written by hand.
void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);

}  // namespace halvex::test

#define EXPECT_BYTES_EQ(expected, actual) EXPECT_TRUE(::halvex::test::BytesEqual(expected, actual))
#define ASSERT_BYTES_EQ(expected, actual) ASSERT_TRUE(::halvex::test::BytesEqual(expected, actual))
