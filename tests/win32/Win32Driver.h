// Runs __OpenKNXDialog calls of halvex.dll as a host makes them, driven by the host's dialog
// driver, and reads the plug-in's Win32 windows for the checks its actions do not cover.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "host/WideText.h"
#include "model/ControlIds.h"
#include "support/RecordBuilder.h"

namespace halvex::test {

inline std::string Text(HWND window) {
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return host::Utf8FromWide(text);
}

inline HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

inline std::string ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[256] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return host::Utf8FromWide(text);
}

inline std::vector<std::string> Children(HWND tree, HTREEITEM parent) {
    std::vector<std::string> texts;
    for (HTREEITEM i = Next(tree, parent, parent ? TVGN_CHILD : TVGN_ROOT); i != nullptr;
         i = Next(tree, i, TVGN_NEXT)) {
        texts.push_back(ItemText(tree, i));
    }
    return texts;
}

// The page the main dialog's tab control shows.
inline HWND ShownPage(HWND main) {
    for (HWND child = GetWindow(GetDlgItem(main, ids::kPageTabs), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

// Mouse input at the centre of a tree item (screen coordinates), `dx` pixels to the right.
inline void Mouse(HWND tree, HTREEITEM item, DWORD flags, int dx = 0) {
    RECT r{};
    std::memcpy(&r, &item, sizeof item);  // the request names its item in the rectangle
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + 8 + dx, (r.top + r.bottom) / 2};
    ClientToScreen(tree, &p);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &input, sizeof input);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// The main dialog a script of the driver runs on.
inline HWND MainWindow(host::DialogDriver& d) {
    return static_cast<HWND>(d.Window());
}

// One dialog call on a malloc copy of `record` (null: a new record), with the scenes "Morning"
// and "Evening" and the device "Spot"; `setup` gives the driver its scripts. Returns the host's
// record variable afterwards (the caller's to free) and names a failure of the driver in
// `failure`.
inline uint8_t* RunCall(const std::vector<uint8_t>* record, uint8_t language,
                        const std::function<void(host::DialogDriver&)>& setup,
                        std::string& failure) {
    static const auto* library = new host::PluginLibrary(HALVEX_LIBRARY);
    static const std::vector<uint8_t> scenes = MakeSceneList({"Morning", "Evening"});
    static const std::vector<uint8_t> devices = MakeDeviceTable({{"Spot", 40}});
    uint8_t* slot = nullptr;
    if (record != nullptr) {
        slot = static_cast<uint8_t*>(std::malloc(record->size()));
        std::memcpy(slot, record->data(), record->size());
    }
    const auto ui = host::StartUi(true);
    std::ostringstream out;
    const auto driver = host::DialogDriver::Create(std::chrono::seconds(60), out);
    setup(*driver);
    library->OpenDialog()(scenes.data(), slot, &slot, language,
                          reinterpret_cast<const uint32_t*>(devices.data()), 1);
    driver->Finish();
    failure = driver->FailureMessage();
    return slot;
}

}  // namespace halvex::test
