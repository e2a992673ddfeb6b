#include "host/DialogCall.h"

#include <cstdlib>
#include <cstring>

#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"
#include "host/HostError.h"

namespace halvex::host {

DialogOutcome CallOpenDialog(const PluginLibrary& library, const HostShow& show,
                             const std::optional<StoredRecord>& record, uint8_t language) {
    const std::vector<uint8_t> sceneList = BuildSceneList(show);
    const std::vector<uint8_t> tableBytes = BuildDeviceTable(show);
    // The plug-in takes the device table as 3072 u32.
    std::vector<uint32_t> deviceTable(layout::kDeviceTableSize / sizeof(uint32_t));
    std::memcpy(deviceTable.data(), tableBytes.data(), tableBytes.size());

    RecordBlock original = record ? MallocCopy(record->bytes) : RecordBlock();
    uint8_t* slot = original.get();
    library.OpenDialog()(sceneList.data(), original.get(), &slot, language, deviceTable.data(),
                         static_cast<uint16_t>(show.devices.size()));

    DialogOutcome outcome;
    if (slot == original.get())
        return outcome;  // not OK: the host's record stays its own
    // OK: the plug-in freed the record it was given and handed back a new malloc block.
    (void)original.release();
    if (slot == nullptr)
        throw HostError(ExitCode::Library, "the plug-in stored no record on OK");
    const RecordBlock replacement(slot);
    const auto size = ClaimedRecordSize(slot);
    if (!size) {
        throw HostError(ExitCode::Library,
                        "the plug-in handed back a record with impossible sizes; nothing written");
    }
    outcome.accepted = true;
    outcome.record.assign(slot, slot + *size);
    return outcome;
}

}  // namespace halvex::host
