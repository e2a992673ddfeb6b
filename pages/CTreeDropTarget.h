// Drop side of the in-process drag and drop between trees.
//
// The drag carries no data: the drop side finds the source tree through
// Module().DragSourceTree and the dragged entry as that tree's selected item. The accept/refuse
// decision and the drop are plain functions so tests can call them without a mouse.
#pragma once

#include <QPoint>

class QTreeWidgetItem;

namespace halvex {

class CDragTreeCtrl;

enum class DropEffect { None, Link };

class CTreeDropTarget {
public:
    DropEffect OnDragEnter() const { return DropEffect::Link; }
    // Decides whether the point (client coordinates of `target`) accepts the running drag;
    // expands and highlights the item under it, and scrolls near the edges.
    DropEffect OnDragOver(CDragTreeCtrl* target, QPoint point);
    // The decision for the item under the cursor, without the scrolling.
    DropEffect OnDragOverItem(CDragTreeCtrl* target, QTreeWidgetItem* hit);
    void OnDragLeave(CDragTreeCtrl* target);
    // Copies the dragged item and its descendants under the highlighted item of `target`.
    bool OnDrop(CDragTreeCtrl* target);

    static bool HasChildWithText(const QTreeWidgetItem* dragged, const QTreeWidgetItem* parent);

    QTreeWidgetItem* NewItem() const { return newItem_; }

private:
    CDragTreeCtrl* source_ = nullptr;
    CDragTreeCtrl* target_ = nullptr;
    QTreeWidgetItem* newItem_ = nullptr;
};

}  // namespace halvex
