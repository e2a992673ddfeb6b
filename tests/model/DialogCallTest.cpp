// The record side of a dialog call: the working copy, and who owns which block afterwards.
#include <cstdlib>
#include <cstring>

#include "engine/ModuleState.h"
#include "model/DialogCall.h"
#include "support/ByteDiff.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

TEST(DialogCall, OkHandsTheWorkingRecordOverAndCancelKeepsTheHosts) {
    const std::vector<uint8_t> original = BuildKnxRecord({});
    const std::vector<uint8_t> damagedKnx(original.begin(), original.begin() + 40);
    // Network-only, 50 transmitter entries claimed in a 100-byte main part: OK stores the
    // header alone (main length 62, no entries), its settings kept.
    std::vector<uint8_t> header = BuildEnOceanRecord({}, {});
    header[14] = 0x02, header[16] = 10, header[17] = 1, header[18] = 2, header[19] = 3;
    std::vector<uint8_t> damagedNetwork = header;
    damagedNetwork.resize(100, 0xAA);
    damagedNetwork[0] = 100, damagedNetwork[4] = 50;
    const struct {
        const char* what;
        std::vector<uint8_t> host;
        bool accepted;
        bool damaged, stored;
        std::vector<uint8_t> result;  // what the host's slot begins with afterwards
    } rows[] = {
        {"sound, OK", original, true, false, true, original},
        {"sound, Cancel", original, false, false, false, original},
        {"damaged KNX, OK: nothing stored", damagedKnx, true, true, false, damagedKnx},
        {"damaged network-only, OK: its header", damagedNetwork, true, true, true, header},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ResetModuleState();
        auto* host = static_cast<uint8_t*>(std::malloc(row.host.size()));
        std::memcpy(host, row.host.data(), row.host.size());
        uint8_t* slot = host;
        DialogCallInput input;
        input.record = host;
        input.recordAllocation = row.host.size();
        input.language = 7;
        BeginDialogCall(input);
        EXPECT_EQ(Module().UiLanguage, 0);
        bool damaged = false;
        ASSERT_TRUE(MakeWorkingRecord(input, damaged));
        EXPECT_EQ(damaged, row.damaged);
        EXPECT_NE(Module().WorkingRecord, host);
        EXPECT_EQ(EndDialogCall(row.accepted, host, &slot), row.stored);
        EXPECT_EQ(Module().WorkingRecord, nullptr);
        EXPECT_EQ(slot != host, row.stored);
        EXPECT_BYTES_EQ(row.result, std::vector<uint8_t>(slot, slot + row.result.size()));
        std::free(slot);
    }
}

TEST(DialogCall, NewRecordTakesTheChosenBusAndTheHostsSceneCount) {
    ResetModuleState();
    const std::vector<uint8_t> scenes = MakeSceneList({"A", "B", "C"});
    DialogCallInput input;
    input.sceneList = scenes.data();
    input.newRecordBus = BusType::EnOcean;
    Module().TransmitterCount = 9;
    BeginDialogCall(input);
    bool damaged = true;
    ASSERT_TRUE(MakeWorkingRecord(input, damaged));
    EXPECT_FALSE(damaged);
    EXPECT_EQ(Module().SceneCount, 3);
    EXPECT_EQ(Module().TransmitterCount, 0);
    EXPECT_EQ(Module().WorkingRecord[15] & 0x10, 0x10);
    EXPECT_FALSE(EndDialogCall(true, nullptr, nullptr));  // no slot: nothing handed over
}

}  // namespace
}  // namespace halvex::test
