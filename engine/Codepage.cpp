#include "engine/Codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <cstring>

namespace halvex {
namespace {

// Unicode code points of Windows-1252 bytes 0x80-0x9F; 0 marks the five undefined bytes.
constexpr std::array<uint16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `i`; returns its length, or 0 when it is malformed.
size_t DecodeOne(std::string_view s, size_t i, uint32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len = 0;
    uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x80 && b < 0xA0) {
            const uint16_t cp = kHigh[b - 0x80];
            AppendUtf8(out, cp != 0 ? cp : 0xFFFD);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeOne(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (size_t k = 0; k < kHigh.size(); ++k) {
            if (kHigh[k] != 0 && kHigh[k] == cp)
                mapped = static_cast<char>(0x80 + k);
        }
        out += mapped;
    }
    return out;
}

#ifdef _WIN32

namespace {

// `text` from code page `from` to code page `to`, through UTF-16.
std::string Convert(std::string_view text, UINT from, UINT to) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
    const char* fallback = to == CP_UTF8 ? nullptr : "?";
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, fallback, nullptr);
    return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view bytes) {
    return Convert(bytes, CP_ACP, CP_UTF8);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, CP_ACP);
}

#else

std::string AnsiToUtf8(std::string_view bytes) {
    return Cp1252ToUtf8(bytes);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return Utf8ToCp1252(utf8);
}

#endif

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeOne(bytes, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string DecodeUtf8OrCp1252(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

std::string EscapeControls(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeOne(utf8, i, cp);
        const auto byte = static_cast<uint8_t>(utf8[i]);
        if (len == 0 || cp < 0x20 || cp == 0x7F) {
            const char* named = byte == '\n'   ? "\\n"
                                : byte == '\r' ? "\\r"
                                : byte == '\t' ? "\\t"
                                               : nullptr;
            out += named ? named : std::string{'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
            ++i;
            continue;
        }
        if (cp >= 0x80 && cp < 0xA0) {
            out += {'\\', 'u', '0', '0', kHex[cp >> 4], kHex[cp & 0xF]};
        } else if (cp == '\\') {
            out += "\\\\";
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    return out;
}

std::string_view FieldText(const uint8_t* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - field) : size;
    return {reinterpret_cast<const char*>(field), n};
}

}  // namespace halvex
