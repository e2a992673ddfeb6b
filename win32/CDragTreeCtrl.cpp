#include "win32/CDragTreeCtrl.h"

#include <windowsx.h>

#include "model/ControlIds.h"
#include "model/ItemData.h"
#include "win32/WinUi.h"

namespace halvex {
namespace {

constexpr WPARAM kMaxLabelEdit = 40;

// The tree window in which the running drag began; null when no drag runs.
HWND g_dragSourceTree = nullptr;

}  // namespace

CDragTreeCtrl::~CDragTreeCtrl() {
    if (tree_ != nullptr)
        tree_->SetObserver(nullptr);
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProcedure_));
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool CDragTreeCtrl::Create(HWND parent, const RECT& rect, DWORD styles, HIMAGELIST images) {
    hwnd_ = CreateWindowExW(
        0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | styles, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kTree)), ModuleInstance(), nullptr);
    if (hwnd_ == nullptr)
        return false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    baseProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeProcedure)));
    TreeView_SetImageList(hwnd_, images, TVSIL_NORMAL);
    return true;
}

CDragTreeCtrl* CDragTreeCtrl::FromHandle(HWND window) {
    // A tree of ours runs TreeProcedure; its object is in the window's user data.
    if (window == nullptr ||
        GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TreeProcedure)) {
        return nullptr;
    }
    return reinterpret_cast<CDragTreeCtrl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

CDragTreeCtrl* CDragTreeCtrl::DragSource() {
    return FromHandle(g_dragSourceTree);
}

void CDragTreeCtrl::TranslateEnter(MSG& message) {
    // The label editor keeps its Enter: it ends the edit and keeps the text.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        FromHandle(message.hwnd) != nullptr) {
        message.wParam = VK_TAB;
    }
}

LRESULT CALLBACK CDragTreeCtrl::TreeProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = reinterpret_cast<CDragTreeCtrl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const WNDPROC base = self->baseProcedure_;
    if (message == WM_NCDESTROY) {
        // The window goes before its object: the object forgets it.
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->items_.clear();
        self->nodes_.clear();
    }
    return CallWindowProcW(base, hwnd, message, wParam, lParam);
}

void CDragTreeCtrl::ShowModel(DialogModel* model, TreeId id) {
    if (tree_ != nullptr)
        tree_->SetObserver(nullptr);
    model_ = model;
    id_ = id;
    tree_ = model != nullptr ? model->Tree(id) : nullptr;
    if (tree_ != nullptr)
        tree_->SetObserver(this);
    TreeReset();
}

TreeNode* CDragTreeCtrl::NodeOf(HTREEITEM item) const {
    const auto it = nodes_.find(item);
    return it != nodes_.end() ? it->second : nullptr;
}

HTREEITEM CDragTreeCtrl::ItemOf(const TreeNode* node) const {
    const auto it = items_.find(node);
    return it != items_.end() ? it->second : nullptr;
}

HTREEITEM CDragTreeCtrl::SelectedItem() const {
    return hwnd_ != nullptr ? TreeView_GetSelection(hwnd_) : nullptr;
}

HTREEITEM CDragTreeCtrl::DropHighlight() const {
    return hwnd_ != nullptr ? TreeView_GetDropHilight(hwnd_) : nullptr;
}

void CDragTreeCtrl::SetDropHighlight(HTREEITEM item) {
    if (hwnd_ != nullptr && DropHighlight() != item)
        TreeView_SelectDropTarget(hwnd_, item);
}

HTREEITEM CDragTreeCtrl::InsertItem(TreeNode* node, HTREEITEM parent, HTREEITEM after) {
    std::wstring text = Widen(node->label);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.iImage = node->image;
    insert.item.iSelectedImage = node->selectedImage;
    insert.item.lParam = static_cast<LPARAM>(node->data);
    HTREEITEM item = TreeView_InsertItem(hwnd_, &insert);
    if (item == nullptr)
        return nullptr;
    items_[node] = item;
    nodes_[item] = node;
    for (const auto& child : node->children)
        InsertItem(child.get(), item, TVI_LAST);
    if (node->expanded)
        TreeView_Expand(hwnd_, item, TVE_EXPAND);
    return item;
}

void CDragTreeCtrl::Forget(const TreeNode* node) {
    if (const auto it = items_.find(node); it != items_.end()) {
        nodes_.erase(it->second);
        items_.erase(it);
    }
    for (const auto& child : node->children)
        Forget(child.get());
}

void CDragTreeCtrl::NodeInserted(TreeNode* node, size_t index) {
    if (hwnd_ == nullptr)
        return;
    HTREEITEM after = TVI_FIRST;
    if (index > 0) {
        const TreeNode* previous =
            node->parent != nullptr ? node->parent->Child(index - 1) : tree_->TopLevel(index - 1);
        after = ItemOf(previous);
    }
    InsertItem(node, node->parent != nullptr ? ItemOf(node->parent) : TVI_ROOT, after);
}

void CDragTreeCtrl::NodeRemoving(TreeNode* node) {
    const HTREEITEM item = ItemOf(node);
    if (item == nullptr)
        return;
    Forget(node);
    TreeView_DeleteItem(hwnd_, item);
}

void CDragTreeCtrl::NodeChanged(TreeNode* node) {
    const HTREEITEM item = ItemOf(node);
    if (item == nullptr)
        return;
    std::wstring text = Widen(node->label);
    TVITEMW change{};
    change.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    change.hItem = item;
    change.pszText = text.data();
    change.iImage = node->image;
    change.iSelectedImage = node->selectedImage;
    change.lParam = static_cast<LPARAM>(node->data);
    TreeView_SetItem(hwnd_, &change);
}

void CDragTreeCtrl::TreeReset() {
    items_.clear();
    nodes_.clear();
    if (hwnd_ == nullptr)
        return;
    // One batch without repainting: much faster on large catalogues and pages.
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(hwnd_);
    if (tree_ != nullptr) {
        for (size_t i = 0; i < tree_->TopLevelCount(); ++i)
            InsertItem(tree_->TopLevel(i), TVI_ROOT, TVI_LAST);
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool CDragTreeCtrl::OnNotify(const NMHDR& header, LRESULT& result) {
    result = 0;
    switch (header.code) {
        case TVN_BEGINDRAGW:
            OnBeginDrag(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem);
            return true;
        case TVN_KEYDOWN:
            OnKeyDown(reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey);
            return true;
        case NM_RCLICK:
            if (OnRightClick)
                OnRightClick(this);
            return true;
        case TVN_BEGINLABELEDITW:
            // The limit keeps the user from typing more; a longer label already shown stays.
            SendMessageW(TreeView_GetEditControl(hwnd_), EM_LIMITTEXT, kMaxLabelEdit, 0);
            return true;
        case TVN_ENDLABELEDITW: {
            // A cancelled edit (no text) changes nothing; the model renames the item itself.
            const auto& info = reinterpret_cast<const NMTVDISPINFOW&>(header);
            if (info.item.pszText != nullptr && model_ != nullptr)
                model_->EndLabelEdit(NodeOf(info.item.hItem), Narrow(info.item.pszText));
            return true;
        }
        default:
            return false;
    }
}

INT_PTR CDragTreeCtrl::ReflectNotify(HWND dialog, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    CDragTreeCtrl* tree = FromHandle(header->hwndFrom);
    LRESULT result = 0;
    if (tree == nullptr || !tree->OnNotify(*header, result))
        return FALSE;
    return DialogResult(dialog, result);
}

void CDragTreeCtrl::OnKeyDown(WORD key) {
    if (key == VK_DELETE && model_ != nullptr) {
        model_->Delete(id_, SelectedNode());
    } else if (key == VK_F2 && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & TVS_EDITLABELS) != 0) {
        // F2 edits the selected label where labels can be edited, as a click on it does.
        TreeView_EditLabel(hwnd_, SelectedItem());
    }
}

void CDragTreeCtrl::OnBeginDrag(HTREEITEM item) {
    const TreeNode* node = NodeOf(item);
    if (node == nullptr || (node->data & kItemDraggable) == 0)
        return;
    TreeView_SelectItem(hwnd_, item);
    SetDropHighlight(item);
    g_dragSourceTree = hwnd_;
    RunDrag();
    g_dragSourceTree = nullptr;
    SetDropHighlight(nullptr);
}

void CDragTreeCtrl::RunDrag() {
    CDragTreeCtrl* over = nullptr;
    DropEffect effect = DropEffect::None;
    // Drag-over at a screen point: leaves the tree left behind, asks the one under the cursor.
    const auto hover = [&](POINT screen) {
        CDragTreeCtrl* target = FromHandle(WindowFromPoint(screen));
        if (target != over && over != nullptr)
            over->dropTarget_.OnDragLeave(*over);
        over = target;
        effect = DropEffect::None;
        if (over != nullptr) {
            ScreenToClient(over->hwnd_, &screen);
            effect = over->dropTarget_.OnDragOver(*over, screen);
        }
        SetCursor(LoadCursorW(nullptr, effect == DropEffect::Link ? IDC_ARROW : IDC_NO));
    };

    bool drop = false;
    SetCapture(hwnd_);
    MSG message;
    while (hwnd_ != nullptr && GetCapture() == hwnd_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        const UINT m = message.message;
        if (m == WM_MOUSEMOVE || m == WM_LBUTTONUP) {
            POINT screen{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
            ClientToScreen(message.hwnd, &screen);
            hover(screen);
            if (m == WM_LBUTTONUP) {
                drop = effect == DropEffect::Link;
                break;
            }
            continue;
        }
        if (m == WM_RBUTTONDOWN || (m == WM_KEYDOWN && message.wParam == VK_ESCAPE))
            break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (hwnd_ != nullptr && GetCapture() == hwnd_)
        ReleaseCapture();
    if (over != nullptr) {
        if (drop) {
            over->dropTarget_.OnDrop(*over);
        } else {
            over->dropTarget_.OnDragLeave(*over);
        }
    }
}

}  // namespace halvex
