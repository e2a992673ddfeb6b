// The tree control of the catalogue and of every output page: a view of one TreeModel.
//
// Item roles: column 0 text is the node's label; Qt::UserRole mirrors the node's 32-bit item data
// (number in bits 31-16, kind and flags in bits 7-4, object type in bits 3-0); ImageRole and
// SelectedImageRole its image indices into the tree's own image list, whose icon the item
// shows. The tree forwards what the user does (drag and drop between trees, the Delete key,
// right-click, in-place editing of transmitter names) to the dialog model, which decides, and
// follows the model's changes item by item.
#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "model/DialogModel.h"
#include "qt/CTreeDropTarget.h"

namespace halvex {

class CDragTreeCtrl : public QTreeWidget, private TreeObserver {
    Q_OBJECT
public:
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    explicit CDragTreeCtrl(QWidget* parent = nullptr);
    ~CDragTreeCtrl() override;

    // Normal image list: index -> icon.
    void SetImageList(std::vector<QIcon> images);
    const std::vector<QIcon>& ImageList() const { return images_; }

    // Shows tree `id` of `model` and follows its changes.
    void ShowModel(DialogModel* model, TreeId id);
    DialogModel* Model() const { return model_; }
    TreeId Id() const { return id_; }
    TreeNode* NodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const TreeNode* node) const;

    static uint32_t ItemData(const QTreeWidgetItem* item);
    static int Image(const QTreeWidgetItem* item);
    static int SelectedImage(const QTreeWidgetItem* item);

    QTreeWidgetItem* SelectedItem() const;
    TreeNode* SelectedNode() const { return NodeOf(SelectedItem()); }
    void SelectItem(QTreeWidgetItem* item);

    // Drop highlight: the item a drag hovers over.
    QTreeWidgetItem* DropHighlight() const { return dropHighlight_; }
    void SetDropHighlight(QTreeWidgetItem* item);

    // Allows in-place label editing (catalogue of EnOcean and network-only records); set before
    // ShowModel.
    void SetEditLabels(bool on);

    // Called with this tree when the user right-clicks it.
    std::function<void(CDragTreeCtrl*)> OnRightClick;

    // The user actions, callable without a real mouse or keyboard.
    void OnBeginDrag(QTreeWidgetItem* item);
    void OnKeyDown(int key);
    void OnEndLabelEdit(QTreeWidgetItem* item, const QString& text);

    CTreeDropTarget& DropTarget() { return dropTarget_; }
    // The tree a running drag started from; null when no drag runs.
    static CDragTreeCtrl* DragSource();
    static void SetDragSource(CDragTreeCtrl* tree);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void NodeInserted(TreeNode* node, size_t index) override;
    void NodeRemoving(TreeNode* node) override;
    void NodeChanged(TreeNode* node) override;
    void TreeReset() override;

    // A new item showing `node` and, below it, its descendants.
    QTreeWidgetItem* MakeItem(TreeNode* node);
    void Forget(QTreeWidgetItem* item);
    void Apply(QTreeWidgetItem* item, const TreeNode* node);

    DialogModel* model_ = nullptr;
    TreeModel* tree_ = nullptr;
    TreeId id_ = TreeId::Catalogue;
    std::unordered_map<const TreeNode*, QTreeWidgetItem*> items_;
    CTreeDropTarget dropTarget_;
    std::vector<QIcon> images_;
    QTreeWidgetItem* dropHighlight_ = nullptr;
    bool editLabels_ = false;
};

}  // namespace halvex
