#include "host/ShowFile.h"

#include <nlohmann/json.hpp>

#include "engine/Codepage.h"
#include "engine/record/Bytes.h"
#include "engine/record/RecordLayout.h"
#include "host/HostError.h"
#include "host/InputFile.h"

namespace halvex::host {
namespace {

using nlohmann::json;

// A show is three levels deep; anything far deeper is no show and would only cost stack.
constexpr size_t kMaxNesting = 32;
constexpr size_t kExcerptBytes = 40;
constexpr size_t kParserMessageBytes = 200;

[[noreturn]] void Bad(const std::string& origin, const std::string& message) {
    throw HostError(ExitCode::BadInput, origin + ": " + message);
}

// At most `limit` bytes of `text`, cut at a character boundary, for messages.
std::string Excerpt(std::string_view text, size_t limit = kExcerptBytes) {
    if (text.size() <= limit)
        return std::string(text);
    size_t cut = limit - 3;
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

// Where the parser is, as "devices[0].kind", for messages about values it cannot read.
class JsonPath {
public:
    explicit JsonPath(const std::string& origin) : origin_(origin) {}
    bool Event(json::parse_event_t event, const json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                if (levels_.size() >= kMaxNesting) {
                    Bad(origin_, "values nested deeper than " + std::to_string(kMaxNesting) +
                                     " levels at " + Text());
                }
                levels_.push_back({event == json::parse_event_t::array_start, 0, {}});
                break;
            case json::parse_event_t::key:
                levels_.back().key = Excerpt(parsed.get_ref<const std::string&>());
                break;
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                levels_.pop_back();
                Next();
                break;
            case json::parse_event_t::value:
                Next();
                break;
        }
        return true;
    }
    std::string Text() const {
        std::string text;
        for (const Level& level : levels_) {
            if (level.array) {
                text += "[" + std::to_string(level.index) + "]";
            } else if (!level.key.empty()) {
                text += (text.empty() ? "" : ".") + level.key;
            }
        }
        return text;
    }

private:
    void Next() {
        if (!levels_.empty() && levels_.back().array)
            ++levels_.back().index;
    }
    struct Level {
        bool array = false;
        size_t index = 0;
        std::string key;
    };
    const std::string& origin_;
    std::vector<Level> levels_;
};

// The code page the plug-in reads the names in.
#ifdef _WIN32
constexpr const char* kNameCodePage = "the system's ANSI code page";
#else
constexpr const char* kNameCodePage = "Windows-1252";
#endif

// Converts a UTF-8 name to a field of at most `size` bytes in the plug-in's code page, noting
// every loss.
std::string FieldName(const std::string& utf8, size_t size, const std::string& what,
                      std::vector<std::string>& warnings) {
    std::string cp = Utf8ToAnsi(utf8);
    if (AnsiToUtf8(cp) != utf8) {
        warnings.push_back(what + " \"" + Excerpt(utf8) + "\" has characters that " +
                           kNameCodePage + " lacks; they become '?'");
    }
    if (cp.size() > size) {
        cp.resize(size);
        warnings.push_back(what + " \"" + Excerpt(utf8) + "\" is cut to " + std::to_string(size) +
                           " characters: \"" + AnsiToUtf8(cp) + "\"");
    }
    return cp;
}

std::string NameOf(const json& value, const std::string& origin, const std::string& what) {
    if (!value.is_string())
        Bad(origin, what + " must be a string");
    const auto& name = value.get_ref<const std::string&>();
    if (name.find('\0') != std::string::npos)
        Bad(origin, what + " contains a NUL character");
    return name;
}

// A value for a message: scalars as written, containers only by their kind (dumping them
// would recurse through whatever the file holds).
std::string Describe(const json& value) {
    if (value.is_array())
        return "an array";
    if (value.is_object())
        return "an object";
    return Excerpt(value.dump());
}

void ReadScenes(const json& scenes, const std::string& origin, HostShow& show) {
    if (!scenes.is_array())
        Bad(origin, "\"scenes\" must be an array of scene names");
    if (scenes.size() > kMaxScenes) {
        Bad(origin, std::to_string(scenes.size()) + " scenes; a show has at most " +
                        std::to_string(kMaxScenes));
    }
    for (size_t i = 0; i < scenes.size(); ++i) {
        const std::string what = "scene " + std::to_string(i);
        show.scenes.push_back(
            FieldName(NameOf(scenes[i], origin, what), kSceneNameSize, what, show.warnings));
    }
}

void ReadDevices(const json& devices, const std::string& origin, HostShow& show) {
    if (!devices.is_array())
        Bad(origin, "\"devices\" must be an array of devices");
    if (devices.size() > layout::kMaxDevices) {
        Bad(origin, std::to_string(devices.size()) + " devices; a show has at most " +
                        std::to_string(layout::kMaxDevices));
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        const json& device = devices[i];
        const std::string what = "device " + std::to_string(i);
        if (!device.is_object())
            Bad(origin, what + " must be an object with \"name\" and \"kind\"");
        if (!device.contains("name"))
            Bad(origin, what + " has no \"name\"");
        if (!device.contains("kind"))
            Bad(origin, what + " has no \"kind\"");
        const json& kind = device["kind"];
        if (!kind.is_number_integer() || kind.get<int64_t>() < 0 || kind.get<int64_t>() > 255) {
            Bad(origin,
                what + ": \"kind\" must be an integer from 0 to 255, not " + Describe(kind));
        }
        ShowDevice entry;
        entry.name = FieldName(NameOf(device["name"], origin, what + " name"),
                               layout::kDeviceEntryNameSize, what, show.warnings);
        entry.kind = static_cast<uint8_t>(kind.get<int64_t>());
        show.devices.push_back(std::move(entry));
    }
}

}  // namespace

HostShow ParseShow(std::string_view text, const std::string& origin) {
    json root;
    JsonPath path(origin);
    try {
        root = json::parse(text, [&path](int, json::parse_event_t event, json& parsed) {
            return path.Event(event, parsed);
        });
    } catch (const json::exception& e) {
        // Syntax errors and numbers out of range (1e400) alike.
        std::string what = e.what();
        if (const auto end = what.find("] "); end != std::string::npos)
            what.erase(0, end + 2);
        const std::string where = path.Text();
        Bad(origin, "not valid JSON" + (where.empty() ? std::string() : " at " + where) + ": " +
                        Excerpt(what, kParserMessageBytes));
    }
    if (!root.is_object())
        Bad(origin, "a show file is a JSON object with \"scenes\" and \"devices\"");
    HostShow show;
    for (const auto& [key, value] : root.items()) {
        if (key != "scenes" && key != "devices") {
            show.warnings.push_back("unknown key \"" + Excerpt(key) + "\" is ignored");
        }
    }
    if (root.contains("scenes"))
        ReadScenes(root["scenes"], origin, show);
    if (root.contains("devices"))
        ReadDevices(root["devices"], origin, show);
    return show;
}

HostShow LoadShowFile(const std::filesystem::path& path) {
    const std::vector<uint8_t> text = ReadInputFile(path, kMaxShowFileSize, "show file");
    return ParseShow(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                     path.string());
}

std::vector<uint8_t> BuildSceneList(const HostShow& show) {
    const size_t count = show.scenes.size();
    const size_t size = kFirstSceneBlock + count * kSceneBlockSize + 1 + 7;
    std::vector<uint8_t> out;
    out.reserve(size);
    ByteBuilder b(out);
    b.Bytes(ConstBytes(reinterpret_cast<const uint8_t*>("HXSL"), 4));
    b.U16(static_cast<uint16_t>(size));
    b.U8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const size_t start = b.Size();
        const std::string& name = show.scenes[i];
        b.U16(static_cast<uint16_t>(kSceneBlockSize));
        b.U8(static_cast<uint8_t>(i));
        b.U16(static_cast<uint16_t>(start + kSceneBlockSize));
        b.Bytes(ConstBytes(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
        b.Zeros(kSceneNameSize - name.size());
    }
    b.U8(1);
    b.U16(static_cast<uint16_t>(count));
    b.U16(static_cast<uint16_t>(show.devices.size()));
    b.Zeros(3);
    return out;
}

std::vector<uint8_t> BuildDeviceTable(const HostShow& show) {
    std::vector<uint8_t> out(layout::kDeviceTableSize, 0);
    for (size_t i = 0; i < show.devices.size(); ++i) {
        const ShowDevice& device = show.devices[i];
        const size_t entry = i * layout::kDeviceEntrySize;
        WriteBytes(
            out, entry + layout::kDeviceEntryName,
            ConstBytes(reinterpret_cast<const uint8_t*>(device.name.data()), device.name.size()));
        WriteU8(out, entry + layout::kDeviceEntryKind, device.kind);
    }
    return out;
}

}  // namespace halvex::host
