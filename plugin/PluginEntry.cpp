#include "plugin/PluginEntry.h"

#include <sys/socket.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/ModuleState.h"
#include "engine/record/HostStructures.h"
#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "model/DialogCall.h"
#include "qt/CBusTypeDlg.h"
#include "qt/CKnxDlg.h"
#include "qt/Images.h"
#include "qt/QtText.h"

namespace halvex {
namespace {

// The application object the library made itself, kept until the library is unloaded.
std::unique_ptr<QApplication>& OwnApplication() {
    static std::unique_ptr<QApplication> app;
    return app;
}

}  // namespace

bool EnsureApplication() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        return qobject_cast<QApplication*>(app) != nullptr;
    }
    // Without a display Qt would end the process; a plug-in must never end its host.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return false;
    }
    static int argc = 1;
    static char name[] = "halvex";
    static char* argv[] = {name, nullptr};
    OwnApplication() = std::make_unique<QApplication>(argc, argv);
    return true;
}

void OpenKnxDialog(const uint8_t* sceneList, uint8_t* record, uint8_t** recordSlot,
                   uint8_t language, const uint32_t* deviceTable, uint16_t deviceCount) {
    if (!EnsureApplication())
        return;
    InitResources();
    ModuleState& m = Module();
    auto dialog = std::make_unique<CKnxDlg>();
    DialogCallInput input{
        sceneList,    record,   record != nullptr ? HostAllocationSize(record) : 0,
        BusType::Knx, language, deviceTable,
        deviceCount};
    BeginDialogCall(input);
    if (record == nullptr) {
        CBusTypeDlg busDialog;
        busDialog.SetChoice(0);
        if (busDialog.exec() != 1)
            return;
        input.newRecordBus = static_cast<BusType>(std::clamp(busDialog.Choice(), 0, 4));
    }

    m.Listening = false;
    m.ListenLink.SetAddressPrefixed(true);
    if (m.ListenLink.OpenBound("4044", AF_INET, SOCK_DGRAM, kOptionBroadcast)) {
        m.ListenLink.StartReceiver();
        m.Listening = true;
    }
    dialog->SetListenFailed(!m.Listening);

    bool damaged = false;
    if (MakeWorkingRecord(input, damaged)) {
        dialog->PrepareCatalogue();
        dialog->OnInitDialog();
        if (damaged) {
            QTimer::singleShot(0, dialog.get(), [d = dialog.get()] {
                QMessageBox box(QMessageBox::Warning, Tr(Text::Attention),
                                Tr(ExtraText::RecordDamaged), QMessageBox::Ok, d);
                box.exec();
            });
        }
        EndDialogCall(dialog->exec() == QDialog::Accepted, record, recordSlot);
    }

    // The receive thread ends before the dialog that receives its messages goes away.
    m.Events = nullptr;
    m.EnOceanRecordOpen = false;
    if (m.Listening)
        m.ListenLink.Stop();
    m.Listening = false;
    dialog.reset();
}

void DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList, uint8_t** recordSlot) {
    if (sceneList == nullptr || recordSlot == nullptr || *recordSlot == nullptr)
        return;
    uint8_t* record = *recordSlot;
    const size_t available = HostAllocationSize(record);
    const std::optional<size_t> size = StoredRecordSize(ConstBytes(record, available));
    if (!size)
        return;
    DeleteSceneInPlace(MutableBytes(record, *size), sceneIndex, sceneList[6], Module().SceneCount);
}

}  // namespace halvex
