// KNX datapoint types as the ETS exports name them ("DPST-5-1", "DPT-9"), and the object size
// (`ObjectType` 0..14) each main number needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace halvex {

// Object type of datapoint main number `main`: 1 is 1 bit, 2 and 23 are 2 bits, 3 is 4 bits,
// 4-6, 17, 18, 20, 21, 25, 26 are 1 byte, 7-9, 22 are 2 bytes, 10, 11, 30, 232 are 3 bytes,
// 12-15, 27 are 4 bytes, 235, 242, 251 are 6 bytes, 19 and 29 are 8 bytes, 16 is 14 bytes;
// kEsfNoSize for any other number (no main number has 3, 5, 6 or 7 bits or 10 bytes).
uint8_t ObjectTypeOfDatapoint(int main);

// The object type of the first datapoint type of `text`, a list such as "DPST-1-1" or
// "DPT-9, DPST-9-1" (items separated by commas or blanks; "DPT-" or "DPST-" in any case, then
// the main number, then optionally "-" or "." and the sub number). nullopt when the first item
// is not of that shape.
std::optional<uint8_t> ReadDatapointType(std::string_view text);

}  // namespace halvex
