// Text conversions between UTF-8 and the 8-bit code pages of records and imported files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halvex {

// Windows-1252 bytes to UTF-8. Bytes the code page leaves undefined map to U+FFFD.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; characters the code page lacks become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// The record's 8-bit texts (scene and device names, the network page's texts): the system's
// ANSI code page on Windows, Windows-1252 elsewhere. Characters the code page lacks become '?'.
std::string AnsiToUtf8(std::string_view bytes);
std::string Utf8ToAnsi(std::string_view utf8);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Decodes bytes of unknown origin: UTF-8 when they are valid UTF-8, else Windows-1252.
std::string DecodeUtf8OrCp1252(std::string_view bytes);

// Text for a terminal: control characters (C0, DEL and C1, U+0080 to U+009F) become escapes
// (\n, \r, \t, \xNN, \u0085), bytes that are not UTF-8 become \xNN and a backslash is doubled,
// so that no text from a record, a file or the network can start a line or steer the terminal.
std::string EscapeControls(std::string_view utf8);

// A NUL-terminated field of at most `size` bytes as text (stops at the first NUL).
std::string_view FieldText(const uint8_t* field, size_t size);

}  // namespace halvex
