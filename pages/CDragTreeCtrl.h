// The tree control of the catalogue and of every output page.
//
// Item roles: column 0 text is the label; Qt::UserRole holds the 32-bit item data
// (number in bits 31-16, kind and flags in bits 7-4, object type in bits 3-0); ImageRole holds
// the index into the tree's own image list, whose icon the item shows. The tree adds the user
// actions that make assignments: drag and drop between trees, the Delete key, right-click, and
// in-place editing of transmitter names.
#pragma once

#include <QPointer>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "pages/CTreeDropTarget.h"

namespace halvex {

enum class InsertAt { Last, Sorted };

class CDragTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    explicit CDragTreeCtrl(QWidget* parent = nullptr);

    // Normal image list: index -> icon. Empty when the tree has none.
    void SetImageList(std::vector<QIcon> images);
    const std::vector<QIcon>& ImageList() const { return images_; }
    bool HasImageList() const { return !images_.empty(); }

    QTreeWidgetItem* InsertTreeItem(QTreeWidgetItem* parent, const QString& text, InsertAt where,
                                    int image, int selectedImage, uint32_t data);
    static uint32_t ItemData(const QTreeWidgetItem* item);
    static void SetItemData(QTreeWidgetItem* item, uint32_t data);
    static int Image(const QTreeWidgetItem* item);
    static int SelectedImage(const QTreeWidgetItem* item);
    void SetImage(QTreeWidgetItem* item, int image, int selectedImage);

    QTreeWidgetItem* SelectedItem() const;
    void SelectItem(QTreeWidgetItem* item);

    // Drop highlight: the item a drag hovers over.
    QTreeWidgetItem* DropHighlight() const { return dropHighlight_; }
    void SetDropHighlight(QTreeWidgetItem* item);

    // Allows in-place label editing (catalogue of EnOcean and network-only records).
    void SetEditLabels(bool on);
    bool EditLabels() const { return editLabels_; }

    // The user actions, callable without a real mouse or keyboard.
    void OnBeginDrag(QTreeWidgetItem* item);
    void OnKeyDown(int key);
    void OnEndLabelEdit(QTreeWidgetItem* item, const QString& text);

    CTreeDropTarget& DropTarget() { return dropTarget_; }

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DeleteTransmitter(QTreeWidgetItem* item);
    // Another item of this tree with the number and kind of `item`, if any.
    QTreeWidgetItem* OtherItemNumbered(const QTreeWidgetItem* item);

    CTreeDropTarget dropTarget_;
    std::vector<QIcon> images_;
    QTreeWidgetItem* dropHighlight_ = nullptr;
    bool editLabels_ = false;
};

// Visits every assignment (a child of a top-level item) of `tree`; deletes those for which
// `visit` returns true.
void EditAssignments(CDragTreeCtrl* tree, const std::function<bool(QTreeWidgetItem*)>& visit);
// True when any assignment (a child of a top-level item) of the six page trees carries `index`.
bool IsReferencedOnPages(uint16_t index);
// Deletes the assignments of `index` in `tree` and renumbers those above it.
void RemoveReferences(CDragTreeCtrl* tree, uint16_t index);
// Sets the text of every assignment of `index` in `tree`.
void RenameReferences(CDragTreeCtrl* tree, uint16_t index, const QString& text);

}  // namespace halvex
