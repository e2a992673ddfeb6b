// The record side of a dialog call: the working copy, and who owns which block afterwards.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/DialogCall.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

uint8_t* HostCopy(const std::vector<uint8_t>& bytes) {
    auto* block = static_cast<uint8_t*>(std::malloc(bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

// Network-only layout with 50 transmitter entries claimed in a 100-byte main part.
std::vector<uint8_t> DamagedNetworkOnly() {
    std::vector<uint8_t> record(100, 0xAA);
    std::fill(record.begin(), record.begin() + 62, 0);
    record[0] = 100;
    record[4] = 50;
    record[14] = 0x02;
    record[15] = 0x10;
    record[16] = 10;  // IP address 10.1.2.3
    record[17] = 1, record[18] = 2, record[19] = 3;
    return record;
}

TEST(DialogCall, OkHandsTheWorkingRecordOverAndCancelKeepsTheHosts) {
    const std::vector<uint8_t> original = BuildKnxRecord({});
    const std::vector<uint8_t> damagedKnx(original.begin(), original.begin() + 40);
    const struct {
        const char* what;
        std::vector<uint8_t> host;
        bool accepted;
        bool damaged, stored;
        std::vector<uint8_t> result;  // what the host's slot holds afterwards
    } rows[] = {
        {"sound, OK", original, true, false, true, original},
        {"sound, Cancel", original, false, false, false, original},
        {"damaged KNX, OK: nothing stored", damagedKnx, true, true, false, damagedKnx},
        {"damaged network-only, OK: its header", DamagedNetworkOnly(), true, true, true, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ResetModuleState();
        uint8_t* host = HostCopy(row.host);
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
        if (!row.result.empty()) {
            EXPECT_BYTES_EQ(row.result, std::vector<uint8_t>(slot, slot + row.result.size()));
        } else {
            std::vector<uint8_t> header(62, 0);
            header[0] = 62;  // main length: the header alone, its settings kept
            header[14] = 0x02, header[15] = 0x10;
            header[16] = 10, header[17] = 1, header[18] = 2, header[19] = 3;
            EXPECT_BYTES_EQ(header, std::vector<uint8_t>(slot, slot + 62));
        }
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
    uint8_t* slot = nullptr;
    EXPECT_FALSE(EndDialogCall(true, nullptr, nullptr));  // no slot: nothing handed over
    EXPECT_EQ(slot, nullptr);
}

}  // namespace
}  // namespace halvex::test
