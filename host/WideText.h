// Windows only: the UTF-16 texts of the W functions as the UTF-8 the host prints.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace halvex::host {

inline std::string Utf8FromWide(std::wstring_view wide) {
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace halvex::host
