#include "win32/WinUi.h"

namespace halvex {

HINSTANCE ModuleInstance() {
    static const HINSTANCE instance = [] {
        HMODULE module = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
        return module;
    }();
    return instance;
}

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::wstring WideText(Text pair) {
    return Widen(UiText(pair));
}

std::wstring WideText(ExtraText text) {
    return Widen(ExtraUiText(text));
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

void SetControlText(HWND dialog, int id, std::string_view utf8) {
    SetDlgItemTextW(dialog, id, Widen(utf8).c_str());
}

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ShowControl(HWND dialog, int id, bool shown) {
    ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE);
}

int ShowMessage(HWND owner, std::string_view caption, std::string_view text, UINT style) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), style);
}

INT_PTR DialogResult(HWND dialog, LRESULT result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

ImageList::ImageList(const std::vector<int>& bitmaps, int grow)
    : handle_(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, grow, grow)) {
    for (int id : bitmaps) {
        HBITMAP bitmap = LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(id));
        ImageList_AddMasked(handle_, bitmap, RGB(255, 255, 255));
        DeleteObject(bitmap);
    }
}

ImageList::~ImageList() {
    ImageList_Destroy(handle_);
}

}  // namespace halvex
