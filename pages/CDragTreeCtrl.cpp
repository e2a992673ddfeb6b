#include "pages/CDragTreeCtrl.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstring>

#include "catalogue/CKnxDlg.h"
#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

const QString kDragFormat = QStringLiteral("application/x-halvex-drag");
constexpr int kMaxLabelEdit = 40;

// In-place editor of transmitter labels: typing is limited to 40 characters; the tree applies
// the result itself.
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
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            tree_->OnEndLabelEdit(tree_->itemFromIndex(index), line->text());
        }
    }

private:
    static void FitLimit(QLineEdit* line) {
        line->setMaxLength(std::max(kMaxLabelEdit, static_cast<int>(line->text().size())));
    }

    CDragTreeCtrl* tree_;
};

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string text, size_t limit) {
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

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

void CDragTreeCtrl::SetImageList(std::vector<QIcon> images) {
    images_ = std::move(images);
}

QTreeWidgetItem* CDragTreeCtrl::InsertTreeItem(QTreeWidgetItem* parent, const QString& text,
                                               InsertAt where, int image, int selectedImage,
                                               uint32_t itemData) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    SetItemData(item, itemData);
    SetImage(item, image, selectedImage);
    if (editLabels_)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    const int count = parent != nullptr ? parent->childCount() : topLevelItemCount();
    int at = count;
    if (where == InsertAt::Sorted) {
        for (int i = 0; i < count; ++i) {
            const QTreeWidgetItem* sibling = parent != nullptr ? parent->child(i) : topLevelItem(i);
            if (QString::compare(sibling->text(0), text, Qt::CaseInsensitive) > 0) {
                at = i;
                break;
            }
        }
    }
    if (parent != nullptr) {
        parent->insertChild(at, item);
    } else {
        insertTopLevelItem(at, item);
    }
    return item;
}

uint32_t CDragTreeCtrl::ItemData(const QTreeWidgetItem* item) {
    return item->data(0, Qt::UserRole).toUInt();
}

void CDragTreeCtrl::SetItemData(QTreeWidgetItem* item, uint32_t itemData) {
    item->setData(0, Qt::UserRole, itemData);
}

int CDragTreeCtrl::Image(const QTreeWidgetItem* item) {
    return item->data(0, ImageRole).toInt();
}

int CDragTreeCtrl::SelectedImage(const QTreeWidgetItem* item) {
    return item->data(0, SelectedImageRole).toInt();
}

void CDragTreeCtrl::SetImage(QTreeWidgetItem* item, int image, int selectedImage) {
    item->setData(0, ImageRole, image);
    item->setData(0, SelectedImageRole, selectedImage);
    if (image >= 0 && static_cast<size_t>(image) < images_.size()) {
        item->setIcon(0, images_[static_cast<size_t>(image)]);
    }
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
    if (item == nullptr || (ItemData(item) & kItemDraggable) == 0)
        return;
    SelectItem(item);
    SetDropHighlight(item);
    Module().DragSourceTree = this;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kDragFormat, {});
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::LinkAction);
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
        if (CKnxDlg* dlg = Module().MainDialog)
            dlg->OnTreeRightClick(this);
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CDragTreeCtrl::OnKeyDown(int key) {
    if (key != Qt::Key_Delete)
        return;
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    ModuleState& m = Module();
    const uint32_t itemData = ItemData(item);
    const uint16_t n = ItemNumber(itemData);
    CKnxDlg* dlg = m.MainDialog;

    if ((itemData & kItemAdded) != 0 && item->childCount() == 0) {
        // An assignment on a page is removed whatever its kind bits: a dropped hand-made
        // address carries 0xC0 and would otherwise count as referenced by itself.
        const bool pageAssignment = this != m.CatalogueTree && item->parent() != nullptr &&
                                    item->parent()->parent() == nullptr;
        const uint32_t kind = pageAssignment ? 0 : (itemData & kKindMask);
        if (kind == kKindGroupAddress && IsReferencedOnPages(n))
            return;
        if (dlg != nullptr) {
            CatalogueEntry* slot = kind == kKindMiddleGroup    ? &dlg->MiddleGroupTable[n & 0xFF]
                                   : kind == kKindMainGroup    ? &dlg->MainGroupTable[n & 0x1F]
                                   : kind == kKindGroupAddress ? &dlg->GroupAddressTable[n]
                                                               : nullptr;
            // A copy dropped back onto the catalogue shares its original's number: the slot
            // belongs to the item it holds, and a copy's deletion leaves it alone. When the
            // item it holds goes while a copy stays, the copy takes the slot over.
            if (slot != nullptr && slot->item == item) {
                slot->item = kind == kKindGroupAddress ? OtherItemNumbered(item) : nullptr;
                if (slot->item == nullptr)
                    slot->Clear();
            }
        }
        if (item == dropHighlight_)
            dropHighlight_ = nullptr;
        delete item;
        return;
    }

    const uint8_t flagsB = m.WorkingRecord != nullptr && m.WorkingRecordCapacity > layout::kFlagsB
                               ? m.WorkingRecord[layout::kFlagsB]
                               : 0;
    if ((flagsB & layout::kFlagEnOcean) != 0 && m.TransmitterCount > 0 &&
        (itemData & kItemDraggable) != 0 && (itemData & kItemAdded) == 0 &&
        n < m.TransmitterCount) {
        DeleteTransmitter(item);
    }
}

QTreeWidgetItem* CDragTreeCtrl::OtherItemNumbered(const QTreeWidgetItem* item) {
    const uint32_t wanted = ItemData(item);
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
        const uint32_t other = ItemData(*it);
        if (*it != item && ItemNumber(other) == ItemNumber(wanted) &&
            (other & (kKindMask | kItemDraggable)) == (wanted & (kKindMask | kItemDraggable)))
            return *it;
    }
    return nullptr;
}

void CDragTreeCtrl::DeleteTransmitter(QTreeWidgetItem* item) {
    ModuleState& m = Module();
    CKnxDlg* dlg = m.MainDialog;
    const uint16_t t = ItemNumber(ItemData(item));
    uint8_t* rows = m.TransmitterTable.data();
    // Later rows move up one place; their catalogue items are renumbered through their slots,
    // so items of another kind between them are never touched.
    size_t i = t;
    for (; i + 1 < m.TransmitterCount; ++i) {
        std::memcpy(rows + i * layout::kRowSize, rows + (i + 1) * layout::kRowSize,
                    layout::kRowSize);
        if (dlg != nullptr) {
            CatalogueEntry& next = dlg->GroupAddressTable[i + 1];
            if (next.item != nullptr) {
                SetItemData(next.item,
                            (static_cast<uint32_t>(i) << 16) | (ItemData(next.item) & 0xFF));
            }
            dlg->GroupAddressTable[i] = next;
        }
    }
    std::memset(rows + i * layout::kRowSize, 0, layout::kRowSize);
    if (dlg != nullptr)
        dlg->GroupAddressTable[i].Clear();
    if (item == dropHighlight_)
        dropHighlight_ = nullptr;
    delete item;
    --m.TransmitterCount;
    for (CDragTreeCtrl* tree : {m.SceneTree1, m.SceneTree2, m.DimmerTree1, m.DimmerTree2}) {
        RemoveReferences(tree, t);
    }
}

void CDragTreeCtrl::OnEndLabelEdit(QTreeWidgetItem* item, const QString& text) {
    if (item == nullptr)
        return;
    // An edit that changes nothing stores nothing: an unnamed transmitter keeps an empty name.
    if (text == item->text(0))
        return;
    ModuleState& m = Module();
    CKnxDlg* dlg = m.MainDialog;
    const uint32_t itemData = ItemData(item);
    const uint16_t t = ItemNumber(itemData);
    const bool transmitter = (itemData & kItemDraggable) != 0 && (itemData & kKindMask) == 0;
    if (!transmitter || t >= layout::kMaxRows) {
        // A main group added at the top level in the EnOcean layout: only its own label changes.
        item->setText(0, text);
        if (dlg != nullptr && (itemData & kKindMask) == kKindMainGroup)
            dlg->MainGroupTable[t & 0x1F].label = text;
        return;
    }
    uint8_t* row = m.TransmitterTable.data() + t * layout::kRowSize;
    std::memset(row + layout::kRowName, 0, layout::kRowNameSize);
    QString label = text;
    if (text.isEmpty()) {
        label = QString::fromStdString(TransmitterLabel(ConstBytes(row, layout::kRowSize)));
    } else {
        // The name field holds 59 bytes and a NUL; longer names are cut at a character boundary.
        const std::string utf8 = CutUtf8(text.toStdString(), layout::kRowNameSize - 1);
        std::memcpy(row + layout::kRowName, utf8.data(), utf8.size());
    }
    item->setText(0, label);
    if (dlg != nullptr)
        dlg->GroupAddressTable[t].label = label;
    for (CDragTreeCtrl* tree : {m.SceneTree1, m.SceneTree2, m.DimmerTree1, m.DimmerTree2}) {
        RenameReferences(tree, t, label);
        if (tree != nullptr)
            tree->viewport()->update();
    }
}

bool IsReferencedOnPages(uint16_t index) {
    const ModuleState& m = Module();
    for (const CDragTreeCtrl* tree :
         {m.SceneTree1, m.SceneTree2, m.DimmerTree1, m.DimmerTree2, m.DeviceTree1, m.DeviceTree2}) {
        if (tree == nullptr)
            continue;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* output = tree->topLevelItem(i);
            for (int c = 0; c < output->childCount(); ++c) {
                if (ItemNumber(CDragTreeCtrl::ItemData(output->child(c))) == index)
                    return true;
            }
        }
    }
    return false;
}

void EditAssignments(CDragTreeCtrl* tree, const std::function<bool(QTreeWidgetItem*)>& visit) {
    if (tree == nullptr)
        return;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* output = tree->topLevelItem(i);
        for (int c = 0; c < output->childCount();) {
            QTreeWidgetItem* child = output->child(c);
            if (!visit(child)) {
                ++c;
                continue;
            }
            if (child == tree->DropHighlight())
                tree->SetDropHighlight(nullptr);
            delete child;
        }
    }
}

void RemoveReferences(CDragTreeCtrl* tree, uint16_t index) {
    EditAssignments(tree, [index](QTreeWidgetItem* child) {
        const uint32_t data = CDragTreeCtrl::ItemData(child);
        const uint16_t n = ItemNumber(data);
        if (n > index)
            CDragTreeCtrl::SetItemData(child, (static_cast<uint32_t>(n - 1) << 16) | (data & 0xFF));
        return n == index;
    });
}

void RenameReferences(CDragTreeCtrl* tree, uint16_t index, const QString& text) {
    EditAssignments(tree, [index, &text](QTreeWidgetItem* child) {
        if (ItemNumber(CDragTreeCtrl::ItemData(child)) == index)
            child->setText(0, text);
        return false;
    });
}

}  // namespace halvex
