#include "pages/COutputPage.h"

#include <QVBoxLayout>

#include "catalogue/CKnxDlg.h"
#include "pages/CDragTreeCtrl.h"
#include "plugin/ModuleState.h"
#include "resources/Images.h"

namespace halvex {

COutputPage::COutputPage(const QString& name, CDragTreeCtrl** treeSlot, int outputImageBitmap)
    : treeSlot_(treeSlot), outputImageBitmap_(outputImageBitmap) {
    setObjectName(name);
}

COutputPage::~COutputPage() {
    if (tree_ != nullptr && *treeSlot_ == tree_)
        *treeSlot_ = nullptr;
}

void COutputPage::CreateTree() {
    tree_ = new CDragTreeCtrl(this);
    tree_->setObjectName(QStringLiteral("1001"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(tree_);
    tree_->SetImageList({BitmapIcon(outputImageBitmap_), BitmapIcon(7004), BitmapIcon(7003),
                         BitmapIcon(7002), BitmapIcon(7018)});
    *treeSlot_ = tree_;
}

void COutputPage::AppendOutput(const QString& text, uint32_t type) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    CDragTreeCtrl::SetItemData(item, type);
    item->setData(0, CDragTreeCtrl::ImageRole, 0);
    item->setData(0, CDragTreeCtrl::SelectedImageRole, 0);
    item->setIcon(0, tree_->ImageList()[0]);
    outputs_.push_back(item);
    pending_.append(item);
}

void COutputPage::InsertAssignments(const std::vector<LoadedAssignment>& assignments,
                                    uint32_t lowByte) {
    // Outputs are added in one batch; it is much faster than one insertion per item.
    tree_->addTopLevelItems(pending_);
    pending_.clear();
    const CKnxDlg* dlg = Module().MainDialog;
    for (const LoadedAssignment& a : assignments) {
        if (a.slot >= outputs_.size())
            continue;
        QString label;
        int image = 0;
        if (dlg != nullptr) {
            const CatalogueEntry& entry = dlg->GroupAddressTable[a.number];
            label = entry.label;
            image = entry.image;
        }
        auto* child = new QTreeWidgetItem(outputs_[a.slot], QStringList{label});
        CDragTreeCtrl::SetItemData(child, (static_cast<uint32_t>(a.number) << 16) | lowByte);
        tree_->SetImage(child, image, image);
    }
}

}  // namespace halvex
