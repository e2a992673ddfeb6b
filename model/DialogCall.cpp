#include "model/DialogCall.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/ModuleState.h"
#include "engine/UiText.h"
#include "engine/record/HostStructures.h"

namespace halvex {
namespace {

// A private copy of the host's record, bounded by what the host allocated. A record whose
// lengths point past its allocation keeps only the part that lies inside it.
bool CopyHostRecord(const uint8_t* record, size_t available, bool& damaged) {
    const ConstBytes all(record, available);
    size_t size = 0;
    damaged = false;
    if (const std::optional<size_t> stored = StoredRecordSize(all)) {
        size = *stored;
    } else {
        damaged = true;
        size = std::min<size_t>(ReadU16(all, layout::kMainLength).value_or(0), available);
    }
    const size_t allocated = std::max(size, layout::kHeaderSize);
    auto* bytes = static_cast<uint8_t*>(std::calloc(allocated, 1));
    if (bytes == nullptr)
        return false;
    std::memcpy(bytes, record, size);
    if (damaged) {
        // The trailing block could not be trusted: the copy goes on without it.
        bytes[layout::kFlagsA] &= static_cast<uint8_t>(~layout::kFlagTrailingBlock);
    }
    if (size < layout::kHeaderSize || CheckRecord(ConstBytes(bytes, allocated)).Damaged())
        damaged = true;
    ModuleState& m = Module();
    m.WorkingRecord = bytes;
    m.WorkingRecordCapacity = allocated;
    if ((bytes[layout::kFlagsB] & layout::kFlagEnOcean) == 0) {
        m.SceneCount = ReadKnxRecord(MutableBytes(bytes, allocated), m.WlanSettings).sceneCount;
    }
    return true;
}

bool MakeNewRecord(const DialogCallInput& input) {
    ModuleState& m = Module();
    const std::vector<uint8_t> fresh = NewRecord(input.newRecordBus);
    m.WorkingRecord = static_cast<uint8_t*>(std::malloc(fresh.size()));
    if (m.WorkingRecord == nullptr)
        return false;
    std::memcpy(m.WorkingRecord, fresh.data(), fresh.size());
    m.WorkingRecordCapacity = fresh.size();
    m.SceneCount = input.sceneList != nullptr ? input.sceneList[6] : 0;
    m.WlanSettings.fill(0);
    if (input.newRecordBus == BusType::EnOcean)
        m.TransmitterCount = 0;
    return true;
}

}  // namespace

void BeginDialogCall(const DialogCallInput& input) {
    ModuleState& m = Module();
    if (input.deviceTable != nullptr) {
        std::memcpy(m.DeviceTable.data(), input.deviceTable, m.DeviceTable.size());
    } else {
        m.DeviceTable.fill(0);
    }
    m.DeviceCount = std::min<uint16_t>(input.deviceCount, layout::kMaxDevices);
    m.UiLanguage = LanguageFromHost(input.language);
    m.SceneList = input.sceneList;
    m.SceneListSize = input.sceneList != nullptr ? HostSceneListSize(input.sceneList) : 0;
}

MutableBytes WorkingRecordBytes() {
    ModuleState& m = Module();
    if (m.WorkingRecord == nullptr)
        return {};
    return {m.WorkingRecord, m.WorkingRecordCapacity};
}

bool MakeWorkingRecord(const DialogCallInput& input, bool& damaged) {
    damaged = false;
    return input.record != nullptr ? CopyHostRecord(input.record, input.recordAllocation, damaged)
                                   : MakeNewRecord(input);
}

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

bool EndDialogCall(bool accepted, uint8_t* hostRecord, uint8_t** recordSlot) {
    ModuleState& m = Module();
    const bool stored = accepted && recordSlot != nullptr && m.WorkingRecord != nullptr &&
                        MakeStorable(MutableBytes(m.WorkingRecord, m.WorkingRecordCapacity));
    if (stored) {
        *recordSlot = m.WorkingRecord;
        std::free(hostRecord);
    } else {
        std::free(m.WorkingRecord);
    }
    m.WorkingRecord = nullptr;
    m.WorkingRecordCapacity = 0;
    return stored;
}

}  // namespace halvex
