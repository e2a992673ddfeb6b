// Deletes a scene from arbitrary records in place, as __DeleteScene does.
//
// Input: scene index, scene-list byte 6, then the record. Guarantees checked: nothing outside
// the record is touched (sanitizers); a refused deletion leaves every byte as it was; a record
// that checked clean still checks clean afterwards, with the same stored size or less.
#include <cstdint>
#include <vector>

#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvex;
    ConstBytes input(data, size);
    const uint8_t sceneIndex = fuzz::TakeByte(input);
    const uint8_t byte6 = fuzz::TakeByte(input);
    const std::vector<uint8_t> before(input.begin(), input.end());
    std::vector<uint8_t> record = before;

    uint16_t sceneCount = 0xBEEF;
    const bool done = DeleteSceneInPlace(record, sceneIndex, byte6, sceneCount);
    fuzz::Check(record.size() == before.size());
    if (!done) {
        fuzz::Check(record == before);
        return 0;
    }
    const RecordCheck was = CheckRecord(before);
    if (!was.Damaged()) {
        fuzz::Check(!CheckRecord(record).Damaged());
        fuzz::Check(StoredRecordSize(record) <= StoredRecordSize(before));
    }
    // Deleting again from the result is just as safe.
    uint16_t again = 0;
    DeleteSceneInPlace(record, sceneIndex, byte6, again);
    return 0;
}
