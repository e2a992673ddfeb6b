// Drop side of the in-process drag between trees, driven by the tree-view drag messages: the
// dragging tree captures the mouse and calls the drop target of the tree under the cursor.
//
// The drag carries no data: the target finds the source tree through
// CDragTreeCtrl::DragSource() and the dragged entry as that tree's selected item; the dialog
// model decides whether a drop is accepted and what it creates.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace halvex {

class CDragTreeCtrl;

enum class DropEffect { None, Link };

class CTreeDropTarget {
public:
    // Decides whether the point (client coordinates of `target`) accepts the running drag;
    // expands and highlights the item under it, and scrolls near the edges.
    DropEffect OnDragOver(CDragTreeCtrl& target, POINT point);
    void OnDragLeave(CDragTreeCtrl& target);
    // Drops the dragged entry onto the highlighted item of `target`.
    bool OnDrop(CDragTreeCtrl& target);
};

}  // namespace halvex
