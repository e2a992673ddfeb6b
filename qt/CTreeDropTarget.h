// Drop side of the in-process drag and drop between trees.
//
// The drag carries no data: the drop side finds the source tree through
// CDragTreeCtrl::DragSource() and the dragged entry as that tree's selected item; the dialog
// model decides whether a drop is accepted and what it creates. The calls are plain functions
// so tests can make them without a mouse.
#pragma once

#include <QPoint>

class QTreeWidgetItem;

namespace halvex {

class CDragTreeCtrl;

enum class DropEffect { None, Link };

class CTreeDropTarget {
public:
    // Decides whether the point (client coordinates of `target`) accepts the running drag;
    // expands and highlights the item under it, and scrolls near the edges.
    DropEffect OnDragOver(CDragTreeCtrl* target, QPoint point);
    // The decision for the item under the cursor, without the scrolling.
    DropEffect OnDragOverItem(CDragTreeCtrl* target, QTreeWidgetItem* hit);
    void OnDragLeave(CDragTreeCtrl* target);
    // Drops the dragged entry onto the highlighted item of `target`.
    bool OnDrop(CDragTreeCtrl* target);
};

}  // namespace halvex
