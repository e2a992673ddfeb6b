// What only a Windows host sees of the boundary: the exports called through the stdcall pointer
// types of plugin.h, and records that travel between the host's and the DLL's C runtime (both
// msvcrt.dll, one heap). The calls and outcomes shared with Linux are in tests/plugin/ExportsTest.
#include <gtest/gtest.h>

#include <malloc.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "model/ControlIds.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

const host::PluginLibrary& Library() {
    static const auto* library = new host::PluginLibrary(HALVEX_LIBRARY);
    return *library;
}

__attribute__((always_inline)) inline uintptr_t StackPointer() {
    uintptr_t sp = 0;
#ifdef __i386__
    asm volatile("movl %%esp, %0" : "=r"(sp)::"memory");
#else
    asm volatile("movq %%rsp, %0" : "=r"(sp)::"memory");
#endif
    return sp;
}

// How far the stack pointer moves over `calls` calls of `call`. A callee that removes its
// arguments while the pointer type says the caller does (or the other way round) moves it by
// the arguments' size on every call; on 64-bit Windows there is only one convention.
template <typename Call>
__attribute__((noinline)) std::ptrdiff_t StackDrift(Call call, int calls) {
    const uintptr_t before = StackPointer();
    for (int i = 0; i < calls; ++i)
        call();
    return static_cast<std::ptrdiff_t>(StackPointer() - before);
}

// Whether the C runtime's heap holds `block` as a block in use.
bool InUse(const void* block) {
    const auto heap = reinterpret_cast<HANDLE>(_get_heap_handle());
    PROCESS_HEAP_ENTRY entry{};
    bool found = false;
    HeapLock(heap);
    while (!found && HeapWalk(heap, &entry)) {
        found = entry.lpData == block && (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    }
    HeapUnlock(heap);
    return found;
}

TEST(HostBoundary, CallsThroughThePointerTypesKeepTheStack) {
    // Calls that do nothing: no record slot, and a record without a preview output.
    const std::vector<uint8_t> record = BuildKnxRecord({});
    std::vector<uint8_t> frame(519, 0);
    EXPECT_EQ(StackDrift([] { Library().DeleteScene()(0, nullptr, nullptr); }, 1000), 0);
    EXPECT_EQ(StackDrift(
                  [&] {
                      Library().SendDmx()(frame.data(), record.data(),
                                          static_cast<uint16_t>(frame.size()));
                  },
                  1000),
              0);
    EXPECT_EQ(frame[6], 0) << "no preview output: the frame stays as it was";
}

// OK: the host's block goes back to the heap it came from and the new record can be freed
// there. Cancel: the host's block stays in use.
TEST(HostBoundary, RecordsChangeHandsOnTheSharedHeap) {
    KnxRecordPlan plan;
    plan.scenes = 1;
    const std::vector<uint8_t> original = BuildKnxRecord(plan);
    const std::vector<uint8_t> scenes = MakeSceneList({"Morning"});
    const std::vector<uint8_t> devices(12288, 0);
    const auto ui = host::StartUi(true);
    for (const int button : {ids::kCancel, ids::kOk}) {
        SCOPED_TRACE(button);
        auto* record = static_cast<uint8_t*>(std::malloc(original.size()));
        std::memcpy(record, original.data(), original.size());
        uint8_t* slot = record;
        std::ostringstream out;
        const auto driver = host::DialogDriver::Create(std::chrono::seconds(60), out);
        driver->SetMainScript([button](host::DialogDriver& d) { d.Press(button); });
        const std::ptrdiff_t drift = StackDrift(
            [&] {
                Library().OpenDialog()(scenes.data(), record, &slot, 0,
                                       reinterpret_cast<const uint32_t*>(devices.data()), 0);
            },
            1);
        driver->Finish();
        EXPECT_EQ(drift, 0);
        ASSERT_TRUE(driver->MainDialogSeen()) << out.str();
        if (button == ids::kOk) {
            EXPECT_NE(slot, record);
            EXPECT_FALSE(InUse(record));
            ASSERT_TRUE(InUse(slot));
            EXPECT_GE(_msize(slot), static_cast<size_t>(slot[0] | slot[1] << 8));
        } else {
            EXPECT_EQ(slot, record);
            EXPECT_TRUE(InUse(record));
        }
        std::free(slot);
        EXPECT_TRUE(HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, nullptr));
    }
}

}  // namespace
}  // namespace halvex::test
