// Small pieces every Win32 view uses: the library's module handle, text between the model's
// UTF-8 and the wide strings of the W functions, control texts and states, message boxes and an
// owning image list.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/UiText.h"

namespace halvex {

// The module the dialog templates and bitmaps live in (the plug-in's DLL).
HINSTANCE ModuleInstance();

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// A text pair of the table, in the call's language.
std::wstring WideText(Text pair);
std::wstring WideText(ExtraText text);

// The window's text as UTF-8; a control of `dialog` by its ID.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, std::string_view utf8);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void ShowControl(HWND dialog, int id, bool shown);

// A message box owned by `owner`; returns the button pressed (IDOK, IDCANCEL).
int ShowMessage(HWND owner, std::string_view caption, std::string_view text, UINT style);

// Sets a dialog procedure's result for messages whose result is not the procedure's return
// value (notifications, registered messages) and reports the message as handled.
INT_PTR DialogResult(HWND dialog, LRESULT result);

// A 16 x 16 image list with mask, filled from bitmap resources with white as the transparent
// colour; destroyed with the object.
class ImageList {
public:
    ImageList(const std::vector<int>& bitmaps, int grow);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    HIMAGELIST Handle() const { return handle_; }

private:
    HIMAGELIST handle_;
};

}  // namespace halvex
