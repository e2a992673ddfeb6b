// The show file: the host's scenes and devices, read from JSON and turned into the byte
// structures the plug-in receives (the scene list and the 512-entry device table).
//
//   {"scenes": ["Morning", "Evening"], "devices": [{"name": "Dimmer A", "kind": 0}]}
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::host {

inline constexpr size_t kMaxScenes = 254;  // the plug-in's scene deletion needs count + 1 in a u8
inline constexpr size_t kSceneNameSize = 15;
inline constexpr size_t kSceneBlockSize = 20;  // u16 length, u8 number, u16 name end, name
inline constexpr size_t kFirstSceneBlock = 7;
// Far more than the largest show (254 scenes, 512 devices) takes even with generous spacing.
inline constexpr size_t kMaxShowFileSize = 16u << 20;

struct ShowDevice {
    std::string name;  // in the plug-in's code page, at most 20 bytes
    uint8_t kind = 0;
};

// A show as the host hands it to the plug-in. Names are already converted to the code page the
// plug-in reads them in (Windows-1252; the system's ANSI code page on Windows) and cut.
struct HostShow {
    std::vector<std::string> scenes;  // in the plug-in's code page, at most 15 bytes each
    std::vector<ShowDevice> devices;
    std::vector<std::string> warnings;  // names that were cut or lost characters, unknown keys
};

// Parses show-file JSON; `origin` names the file in messages. Throws HostError (BadInput).
HostShow ParseShow(std::string_view json, const std::string& origin);

// Reads and parses a show file. Throws HostError (BadInput).
HostShow LoadShowFile(const std::filesystem::path& path);

// The scene list: bytes 0-3 "HXSL", u16 total size, u8 scene count, one 20-byte block per
// scene (u16 block length, u8 scene number, u16 offset just behind the name, 15-byte name),
// then one 7-byte host record (u16 scene count, u16 device count, 3 zero bytes).
std::vector<uint8_t> BuildSceneList(const HostShow& show);

// The 12288-byte device table: 512 entries of name (20 bytes, NUL-padded), kind, 3 zero bytes.
std::vector<uint8_t> BuildDeviceTable(const HostShow& show);

}  // namespace halvex::host
