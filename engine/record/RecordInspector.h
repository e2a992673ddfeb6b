// Describing a record for the host's `inspect` command: for people and for programs.
#pragma once

#include <string>

#include "engine/record/Bytes.h"

namespace halvex {

// A readable account of the record: header, bus mode, sections, device block, trailing
// block, and every damage found (damaged parts are named and not decoded).
std::string DescribeRecordText(ConstBytes record);

// The same as JSON with stable keys (see docs/record-format.md). Always valid UTF-8.
std::string DescribeRecordJson(ConstBytes record);

}  // namespace halvex
