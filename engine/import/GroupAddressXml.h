// Reading the ETS group-address XML export:
//
//   <?xml version="1.0" encoding="utf-8"?>
//   <GroupAddress-Export xmlns="http://knx.org/xml/ga-export/01">
//     <GroupRange Name="Light" RangeStart="2048" RangeEnd="4095">
//       <GroupRange Name="Ground" RangeStart="2048" RangeEnd="2303">
//         <GroupAddress Name="Ceiling" Address="1/0/12" DPTs="DPST-1-1" Description="..."/>
//
// The root element is GroupAddress-Export (element names compare without their namespace
// prefix); GroupRange elements nest, GroupAddress elements stand in any of them, anything else is
// passed over. An address gets the Name of its outermost range as main-group name and that of
// the range inside it as middle-group name, as an ESF line names them (RangeStart and RangeEnd
// are not needed: the numbers come from the address). Address is "m/s/g" (three-level), "m/g"
// (two-level) or a plain number 0..65535, which is three-level inside two ranges and two-level
// otherwise; DPTs gives the object type (see DatapointType.h), none or an unknown one gives
// kEsfNoSize. An element without a usable Address, or that ImportBuilder refuses, is skipped and
// counted.
//
// Encoding: UTF-8 (with or without byte-order mark) unless the XML declaration names another;
// Windows-1252 and ISO-8859-1 (read as Windows-1252) are converted, any other is refused. The
// parser (rapidxml) expands only the five predefined entities and character references, never
// a DTD's entities and never an external one; a document type declaration is passed over. Nesting
// deeper than kXmlMaxDepth elements is refused before parsing, since the parser recurses once per
// level; so is a file of more than kXmlMaxNodes elements and attributes (NoGroupAddress: an
// export of all 65,536 addresses has well under a million), since the parser keeps each.
#pragma once

#include <string_view>

#include "engine/import/GroupAddressImport.h"

namespace halvex {

inline constexpr size_t kXmlMaxDepth = 256;
inline constexpr size_t kXmlMaxNodes = 2'000'000;

// True when the first byte after a UTF-8 byte-order mark and white space is "<".
bool LooksLikeXml(std::string_view fileBytes);

// The items of an XML export (format Xml), or a refusal: not well-formed, an unsupported
// encoding, or a root element other than GroupAddress-Export (NoGroupAddress).
GroupAddressImport ParseGroupAddressXml(std::string_view fileBytes);

}  // namespace halvex
