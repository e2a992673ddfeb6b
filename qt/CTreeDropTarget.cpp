#include "qt/CTreeDropTarget.h"

#include <QScrollBar>

#include "qt/CDragTreeCtrl.h"

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

}  // namespace

DropEffect CTreeDropTarget::OnDragOver(CDragTreeCtrl* target, QPoint point) {
    DropEffect effect = DropEffect::None;
    if (QTreeWidgetItem* hit = target->itemAt(point))
        effect = OnDragOverItem(target, hit);
    AutoScroll(target, point);
    return effect;
}

DropEffect CTreeDropTarget::OnDragOverItem(CDragTreeCtrl* target, QTreeWidgetItem* hit) {
    hit->setExpanded(true);
    target->SetDropHighlight(hit);
    const CDragTreeCtrl* source = CDragTreeCtrl::DragSource();
    DialogModel* model = target->Model();
    const bool accepted =
        source != nullptr && model != nullptr &&
        model->CanDrop(source->Id(), source->SelectedNode(), target->Id(), target->NodeOf(hit));
    return accepted ? DropEffect::Link : DropEffect::None;
}

void CTreeDropTarget::OnDragLeave(CDragTreeCtrl* target) {
    target->SetDropHighlight(nullptr);
}

bool CTreeDropTarget::OnDrop(CDragTreeCtrl* target) {
    QTreeWidgetItem* parent = target->DropHighlight();
    const CDragTreeCtrl* source = CDragTreeCtrl::DragSource();
    DialogModel* model = target->Model();
    if (source == nullptr || parent == nullptr || model == nullptr)
        return false;
    const bool dropped = model->Drop(source->Id(), source->SelectedNode(), target->Id(),
                                     target->NodeOf(parent)) != nullptr;
    if (dropped)
        parent->setExpanded(true);
    target->SetDropHighlight(nullptr);
    return dropped;
}

}  // namespace halvex
