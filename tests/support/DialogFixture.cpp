#include "support/DialogFixture.h"

#include "qt/CDragTreeCtrl.h"
#include "qt/Images.h"

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

CDragTreeCtrl* DialogFixture::Catalogue() const {
    return dlg->CatalogueTreeCtrl();
}

CDragTreeCtrl* DialogFixture::PageTree(int slot) const {
    return dlg->TreeCtrl(static_cast<TreeId>(slot + 1));
}

}  // namespace halvex::test
