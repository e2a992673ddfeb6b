// The record side of one __OpenKNXDialog call, whatever shows the dialog: the module state the
// call starts from, the private working copy of the host's record (or a new record), and at
// the end the hand-over of the working record to the host on OK or its release on Cancel.
//
// Records are malloc blocks shared with the host: the host's record is freed here when OK
// replaces it, and the working record becomes the host's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/record/Bytes.h"
#include "engine/record/SceneRecord.h"

namespace halvex {

struct DialogCallInput {
    const uint8_t* sceneList = nullptr;
    uint8_t* record = nullptr;    // the host's record; null for a new one
    size_t recordAllocation = 0;  // bytes the host allocated for `record`
    BusType newRecordBus = BusType::Knx;
    uint8_t language = 0;  // as the host passed it
    const uint32_t* deviceTable = nullptr;
    uint16_t deviceCount = 0;
};

// Takes the host's scene list, device table and language into the module state.
void BeginDialogCall(const DialogCallInput& input);
// Makes the working record: a private copy of the host's record, or a new record of
// `newRecordBus`. False when it could not be made (out of memory); then nothing is to be shown.
// `damaged` tells whether the host's record could only be read in part.
bool MakeWorkingRecord(const DialogCallInput& input, bool& damaged);

// Ends the call: on OK with a record slot, a working record that can be stored soundly goes to
// the host through `recordSlot` (the host's old record is freed); otherwise the working record
// is freed and the host's record stays as it was. Returns whether the host got a new record.
bool EndDialogCall(bool accepted, uint8_t* hostRecord, uint8_t** recordSlot);

// The working record of the running call (empty when there is none).
MutableBytes WorkingRecordBytes();

// A working record that OK would store: KNX and EnOcean records as rebuilt; a network-only
// record as it is, and when damaged as its header alone (all that the dialog reads or edits of
// it), never the damaged bytes behind it. False when the record cannot be made sound.
bool MakeStorable(MutableBytes record);

}  // namespace halvex
