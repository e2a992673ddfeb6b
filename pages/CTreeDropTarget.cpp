#include "pages/CTreeDropTarget.h"

#include <QScrollBar>

#include "catalogue/CatalogueEntry.h"
#include "pages/CDragTreeCtrl.h"
#include "plugin/ModuleState.h"

namespace halvex {
namespace {

constexpr int kScrollMargin = 10;

void AutoScroll(CDragTreeCtrl* target, QPoint point) {
    const QRect r = target->viewport()->rect();
    if (point.y() >= r.bottom() - kScrollMargin) {
        target->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (point.y() <= r.top() + kScrollMargin) {
        target->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    if (point.x() <= r.left() + kScrollMargin) {
        target->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (point.x() >= r.right() - kScrollMargin) {
        target->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
}

// Copies the children of `from` under `to`, depth first, with item data 0.
void CopyDescendants(CDragTreeCtrl* target, const QTreeWidgetItem* from, QTreeWidgetItem* to,
                     const QTreeWidgetItem* stopAt) {
    for (int i = 0; i < from->childCount(); ++i) {
        const QTreeWidgetItem* child = from->child(i);
        if (child == stopAt)
            return;
        QTreeWidgetItem* copy =
            target->InsertTreeItem(to, child->text(0), InsertAt::Last, CDragTreeCtrl::Image(child),
                                   CDragTreeCtrl::SelectedImage(child), 0);
        CopyDescendants(target, child, copy, stopAt);
    }
}

}  // namespace

bool CTreeDropTarget::HasChildWithText(const QTreeWidgetItem* dragged,
                                       const QTreeWidgetItem* parent) {
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == dragged->text(0))
            return true;
    }
    return false;
}

DropEffect CTreeDropTarget::OnDragOver(CDragTreeCtrl* target, QPoint point) {
    DropEffect effect = DropEffect::None;
    if (QTreeWidgetItem* hit = target->itemAt(point))
        effect = OnDragOverItem(target, hit);
    target_ = target;
    AutoScroll(target, point);
    return effect;
}

DropEffect CTreeDropTarget::OnDragOverItem(CDragTreeCtrl* target, QTreeWidgetItem* hit) {
    target_ = target;
    hit->setExpanded(true);
    target->SetDropHighlight(hit);
    source_ = Module().DragSourceTree;
    const QTreeWidgetItem* dragged = source_ != nullptr ? source_->SelectedItem() : nullptr;
    const bool accepted = dragged != nullptr && target != source_ &&
                          !HasChildWithText(dragged, hit) && hit->parent() == nullptr &&
                          (CDragTreeCtrl::ItemData(dragged) & kObjectTypeMask) ==
                              (CDragTreeCtrl::ItemData(hit) & kObjectTypeMask);
    return accepted ? DropEffect::Link : DropEffect::None;
}

void CTreeDropTarget::OnDragLeave(CDragTreeCtrl* target) {
    target_ = target;
    target->SetDropHighlight(nullptr);
}

bool CTreeDropTarget::OnDrop(CDragTreeCtrl* target) {
    target_ = target;
    source_ = Module().DragSourceTree;
    QTreeWidgetItem* parent = target->DropHighlight();
    const QTreeWidgetItem* dragged = source_ != nullptr ? source_->SelectedItem() : nullptr;
    if (dragged == nullptr || parent == nullptr)
        return false;

    int image = 0;
    int selectedImage = 0;
    if (source_->HasImageList()) {
        if (!target->HasImageList())
            target->SetImageList(source_->ImageList());
        image = CDragTreeCtrl::Image(dragged);
        selectedImage = CDragTreeCtrl::SelectedImage(dragged);
    }
    newItem_ = target->InsertTreeItem(parent, dragged->text(0), InsertAt::Last, image,
                                      selectedImage, CDragTreeCtrl::ItemData(dragged) | kItemAdded);
    CopyDescendants(target, dragged, newItem_, newItem_);
    parent->setExpanded(true);
    target->SetDropHighlight(nullptr);
    return true;
}

}  // namespace halvex
