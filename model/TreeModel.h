// A tree of labelled items, the data behind every tree control of the dialog.
//
// Each node holds what a tree control shows and what the rules read: a label (UTF-8), an image
// and a selected image (indices into the tree's image list) and 32 bits of item data. The
// meaning of the item data is the caller's (see CatalogueEntry.h for the catalogue and the
// pages). Nodes are owned by their parent and keep their address while they exist, so a view
// may map them to its own items. A view learns of every change through TreeObserver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halvex {

struct TreeNode {
    std::string label;
    int image = 0;
    int selectedImage = 0;
    uint32_t data = 0;
    bool expanded = false;       // how the view first shows the node
    TreeNode* parent = nullptr;  // null for top-level nodes
    std::vector<std::unique_ptr<TreeNode>> children;

    size_t ChildCount() const { return children.size(); }
    TreeNode* Child(size_t i) const { return children[i].get(); }
};

enum class InsertAt { Last, Sorted };

class TreeObserver {
public:
    virtual ~TreeObserver() = default;
    // `node` is in place: its parent lists it at `index`.
    virtual void NodeInserted(TreeNode* node, size_t index) = 0;
    // Called before `node` and its descendants are destroyed.
    virtual void NodeRemoving(TreeNode* node) = 0;
    // Label, images or data of `node` changed.
    virtual void NodeChanged(TreeNode* node) = 0;
    // The whole tree changed at once (cleared, loaded or imported): show it again.
    virtual void TreeReset() = 0;
};

class TreeModel {
public:
    TreeModel() = default;
    TreeModel(const TreeModel&) = delete;
    TreeModel& operator=(const TreeModel&) = delete;

    void SetObserver(TreeObserver* observer) { observer_ = observer; }

    // Inserts a node under `parent` (null: at the top level). Sorted: before the first sibling
    // whose label compares greater, ignoring the case of ASCII letters.
    TreeNode* Insert(TreeNode* parent, std::string label, InsertAt where, int image,
                     int selectedImage, uint32_t data);
    // Removes `node` with its descendants.
    void Remove(TreeNode* node);
    void Clear();
    // Runs `build` without telling the observer of each change, then tells it once.
    void Reset(const std::function<void()>& build);
    void SetLabel(TreeNode* node, std::string label);
    void SetData(TreeNode* node, uint32_t data);

    size_t TopLevelCount() const { return top_.size(); }
    TreeNode* TopLevel(size_t i) const { return top_[i].get(); }
    // Position of `node` among its siblings.
    size_t IndexOf(const TreeNode* node) const;
    // Every node, depth first, parents before children.
    void ForEach(const std::function<void(TreeNode*)>& visit) const;

private:
    std::vector<std::unique_ptr<TreeNode>>& SiblingsOf(TreeNode* parent);

    std::vector<std::unique_ptr<TreeNode>> top_;
    TreeObserver* observer_ = nullptr;
};

// Compares labels as the sorted insertion does: ASCII letters without case, then bytes.
int CompareLabels(const std::string& a, const std::string& b);

}  // namespace halvex
