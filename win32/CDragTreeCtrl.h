// The tree control of the catalogue and of every output page: a comctl32 tree view showing one
// TreeModel.
//
// Each tree item's lParam is its node's 32-bit item data (number in bits 31-16, kind and flags
// in bits 7-4, object type in bits 3-0); image and selected image index the tree's image list.
// The tree forwards what the user does (drag and drop between trees, the Delete key,
// right-click, in-place editing of transmitter names) to the dialog model, which decides, and
// follows the model's changes item by item. Its parent dialog passes it the tree's WM_NOTIFY.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <unordered_map>

#include "model/DialogModel.h"
#include "win32/CTreeDropTarget.h"

namespace halvex {

class CDragTreeCtrl : private TreeObserver {
public:
    CDragTreeCtrl() = default;
    ~CDragTreeCtrl() override;
    CDragTreeCtrl(const CDragTreeCtrl&) = delete;
    CDragTreeCtrl& operator=(const CDragTreeCtrl&) = delete;

    // Creates the tree view (control 1001) in `parent` at `rect` (pixels) with the tree styles
    // `styles` added to child, border and tab stop, and `images` as its normal image list.
    bool Create(HWND parent, const RECT& rect, DWORD styles, HIMAGELIST images);
    HWND Handle() const { return hwnd_; }

    // Shows tree `id` of `model` and follows its changes.
    void ShowModel(DialogModel* model, TreeId id);
    DialogModel* Model() const { return model_; }
    TreeId Id() const { return id_; }
    TreeNode* NodeOf(HTREEITEM item) const;
    HTREEITEM ItemOf(const TreeNode* node) const;

    HTREEITEM SelectedItem() const;
    TreeNode* SelectedNode() const { return NodeOf(SelectedItem()); }
    HTREEITEM DropHighlight() const;
    void SetDropHighlight(HTREEITEM item);

    // A WM_NOTIFY of this tree as its parent received it; true when handled.
    bool OnNotify(const NMHDR& header, LRESULT& result);
    // The dialog procedure's answer to a WM_NOTIFY that `dialog` received: handled by the tree
    // that sent it, or FALSE when no tree did.
    static INT_PTR ReflectNotify(HWND dialog, LPARAM lParam);
    // Called with this tree when the user right-clicks it.
    std::function<void(CDragTreeCtrl*)> OnRightClick;

    // The user actions.
    void OnBeginDrag(HTREEITEM item);
    void OnKeyDown(WORD key);

    CTreeDropTarget& DropTarget() { return dropTarget_; }
    // The tree object of a tree window, or null.
    static CDragTreeCtrl* FromHandle(HWND window);
    // The tree a running drag started from; null when no drag runs.
    static CDragTreeCtrl* DragSource();
    // Enter in a tree or in its label editor moves on like Tab: the message becomes a Tab key
    // for the dialog manager. For the modal loop of the dialog around the trees.
    static void TranslateEnter(MSG& message);

private:
    // The tree window's procedure in front of the tree view's own. It is set directly rather
    // than through SetWindowSubclass, whose per-message property lookups make every message
    // (and so every item of a large tree) a round trip to the window server under Wine.
    static LRESULT CALLBACK TreeProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void NodeInserted(TreeNode* node, size_t index) override;
    void NodeRemoving(TreeNode* node) override;
    void NodeChanged(TreeNode* node) override;
    void TreeReset() override;

    // Inserts the item of `node` and, below it, its descendants.
    HTREEITEM InsertItem(TreeNode* node, HTREEITEM parent, HTREEITEM after);
    void Forget(const TreeNode* node);
    // Runs the mouse-captured drag loop; the tree under the cursor at the release, if it
    // accepted the drag, receives the drop.
    void RunDrag();

    HWND hwnd_ = nullptr;
    WNDPROC baseProcedure_ = nullptr;
    DialogModel* model_ = nullptr;
    TreeModel* tree_ = nullptr;
    TreeId id_ = TreeId::Catalogue;
    std::unordered_map<const TreeNode*, HTREEITEM> items_;
    std::unordered_map<HTREEITEM, TreeNode*> nodes_;
    CTreeDropTarget dropTarget_;
};

}  // namespace halvex
