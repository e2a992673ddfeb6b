#include "qt/COutputPage.h"

#include <QVBoxLayout>

#include "model/ControlIds.h"
#include "qt/CDragTreeCtrl.h"
#include "qt/Images.h"
#include "qt/QtText.h"

namespace halvex {

COutputPage::COutputPage(const QString& name) {
    setObjectName(name);
}

void COutputPage::InitPage(DialogModel& model, int slot) {
    tree_ = new CDragTreeCtrl(this);
    tree_->setObjectName(ControlName(ids::kTree));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(tree_);
    tree_->SetImageList({BitmapIcon(model.Page(slot)->OutputBitmap()), BitmapIcon(7004),
                         BitmapIcon(7003), BitmapIcon(7002), BitmapIcon(7018)});
    tree_->ShowModel(&model, static_cast<TreeId>(slot + 1));
}

}  // namespace halvex
