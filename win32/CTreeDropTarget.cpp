#include "win32/CTreeDropTarget.h"

#include "win32/CDragTreeCtrl.h"

namespace halvex {
namespace {

constexpr LONG kScrollMargin = 10;

void AutoScroll(HWND tree, POINT point) {
    RECT r;
    GetClientRect(tree, &r);
    if (point.y >= r.bottom - kScrollMargin) {
        SendMessageW(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    } else if (point.y <= r.top + kScrollMargin) {
        SendMessageW(tree, WM_VSCROLL, SB_LINEUP, 0);
    }
    if (point.x <= r.left + kScrollMargin) {
        SendMessageW(tree, WM_HSCROLL, SB_LINELEFT, 0);
    } else if (point.x >= r.right - kScrollMargin) {
        SendMessageW(tree, WM_HSCROLL, SB_LINERIGHT, 0);
    }
}

}  // namespace

DropEffect CTreeDropTarget::OnDragOver(CDragTreeCtrl& target, POINT point) {
    DropEffect effect = DropEffect::None;
    TVHITTESTINFO hit{};
    hit.pt = point;
    if (TreeView_HitTest(target.Handle(), &hit) != nullptr && (hit.flags & TVHT_ONITEM) != 0) {
        TreeView_Expand(target.Handle(), hit.hItem, TVE_EXPAND);
        target.SetDropHighlight(hit.hItem);
        const CDragTreeCtrl* source = CDragTreeCtrl::DragSource();
        DialogModel* model = target.Model();
        if (source != nullptr && model != nullptr &&
            model->CanDrop(source->Id(), source->SelectedNode(), target.Id(),
                           target.NodeOf(hit.hItem))) {
            effect = DropEffect::Link;
        }
    }
    AutoScroll(target.Handle(), point);
    return effect;
}

void CTreeDropTarget::OnDragLeave(CDragTreeCtrl& target) {
    target.SetDropHighlight(nullptr);
}

bool CTreeDropTarget::OnDrop(CDragTreeCtrl& target) {
    HTREEITEM parent = target.DropHighlight();
    const CDragTreeCtrl* source = CDragTreeCtrl::DragSource();
    DialogModel* model = target.Model();
    if (source == nullptr || parent == nullptr || model == nullptr)
        return false;
    const bool dropped = model->Drop(source->Id(), source->SelectedNode(), target.Id(),
                                     target.NodeOf(parent)) != nullptr;
    if (dropped)
        TreeView_Expand(target.Handle(), parent, TVE_EXPAND);
    target.SetDropHighlight(nullptr);
    return dropped;
}

}  // namespace halvex
