// The library boundary: the plug-in loaded as a host loads it (dlopen, or LoadLibrary in the
// Windows build of this test), its three exports called with sound, damaged, short and null
// records, the dialogs answered by the host's driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "model/ControlIds.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

// Loaded once and kept, as a host keeps its plug-ins: unloading would turn what Qt keeps until
// exit into leaks.
const host::PluginLibrary& Library() {
    static const auto* library = new host::PluginLibrary(HALVEX_LIBRARY);
    return *library;
}

// `record` with the trailing block's length pointing past the end.
std::vector<uint8_t> Damaged(std::vector<uint8_t> record) {
    const size_t main = record[0] | record[1] << 8;
    record[main] = record[main + 1] = record[main + 2] = 0xFF;
    return record;
}

uint8_t* MallocCopy(const std::vector<uint8_t>& bytes) {
    auto* block = static_cast<uint8_t*>(std::malloc(std::max<size_t>(bytes.size(), 1)));
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

#ifndef _WIN32
// On Windows, scripts/check-dll.sh reads the DLL's export table.
TEST(Exports, TheLibraryExportsExactlyTheThreeFunctions) {
    FILE* nm = popen("nm -D --defined-only " HALVEX_LIBRARY, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> names;
    char line[512], name[400];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        if (std::sscanf(line, "%*s %*c %399s", name) == 1)
            names.insert(name);
    }
    pclose(nm);
    EXPECT_EQ(names,
              (std::set<std::string>{"__DeleteScene", "__OpenKNXDialog", "__SendDMXData2UDP"}));
}
#endif

// OK replaces the host's record with a new block (the old one is the plug-in's to free);
// Cancel leaves the host's variable and bytes alone.
TEST(Exports, OkHandsOverANewRecordAndCancelKeepsTheHosts) {
    KnxRecordPlan plan;
    plan.scenes = 3;
    plan.deviceTypes = {7};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Dimmer A", 0}});
    const std::vector<uint8_t> sound = BuildKnxRecord(plan);
    const std::vector<uint8_t> scenes = MakeSceneList({"Morning", "Evening", "Off"});
    const struct {
        const char* what;
        std::vector<uint8_t> record;  // empty: a new record
        int button;  // pressed in the main dialog; 0: every dialog rejected at once
        const char* message;
    } rows[] = {
        {"sound, OK", sound, ids::kOk, nullptr},
        {"sound, Cancel", sound, ids::kCancel, nullptr},
        {"damaged, Cancel", Damaged(sound), ids::kCancel, "The stored configuration is damaged"},
        {"new, Cancel at the bus type", {}, 0, nullptr},
    };
    const auto ui = host::StartUi(true);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        uint8_t* record = row.record.empty() ? nullptr : MallocCopy(row.record);
        uint8_t* slot = record;
        std::ostringstream out;
        // Without time left the driver rejects every dialog.
        const auto driver =
            host::DialogDriver::Create(std::chrono::seconds(row.button != 0 ? 30 : 0), out);
        driver->SetMainScript([&row](host::DialogDriver& d) { d.Press(row.button); });
        Library().OpenDialog()(scenes.data(), record, &slot, 0,
                               reinterpret_cast<const uint32_t*>(plan.deviceTable.data()), 1);
        driver->Finish();
        // Another program may hold the listening port (a test run beside this one): the dialog
        // then says so, which is not what this test is about.
        std::vector<host::MessageSeen> messages = driver->Messages();
        std::erase_if(messages, [](const auto& m) { return m.text == "Unable to open socket"; });
        EXPECT_EQ(messages.size(), row.message != nullptr ? 1u : 0u) << out.str();
        if (row.message != nullptr) {
            EXPECT_EQ(messages[0].text.rfind(row.message, 0), 0u) << out.str();
        }
        EXPECT_EQ(slot != record, row.button == ids::kOk);
        if (slot != nullptr) {
            EXPECT_EQ(std::vector<uint8_t>(slot, slot + row.record.size()), row.record);
        }
        std::free(slot);
    }
}

// Null pointers, records too short for a header, a damaged record and a record without a scene
// list: each call returns without touching anything.
TEST(Exports, DeleteSceneAndSendLeaveBadInputAlone) {
    std::vector<uint8_t> sceneList = MakeSceneList({"A"}), damaged = Damaged(BuildKnxRecord({}));
    Library().DeleteScene()(0, nullptr, nullptr);
    Library().DeleteScene()(0, sceneList.data(), nullptr);
    uint8_t* none = nullptr;
    Library().DeleteScene()(0, sceneList.data(), &none);
    EXPECT_EQ(none, nullptr);
    // Headers cut short, whose main-part length 0x0101 claims more than is there.
    for (const auto& [record, list] :
         {std::pair<std::vector<uint8_t>, uint8_t*>{std::vector<uint8_t>(62, 0x3C), nullptr},
          {std::vector<uint8_t>(1, 0x01), sceneList.data()},
          {std::vector<uint8_t>(16, 0x01), sceneList.data()},
          {std::vector<uint8_t>(61, 0x01), sceneList.data()},
          {damaged, sceneList.data()}}) {
        uint8_t* block = MallocCopy(record);
        uint8_t* slot = block;
        Library().DeleteScene()(0, list, &slot);
        EXPECT_EQ(slot, block);
        EXPECT_EQ(std::vector<uint8_t>(block, block + record.size()), record) << record.size();
        std::free(block);
    }
    uint8_t frame[6] = {1, 2, 3, 4, 5, 6};
    Library().SendDmx()(frame, damaged.data(), sizeof frame);
    Library().SendDmx()(nullptr, damaged.data(), 20);
    Library().SendDmx()(frame, nullptr, 6);
    EXPECT_EQ(frame[5], 6);
}

}  // namespace
}  // namespace halvex::test
