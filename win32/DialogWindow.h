// A dialog made from a template of halvex.rc: modal with its own message loop, or a modeless
// child (the tab pages). The dialog procedure finds the object through DWLP_USER and hands each
// message to OnMessage; the window is destroyed with the object at the latest.
#pragma once

#include <windows.h>

namespace halvex {

class DialogWindow {
public:
    DialogWindow() = default;
    virtual ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // Shows template `templateId` modally above `owner` (which is disabled meanwhile) and
    // returns the value passed to EndModal; -1 when the window could not be made. A WM_QUIT
    // that arrives meanwhile ends the dialog as cancelled and is posted again for the host.
    INT_PTR RunModal(int templateId, HWND owner);
    void EndModal(INT_PTR result);
    // Creates template `templateId` as a hidden modeless child of `parent`.
    bool CreateChild(int templateId, HWND parent);

protected:
    // The dialog procedure's part: TRUE when handled (see DialogResult for results).
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND: true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // A message of the modal loop before the dialog manager sees it; true when it is dealt with.
    virtual bool PreTranslate(MSG& /*message*/) { return false; }

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool ended_ = false;
    INT_PTR result_ = IDCANCEL;
};

}  // namespace halvex
