#include "plugin/PluginEntry.h"

#include <malloc.h>
#include <sys/socket.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "catalogue/CBusTypeDlg.h"
#include "catalogue/CKnxDlg.h"
#include "plugin/HostStructures.h"
#include "plugin/ModuleState.h"
#include "plugin/QtText.h"
#include "plugin/SceneDeletion.h"
#include "plugin/SceneRecord.h"
#include "resources/Images.h"

namespace halvex {
namespace {

// The application object the library made itself, kept until the library is unloaded.
std::unique_ptr<QApplication>& OwnApplication() {
    static std::unique_ptr<QApplication> app;
    return app;
}

// A private copy of the host's record, bounded by what the host allocated. A record whose
// lengths point past its allocation keeps only the part that lies inside it.
struct WorkingCopy {
    uint8_t* bytes = nullptr;
    size_t size = 0;
    bool damaged = false;
};

WorkingCopy CopyHostRecord(const uint8_t* record) {
    WorkingCopy copy;
    const size_t available = malloc_usable_size(const_cast<uint8_t*>(record));
    const ConstBytes all(record, available);
    size_t size = 0;
    if (const std::optional<size_t> stored = StoredRecordSize(all)) {
        size = *stored;
    } else {
        copy.damaged = true;
        size = std::min<size_t>(ReadU16(all, layout::kMainLength).value_or(0), available);
    }
    const size_t allocated = std::max(size, layout::kHeaderSize);
    copy.bytes = static_cast<uint8_t*>(std::calloc(allocated, 1));
    if (copy.bytes == nullptr)
        return copy;
    std::memcpy(copy.bytes, record, size);
    copy.size = allocated;
    if (copy.damaged && copy.size > layout::kFlagsA) {
        // The trailing block could not be trusted: the copy goes on without it.
        copy.bytes[layout::kFlagsA] &= static_cast<uint8_t>(~layout::kFlagTrailingBlock);
    }
    if (size < layout::kHeaderSize || CheckRecord(ConstBytes(copy.bytes, copy.size)).Damaged()) {
        copy.damaged = true;
    }
    return copy;
}

// OK rebuilds KNX and EnOcean records; a network-only record is stored as it is, its header
// being all that the dialog reads or edits of it. One that is damaged keeps only that header,
// as an EnOcean record without transmitters does, never the damaged bytes behind it. False
// when the record cannot be made sound; then nothing is stored.
bool MakeStorable(MutableBytes record) {
    if (!CheckRecord(record).Damaged())
        return true;
    if (RecordBusMode(record) != BusMode::NetworkOnly)
        return false;
    WriteU16(record, layout::kMainLength, static_cast<uint16_t>(layout::kHeaderSize));
    WriteU16(record, layout::kEntryCount, 0);
    WriteU16(record, layout::kDeviceBlockOffset, 0);
    record[layout::kFlagsA] &= static_cast<uint8_t>(~layout::kFlagTrailingBlock);
    return !CheckRecord(record.first(layout::kHeaderSize)).Damaged();
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
    if (deviceTable != nullptr) {
        std::memcpy(m.DeviceTable.data(), deviceTable, m.DeviceTable.size());
    } else {
        m.DeviceTable.fill(0);
    }
    m.DeviceCount = std::min<uint16_t>(deviceCount, layout::kMaxDevices);
    m.UiLanguage = LanguageFromHost(language);

    BusType busType = BusType::Knx;
    if (record == nullptr) {
        CBusTypeDlg busDialog;
        busDialog.SetChoice(0);
        if (busDialog.exec() != 1)
            return;
        busType = static_cast<BusType>(std::clamp(busDialog.Choice(), 0, 4));
    }

    m.SceneList = sceneList;
    m.SceneListSize = sceneList != nullptr ? HostSceneListSize(sceneList) : 0;

    m.Listening = false;
    m.ListenLink.SetAddressPrefixed(true);
    if (m.ListenLink.OpenBound("4044", AF_INET, SOCK_DGRAM, kOptionBroadcast)) {
        m.ListenLink.StartReceiver();
        m.Listening = true;
    }
    dialog->SetListenFailed(!m.Listening);

    bool damaged = false;
    if (record != nullptr) {
        const WorkingCopy copy = CopyHostRecord(record);
        if (copy.bytes == nullptr) {
            if (m.Listening)
                m.ListenLink.Stop();
            return;
        }
        damaged = copy.damaged;
        m.WorkingRecord = copy.bytes;
        m.WorkingRecordCapacity = copy.size;
        if ((m.WorkingRecord[layout::kFlagsB] & layout::kFlagEnOcean) == 0) {
            m.SceneCount = ReadKnxRecord(MutableBytes(m.WorkingRecord, m.WorkingRecordCapacity),
                                         m.WlanSettings)
                               .sceneCount;
        }
    } else {
        const std::vector<uint8_t> fresh = NewRecord(busType);
        m.WorkingRecord = static_cast<uint8_t*>(std::malloc(fresh.size()));
        if (m.WorkingRecord == nullptr)
            return;
        std::memcpy(m.WorkingRecord, fresh.data(), fresh.size());
        m.WorkingRecordCapacity = fresh.size();
        m.SceneCount = sceneList != nullptr ? sceneList[6] : 0;
        m.WlanSettings.fill(0);
        if (busType == BusType::EnOcean)
            m.TransmitterCount = 0;
    }

    dialog->PrepareCatalogue();
    dialog->OnInitDialog();
    if (damaged) {
        QTimer::singleShot(0, dialog.get(), [d = dialog.get()] {
            QMessageBox box(QMessageBox::Warning, Tr(Text::Attention), Tr(ExtraText::RecordDamaged),
                            QMessageBox::Ok, d);
            box.exec();
        });
    }

    const int result = dialog->exec();
    if (result == QDialog::Accepted && recordSlot != nullptr &&
        MakeStorable(MutableBytes(m.WorkingRecord, m.WorkingRecordCapacity))) {
        *recordSlot = m.WorkingRecord;
        if (record != nullptr)
            std::free(record);
    } else {
        std::free(m.WorkingRecord);
    }
    m.WorkingRecord = nullptr;
    m.WorkingRecordCapacity = 0;

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
    const size_t available = malloc_usable_size(record);
    const std::optional<size_t> size = StoredRecordSize(ConstBytes(record, available));
    if (!size)
        return;
    DeleteSceneInPlace(MutableBytes(record, *size), sceneIndex, sceneList[6], Module().SceneCount);
}

}  // namespace halvex
