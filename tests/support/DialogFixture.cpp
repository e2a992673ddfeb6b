#include "support/DialogFixture.h"

#include <QPushButton>
#include <QTreeWidgetItemIterator>

#include <cstdlib>
#include <cstring>

#include "pages/CDragTreeCtrl.h"
#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"
#include "resources/Images.h"

namespace halvex::test {

void DialogFixture::Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                         const std::vector<Device>& devices, uint8_t language) {
    InitResources();
    ResetModuleState();
    ModuleState& m = Module();
    sceneList = MakeSceneList(scenes);
    m.SceneList = sceneList.data();
    m.SceneListSize = static_cast<uint32_t>(sceneList.size());
    const std::vector<uint8_t> table = MakeDeviceTable(devices);
    std::memcpy(m.DeviceTable.data(), table.data(), table.size());
    m.DeviceCount = static_cast<uint16_t>(devices.size());
    m.UiLanguage = language;
    m.WorkingRecord = static_cast<uint8_t*>(std::malloc(record.size()));
    std::memcpy(m.WorkingRecord, record.data(), record.size());
    m.WorkingRecordCapacity = record.size();
    if ((record[15] & 0x10) == 0) {
        m.SceneCount =
            ReadKnxRecord(MutableBytes(m.WorkingRecord, record.size()), m.WlanSettings).sceneCount;
    }
    dlg = std::make_unique<CKnxDlg>();
    dlg->PrepareCatalogue();
    dlg->SetListenFailed(listenFailed);
    dlg->OnInitDialog();
}

void DialogFixture::TearDown() {
    dlg.reset();
    std::free(Module().WorkingRecord);
    ResetModuleState();
}

std::vector<uint8_t> DialogFixture::PressOk() {
    dlg->findChild<QPushButton*>(QStringLiteral("7052"))->click();
    return WorkingRecord();
}

std::vector<uint8_t> DialogFixture::WorkingRecord() const {
    const ModuleState& m = Module();
    const auto size = StoredRecordSize(ConstBytes(m.WorkingRecord, m.WorkingRecordCapacity));
    const size_t n = size.value_or(m.WorkingRecordCapacity);
    return {m.WorkingRecord, m.WorkingRecord + n};
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
