// Live DMX output: forwards the host's frames to the selected gateway while a preview output
// of the scene's record is on.
#pragma once

#include <cstdint>

#include "engine/net/GatewayAccess.h"

namespace halvex {

// Sends `length` bytes of `frame` over the gateway link when byte 15 of `record` has a preview
// bit (0x40 output 1, 0x80 output 2), after writing those bits into byte 6 of the frame. The
// link is opened once, towards the selected gateway or the broadcast address when none is
// selected, on port 4042, and keeps that destination until something closes it. Null pointers,
// frames shorter than 7 bytes and records without a preview bit send nothing and change
// nothing. Allocates nothing once the link is open; holds the link's lock.
void SendDmxFrame(uint8_t* frame, const uint8_t* record, uint16_t length,
                  const GatewayAccess& gateway);

}  // namespace halvex
