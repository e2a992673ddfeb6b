#include "model/TreeModel.h"

#include <algorithm>

namespace halvex {
namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void Visit(const std::vector<std::unique_ptr<TreeNode>>& nodes,
           const std::function<void(TreeNode*)>& visit) {
    for (const auto& node : nodes) {
        visit(node.get());
        Visit(node->children, visit);
    }
}

}  // namespace

int CompareLabels(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(Fold(a[i]));
        const auto y = static_cast<unsigned char>(Fold(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::unique_ptr<TreeNode>>& TreeModel::SiblingsOf(TreeNode* parent) {
    return parent != nullptr ? parent->children : top_;
}

TreeNode* TreeModel::Insert(TreeNode* parent, std::string label, InsertAt where, int image,
                            int selectedImage, uint32_t data) {
    auto node = std::make_unique<TreeNode>();
    node->label = std::move(label);
    node->image = image;
    node->selectedImage = selectedImage;
    node->data = data;
    node->parent = parent;
    auto& siblings = SiblingsOf(parent);
    auto at = siblings.end();
    if (where == InsertAt::Sorted) {
        at = std::find_if(siblings.begin(), siblings.end(), [&](const auto& sibling) {
            return CompareLabels(sibling->label, node->label) > 0;
        });
    }
    const auto index = static_cast<size_t>(at - siblings.begin());
    TreeNode* raw = siblings.insert(at, std::move(node))->get();
    if (observer_ != nullptr)
        observer_->NodeInserted(raw, index);
    return raw;
}

void TreeModel::Remove(TreeNode* node) {
    if (observer_ != nullptr)
        observer_->NodeRemoving(node);
    auto& siblings = SiblingsOf(node->parent);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(IndexOf(node)));
}

void TreeModel::Clear() {
    Reset([this] { top_.clear(); });
}

void TreeModel::Reset(const std::function<void()>& build) {
    TreeObserver* observer = observer_;
    observer_ = nullptr;
    build();
    observer_ = observer;
    if (observer_ != nullptr)
        observer_->TreeReset();
}

void TreeModel::SetLabel(TreeNode* node, std::string label) {
    node->label = std::move(label);
    if (observer_ != nullptr)
        observer_->NodeChanged(node);
}

void TreeModel::SetData(TreeNode* node, uint32_t data) {
    node->data = data;
    if (observer_ != nullptr)
        observer_->NodeChanged(node);
}

size_t TreeModel::IndexOf(const TreeNode* node) const {
    const auto& siblings = node->parent != nullptr ? node->parent->children : top_;
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == node)
            return i;
    }
    return siblings.size();
}

void TreeModel::ForEach(const std::function<void(TreeNode*)>& visit) const {
    Visit(top_, visit);
}

}  // namespace halvex
