#include "support/DialogFixture.h"

#include <QPushButton>
#include <QTreeWidgetItemIterator>

#include "pages/CDragTreeCtrl.h"
#include "resources/Images.h"

namespace halvex::test {

void DialogFixture::Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                         const std::vector<Device>& devices, uint8_t language) {
    InitResources();
    StartDialogCall(record, scenes, devices, language, sceneList);
    dlg = std::make_unique<CKnxDlg>();
    dlg->PrepareCatalogue();
    dlg->SetListenFailed(listenFailed);
    dlg->OnInitDialog();
}

void DialogFixture::TearDown() {
    dlg.reset();
    EndTestCall();
}

std::vector<uint8_t> DialogFixture::PressOk() {
    dlg->findChild<QPushButton*>(QStringLiteral("7052"))->click();
    return StoredWorkingRecord();
}

CDragTreeCtrl* DialogFixture::Catalogue() const {
    return dlg->CatalogueTreeCtrl();
}

CDragTreeCtrl* DialogFixture::PageTree(int slot) const {
    return dlg->TreeCtrl(static_cast<TreeId>(slot + 1));
}

QTreeWidgetItem* DialogFixture::FindItem(CDragTreeCtrl* tree, const QString& text) {
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        if ((*it)->text(0) == text)
            return *it;
    }
    return nullptr;
}

}  // namespace halvex::test
