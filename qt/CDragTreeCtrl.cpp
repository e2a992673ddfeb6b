#include "qt/CDragTreeCtrl.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyledItemDelegate>

#include <algorithm>

#include "model/ItemData.h"

namespace halvex {
namespace {

const QString kDragFormat = QStringLiteral("application/x-halvex-drag");
constexpr int kMaxLabelEdit = 40;
constexpr int kNodeRole = Qt::UserRole + 3;

CDragTreeCtrl* g_dragSource = nullptr;

// In-place editor of transmitter labels: typing is limited to 40 characters; the tree hands the
// result to the model.
class LabelEditDelegate : public QStyledItemDelegate {
public:
    explicit LabelEditDelegate(CDragTreeCtrl* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // Each edit brings the limit down towards 40 characters, never below the text's length.
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            connect(line, &QLineEdit::textEdited, line, [line] { FitLimit(line); });
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::setEditorData(editor, index);
        // A limit below the label's length would cut the label already shown (a telegram label
        // has 47 or more characters): the limit only keeps the user from typing more.
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            FitLimit(line);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            tree_->OnEndLabelEdit(tree_->itemFromIndex(index), line->text());
    }

private:
    static void FitLimit(QLineEdit* line) {
        line->setMaxLength(std::max(kMaxLabelEdit, static_cast<int>(line->text().size())));
    }

    CDragTreeCtrl* tree_;
};

}  // namespace

CDragTreeCtrl::CDragTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoScroll(false);  // the drop target scrolls near the edges itself
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new LabelEditDelegate(this));
}

CDragTreeCtrl::~CDragTreeCtrl() {
    if (tree_ != nullptr)
        tree_->SetObserver(nullptr);
    if (g_dragSource == this)
        g_dragSource = nullptr;
}

CDragTreeCtrl* CDragTreeCtrl::DragSource() {
    return g_dragSource;
}

void CDragTreeCtrl::SetDragSource(CDragTreeCtrl* tree) {
    g_dragSource = tree;
}

void CDragTreeCtrl::SetImageList(std::vector<QIcon> images) {
    images_ = std::move(images);
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

TreeNode* CDragTreeCtrl::NodeOf(const QTreeWidgetItem* item) const {
    return item != nullptr ? reinterpret_cast<TreeNode*>(item->data(0, kNodeRole).value<quintptr>())
                           : nullptr;
}

QTreeWidgetItem* CDragTreeCtrl::ItemOf(const TreeNode* node) const {
    const auto it = items_.find(node);
    return it != items_.end() ? it->second : nullptr;
}

void CDragTreeCtrl::Apply(QTreeWidgetItem* item, const TreeNode* node) {
    item->setText(0, QString::fromStdString(node->label));
    item->setData(0, Qt::UserRole, node->data);
    item->setData(0, ImageRole, node->image);
    item->setData(0, SelectedImageRole, node->selectedImage);
    if (node->image >= 0 && static_cast<size_t>(node->image) < images_.size())
        item->setIcon(0, images_[static_cast<size_t>(node->image)]);
}

QTreeWidgetItem* CDragTreeCtrl::MakeItem(TreeNode* node) {
    auto* item = new QTreeWidgetItem;
    Apply(item, node);
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    if (editLabels_)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    items_[node] = item;
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(node->ChildCount()));
    for (const auto& child : node->children)
        children.append(MakeItem(child.get()));
    item->addChildren(children);
    return item;
}

void CDragTreeCtrl::Forget(QTreeWidgetItem* item) {
    if (item == dropHighlight_)
        dropHighlight_ = nullptr;
    items_.erase(NodeOf(item));
    for (int i = 0; i < item->childCount(); ++i)
        Forget(item->child(i));
}

void CDragTreeCtrl::NodeInserted(TreeNode* node, size_t index) {
    QTreeWidgetItem* item = MakeItem(node);
    const int at = static_cast<int>(index);
    if (QTreeWidgetItem* parent = ItemOf(node->parent)) {
        parent->insertChild(at, item);
    } else {
        insertTopLevelItem(at, item);
    }
    item->setExpanded(node->expanded);
}

void CDragTreeCtrl::NodeRemoving(TreeNode* node) {
    if (QTreeWidgetItem* item = ItemOf(node)) {
        Forget(item);
        delete item;
    }
}

void CDragTreeCtrl::NodeChanged(TreeNode* node) {
    if (QTreeWidgetItem* item = ItemOf(node))
        Apply(item, node);
}

void CDragTreeCtrl::TreeReset() {
    dropHighlight_ = nullptr;
    items_.clear();
    clear();
    if (tree_ == nullptr)
        return;
    // One batch: much faster than one insertion per item on large catalogues and pages.
    QList<QTreeWidgetItem*> top;
    top.reserve(static_cast<qsizetype>(tree_->TopLevelCount()));
    for (size_t i = 0; i < tree_->TopLevelCount(); ++i)
        top.append(MakeItem(tree_->TopLevel(i)));
    addTopLevelItems(top);
    tree_->ForEach([this](TreeNode* node) {
        if (node->expanded)
            ItemOf(node)->setExpanded(true);
    });
}

uint32_t CDragTreeCtrl::ItemData(const QTreeWidgetItem* item) {
    return item->data(0, Qt::UserRole).toUInt();
}

int CDragTreeCtrl::Image(const QTreeWidgetItem* item) {
    return item->data(0, ImageRole).toInt();
}

int CDragTreeCtrl::SelectedImage(const QTreeWidgetItem* item) {
    return item->data(0, SelectedImageRole).toInt();
}

QTreeWidgetItem* CDragTreeCtrl::SelectedItem() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void CDragTreeCtrl::SelectItem(QTreeWidgetItem* item) {
    setCurrentItem(item);
    if (item != nullptr)
        item->setSelected(true);
}

void CDragTreeCtrl::SetDropHighlight(QTreeWidgetItem* item) {
    if (dropHighlight_ == item)
        return;
    if (dropHighlight_ != nullptr)
        dropHighlight_->setData(0, Qt::BackgroundRole, QVariant());
    dropHighlight_ = item;
    if (item != nullptr)
        item->setData(0, Qt::BackgroundRole, palette().highlight());
}

void CDragTreeCtrl::SetEditLabels(bool on) {
    editLabels_ = on;
    setEditTriggers(on ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

void CDragTreeCtrl::OnBeginDrag(QTreeWidgetItem* item) {
    const TreeNode* node = NodeOf(item);
    if (node == nullptr || (node->data & kItemDraggable) == 0)
        return;
    SelectItem(item);
    SetDropHighlight(item);
    SetDragSource(this);
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kDragFormat, {});
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::LinkAction);
    SetDragSource(nullptr);
    SetDropHighlight(nullptr);
}

void CDragTreeCtrl::startDrag(Qt::DropActions) {
    OnBeginDrag(currentItem());
}

void CDragTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasFormat(kDragFormat)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void CDragTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasFormat(kDragFormat) ||
        dropTarget_.OnDragOver(this, event->position().toPoint()) != DropEffect::Link) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void CDragTreeCtrl::dragLeaveEvent(QDragLeaveEvent*) {
    dropTarget_.OnDragLeave(this);
}

void CDragTreeCtrl::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasFormat(kDragFormat) ||
        dropTarget_.OnDragOver(this, event->position().toPoint()) != DropEffect::Link ||
        !dropTarget_.OnDrop(this)) {
        SetDropHighlight(nullptr);
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void CDragTreeCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter moves on like Tab instead of pressing the dialog's default button.
            focusNextPrevChild(true);
            event->accept();
            return;
        case Qt::Key_Delete:
            OnKeyDown(Qt::Key_Delete);
            event->accept();
            return;
        default:
            QTreeWidget::keyPressEvent(event);
    }
}

void CDragTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // The action works on the selected item, not on the one under the mouse.
        if (OnRightClick)
            OnRightClick(this);
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CDragTreeCtrl::OnKeyDown(int key) {
    if (key == Qt::Key_Delete && model_ != nullptr)
        model_->Delete(id_, SelectedNode());
}

void CDragTreeCtrl::OnEndLabelEdit(QTreeWidgetItem* item, const QString& text) {
    if (model_ != nullptr)
        model_->EndLabelEdit(NodeOf(item), text.toStdString());
}

}  // namespace halvex
