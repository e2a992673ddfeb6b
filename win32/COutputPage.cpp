#include "win32/COutputPage.h"

#include "win32/resource.h"

namespace halvex {
namespace {

// The tree of every page, in pixels relative to the page; it follows the page's size.
constexpr RECT kTreeRect = {2, 2, 413, 415};
constexpr int kTreeMargin = 2;

}  // namespace

bool COutputPage::Create(HWND parent, int templateId, DialogModel& model, int slot) {
    model_ = &model;
    slot_ = slot;
    return CreateChild(templateId, parent);
}

BOOL COutputPage::OnInitDialog() {
    const OutputPage* page = model_->Page(slot_);
    // Dimmer and device pages grow their image list by 6, scene pages by 5.
    const int grow = page->Kind() == PageKind::Scene ? 5 : 6;
    images_ = std::make_unique<ImageList>(
        std::vector<int>{page->OutputBitmap(), IDB_MAIN_GROUP, IDB_MIDDLE_GROUP, IDB_GROUP_ADDRESS,
                         IDB_TRANSMITTER},
        grow);
    tree_.Create(
        hwnd_, kTreeRect,
        TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_TRACKSELECT,
        images_->Handle());
    tree_.ShowModel(model_, static_cast<TreeId>(slot_ + 1));
    return TRUE;
}

INT_PTR COutputPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            return CDragTreeCtrl::ReflectNotify(hwnd_, lParam);
        case WM_SIZE:
            MoveWindow(tree_.Handle(), kTreeMargin, kTreeMargin, LOWORD(lParam) - 2 * kTreeMargin,
                       HIWORD(lParam) - 2 * kTreeMargin, TRUE);
            return TRUE;
        case WM_COMMAND:
            // Enter, Escape and clicks inside a page never end or hide it.
            return TRUE;
        default:
            return DialogWindow::OnMessage(message, wParam, lParam);
    }
}

}  // namespace halvex
