// Reading the ETS group-address CSV export, in both layouts ETS writes:
//
//   one column per level ("3/1")   "Main";"Middle";"Sub";"Address";...;"DatapointType";...
//                                  "Light";"";"";"1/-/-";...
//                                  "";"Ground";"";"1/0/-";...
//                                  "";"";"Ceiling";"1/0/12";...;"DPST-1-1";...
//   one column for all ("1/1")     "Group name";"Address";...;"DatapointType";...
//                                  "Light";"1/-/-";...
//                                  "Ceiling";"1/0/12";...;"DPST-1-1";...
//
// Fields are separated by ";", "," or a TAB and may be quoted with '"' (a doubled '"' inside
// stands for one; a quoted field may span lines). Rows end at LF, with or without a CR before it.
// A UTF-8 byte-order mark is dropped; every name is UTF-8 when its bytes are valid UTF-8,
// otherwise Windows-1252, as in ESF files.
//
// Recognition: for each separator in the order ";", ",", TAB, the first row, or else the second
// (the first is then a header), must hold an address or range text ("m/s/g", "m/g", "m/-/-",
// "m/s/-", "m/-") in column 2 (layout 1/1) or column 4 (layout 3/1). The row's name is column 1
// (1/1), or the last non-empty of columns 1 to 3 (3/1). A row whose address has "-" parts names a
// main group ("m/-/-", "m/-") or a middle group ("m/s/-"); every address takes the main- and
// middle-group names of the first such rows with its numbers, wherever they stand in the file.
// The datapoint type is the column a header calls "DatapointType", or without one the first field
// after the address that reads as a datapoint type (see DatapointType.h). Empty rows are passed
// over; a row without an address or range text, with a range out of range, an unclosed quote, or
// that ImportBuilder refuses is skipped and counted.
#pragma once

#include <optional>
#include <string_view>

#include "engine/import/EsfImport.h"

namespace halvex {

// The items of a CSV export, or nullopt when the file does not have the shape of one.
std::optional<EsfImport> ParseGroupAddressCsv(std::string_view fileBytes);

}  // namespace halvex
