// The one entry point for importing group addresses: recognises an ETS export by its content
// (ESF, the XML "GroupAddress-Export" or the CSV export in either layout) and reads it into the
// catalogue items of EsfImport, or says why it refuses the file.
//
// Recognition: a file is ESF when the first non-empty line after line 1 is an ESF address line
// (line 1, the project name, may hold anything). Otherwise it is XML when its first byte after a
// UTF-8 byte-order mark and white space is "<", CSV when its first or second line is a CSV row
// holding an address (see GroupAddressCsv.h), and ESF in any other case. A file starting with a
// UTF-16 byte-order mark is refused.
//
// A file from which not one group address can be taken is refused as well: it is the wrong
// file, and the catalogue the user has must not be emptied for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/import/EsfImport.h"

namespace halvex {

enum class ImportFormat : uint8_t { Esf, Xml, Csv };

enum class ImportRefusal : uint8_t {
    None,
    NoGroupAddress,       // none of the three formats, empty, or every entry malformed
    XmlNotWellFormed,     // `line` and `detail` say where and what
    UnsupportedEncoding,  // `detail` names the encoding
};

struct GroupAddressImport {
    ImportFormat format = ImportFormat::Esf;
    ImportRefusal refusal = ImportRefusal::None;
    size_t line = 0;     // XmlNotWellFormed: line of the error, counted from 1
    std::string detail;  // XmlNotWellFormed: the parser's words; UnsupportedEncoding: its name
    // The items to merge, with the count of malformed entries skipped (lines for ESF and CSV,
    // GroupAddress elements for XML). Empty when the file is refused.
    EsfImport catalogue;
};

GroupAddressImport ImportGroupAddresses(std::string_view fileBytes);

}  // namespace halvex
