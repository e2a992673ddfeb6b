// Common frame of the six output pages: one drag-and-drop tree whose top-level items are the
// page's outputs and whose children are the assignments.
//
// Top-level items carry the object type the output accepts in item-data bits 0-3 and image 0;
// assignments carry the catalogue number in bits 16-31 (group address or transmitter row).
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

#include "plugin/PageLoader.h"

class QTreeWidgetItem;

namespace halvex {

class CDragTreeCtrl;

class COutputPage : public QWidget {
    Q_OBJECT
public:
    // `treeSlot` is the module-wide pointer this page's tree is published in while it exists.
    COutputPage(const QString& name, CDragTreeCtrl** treeSlot, int outputImageBitmap);
    ~COutputPage() override;

    // Builds the tree from the working record.
    virtual void InitPage() = 0;

    CDragTreeCtrl* Tree() const { return tree_; }
    const std::vector<QTreeWidgetItem*>& OutputItems() const { return outputs_; }

protected:
    void CreateTree();
    void AppendOutput(const QString& text, uint32_t type);
    // Inserts each loaded assignment under its output from the catalogue slot's template.
    void InsertAssignments(const std::vector<LoadedAssignment>& assignments, uint32_t lowByte);

private:
    CDragTreeCtrl** treeSlot_;
    int outputImageBitmap_;
    CDragTreeCtrl* tree_ = nullptr;
    std::vector<QTreeWidgetItem*> outputs_;
    QList<QTreeWidgetItem*> pending_;
};

}  // namespace halvex
