#include "plugin/PluginEntry.h"

#include <algorithm>

#include "engine/ModuleState.h"
#include "engine/UiText.h"
#include "engine/net/SocketPlatform.h"
#include "engine/record/HostStructures.h"
#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "model/DialogCall.h"

namespace halvex {

void RunDialogCall(DialogFrontEnd& frontEnd, const uint8_t* sceneList, uint8_t* record,
                   uint8_t** recordSlot, uint8_t language, const uint32_t* deviceTable,
                   uint16_t deviceCount) {
    ModuleState& m = Module();
    DialogCallInput input{
        sceneList,    record,   record != nullptr ? HostAllocationSize(record) : 0,
        BusType::Knx, language, deviceTable,
        deviceCount};
    BeginDialogCall(input);
    if (record == nullptr) {
        const std::optional<int> choice = frontEnd.AskBusType();
        if (!choice)
            return;
        // No choice at all counts as the preselected "KNX".
        input.newRecordBus = static_cast<BusType>(std::clamp(*choice, 0, 4));
    }

    m.Listening = false;
    m.ListenLink.SetAddressPrefixed(true);
    if (m.ListenLink.OpenBound("4044", AF_INET, SOCK_DGRAM, kOptionBroadcast)) {
        m.ListenLink.StartReceiver();
        m.Listening = true;
    }

    bool damaged = false;
    if (MakeWorkingRecord(input, damaged)) {
        std::optional<StartWarning> warning;
        if (damaged) {
            warning = StartWarning{std::string(UiText(Text::Attention)),
                                   std::string(ExtraUiText(ExtraText::RecordDamaged))};
        }
        EndDialogCall(frontEnd.RunMainDialog(!m.Listening, warning), record, recordSlot);
    }

    // The receive thread ends before the dialog that receives its messages goes away (with
    // the front-end, after this function).
    m.Events = nullptr;
    m.EnOceanRecordOpen = false;
    if (m.Listening)
        m.ListenLink.Stop();
    m.Listening = false;
}

void OpenKnxDialog(const uint8_t* sceneList, uint8_t* record, uint8_t** recordSlot,
                   uint8_t language, const uint32_t* deviceTable, uint16_t deviceCount) {
    const std::unique_ptr<DialogFrontEnd> frontEnd = MakeDialogFrontEnd();
    if (frontEnd != nullptr) {
        RunDialogCall(*frontEnd, sceneList, record, recordSlot, language, deviceTable, deviceCount);
    }
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
