#include "win32/DialogWindow.h"

#include "win32/WinUi.h"

namespace halvex {

DialogWindow::~DialogWindow() {
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
}

INT_PTR DialogWindow::RunModal(int templateId, HWND owner) {
    ended_ = false;
    result_ = IDCANCEL;
    if (CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId), owner, Procedure,
                           reinterpret_cast<LPARAM>(this)) == nullptr) {
        return -1;
    }
    const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    MSG message;
    while (!ended_ && hwnd_ != nullptr) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0)
            break;
        if (!PreTranslate(message) && !IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The owner comes back before the dialog goes, so that the activation returns to it.
    if (disableOwner)
        EnableWindow(owner, TRUE);
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
    return result_;
}

void DialogWindow::EndModal(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // The loop may be waiting in GetMessageW, which a message sent from another thread does not
    // end: a posted one does.
    if (hwnd_ != nullptr)
        PostMessageW(hwnd_, WM_NULL, 0, 0);
}

bool DialogWindow::CreateChild(int templateId, HWND parent) {
    return CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId), parent, Procedure,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))
                       ? TRUE
                       : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;
    const INT_PTR handled = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return handled;
}

}  // namespace halvex
