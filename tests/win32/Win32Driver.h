// Drives the plug-in's Win32 dialogs through their real windows, as a user would: halvex.dll
// loaded as a host loads it, each __OpenKNXDialog call made on the calling thread while a second
// thread finds the dialogs, reads and presses their controls, and moves the mouse.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "halvex/plugin.h"
#include "model/ControlIds.h"
#include "support/RecordBuilder.h"

namespace halvex::test {

using OpenFn = decltype(&__OpenKNXDialog);

// A path as the build names it, for Windows programs: Wine reaches the root of the file system
// as Z:.
inline std::wstring WinePath(const std::string& path) {
    std::wstring out(path.size(), L'\0');
    out.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, path.data(),
                                                       static_cast<int>(path.size()), out.data(),
                                                       static_cast<int>(out.size()))));
    for (wchar_t& c : out)
        c = c == L'/' ? L'\\' : c;
    return !path.empty() && path.front() == '/' ? L"Z:" + out : out;
}

inline OpenFn Open() {
    static const OpenFn open = [] {
        HMODULE library = LoadLibraryW(WinePath(HALVEX_LIBRARY).c_str());
        return library != nullptr ? reinterpret_cast<OpenFn>(reinterpret_cast<void*>(
                                        GetProcAddress(library, "__OpenKNXDialog")))
                                  : nullptr;
    }();
    return open;
}

// The driving side: windows of the thread that runs the dialog.
class Driver {
public:
    explicit Driver(DWORD uiThread) : uiThread_(uiThread) {}

    // The visible dialog with this caption, once it is up (a time-out ends the script).
    HWND Dialog(const std::wstring& caption) {
        for (int i = 0; i < 600; ++i) {
            found_ = nullptr;
            wanted_ = caption;
            EnumThreadWindows(uiThread_, &Driver::Match, reinterpret_cast<LPARAM>(this));
            if (found_ != nullptr)
                return found_;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        throw std::runtime_error("no dialog \"" + Narrow(caption) + "\"");
    }
    // The main dialog with this caption, once it is up and free: the message that the listening
    // port is taken (another program may hold it) is acknowledged.
    HWND Main(const std::wstring& caption) {
        HWND main = Dialog(caption);
        for (int i = 0; i < 10 && IsWindowEnabled(main); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!IsWindowEnabled(main))
            Press(Dialog(L"Information"), IDOK);
        return main;
    }
    // Pressing a button that opens a modal window must not wait for it: it is posted.
    static void Press(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

    static std::string Text(HWND window) {
        wchar_t text[512] = {};
        SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        return Narrow(text);
    }
    static std::string Narrow(const std::wstring& wide) {
        std::string out(wide.size() * 3 + 1, '\0');
        out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(),
                                                           static_cast<int>(out.size()), nullptr,
                                                           nullptr) -
                                       1));
        return out;
    }
    static std::string ItemText(HWND tree, HTREEITEM item) {
        wchar_t text[256] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 256;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return Narrow(text);
    }
    static HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    }
    static std::vector<std::string> Children(HWND tree, HTREEITEM parent) {
        std::vector<std::string> texts;
        for (HTREEITEM i = Next(tree, parent, parent ? TVGN_CHILD : TVGN_ROOT); i != nullptr;
             i = Next(tree, i, TVGN_NEXT)) {
            texts.push_back(ItemText(tree, i));
        }
        return texts;
    }
    // A left click on tab `index`, as the mouse gives it.
    static void ClickTab(HWND tabs, int index) {
        RECT r{};
        SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(tabs, WM_LBUTTONUP, 0, at);
    }
    // The page the tab control shows.
    static HWND ShownPage(HWND main) {
        for (HWND child = GetWindow(GetDlgItem(main, ids::kPageTabs), GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(child))
                return child;
        }
        return nullptr;
    }
    // Mouse input at the centre of a tree item (screen coordinates).
    static void Mouse(HWND tree, HTREEITEM item, DWORD flags, int dx = 0) {
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

private:
    static BOOL CALLBACK Match(HWND window, LPARAM self) {
        auto* d = reinterpret_cast<Driver*>(self);
        wchar_t caption[256] = {};
        GetWindowTextW(window, caption, 256);
        if (IsWindowVisible(window) && d->wanted_ == caption) {
            d->found_ = window;
            return FALSE;
        }
        return TRUE;
    }

    DWORD uiThread_;
    std::wstring wanted_;
    HWND found_ = nullptr;
};

inline BOOL CALLBACK CloseWindowOf(HWND window, LPARAM) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Runs one dialog call on this thread while `script` drives it; returns the host's record
// variable afterwards (the plug-in's to free when it replaced `record`). A dialog the script
// waited for in vain is named in `failure`. When the call has not returned 10 s after the
// script, whatever is open is closed.
inline uint8_t* RunCall(const std::vector<uint8_t>* record, uint8_t language,
                        const std::function<void(Driver&)>& script, std::string& failure) {
    static const std::vector<uint8_t> scenes = MakeSceneList({"Morning", "Evening"});
    static const std::vector<uint8_t> devices = MakeDeviceTable({{"Spot", 40}});
    uint8_t* slot = nullptr;
    if (record != nullptr) {
        slot = static_cast<uint8_t*>(std::malloc(record->size()));
        std::memcpy(slot, record->data(), record->size());
    }
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread driving([&] {
        Driver driver(uiThread);
        try {
            script(driver);
        } catch (const std::runtime_error& e) {
            failure = e.what();
        }
        for (int i = 0; !returned; ++i) {
            if (i >= 50)
                EnumThreadWindows(uiThread, &CloseWindowOf, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    if (Open() != nullptr) {
        Open()(scenes.data(), slot, &slot, language,
               reinterpret_cast<const uint32_t*>(devices.data()), 1);
    }
    returned = true;
    driving.join();
    return slot;
}

}  // namespace halvex::test
