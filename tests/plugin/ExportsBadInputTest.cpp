// The exports as a host loads them (dlopen), called with null pointers and records too short to
// hold a header: each returns without touching anything.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "halvex/plugin.h"

namespace {

TEST(ExportsBadInput, DeleteSceneLeavesNullPointersAndShortRecordsAlone) {
    // Kept loaded, as a host keeps its plug-ins: unloading would turn what Qt keeps until exit
    // into leaks.
    void* library = ::dlopen(HALVEX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    const auto deleteScene =
        reinterpret_cast<decltype(&__DeleteScene)>(::dlsym(library, "__DeleteScene"));
    ASSERT_NE(deleteScene, nullptr);
    std::vector<uint8_t> sceneList(8, 0);
    deleteScene(0, nullptr, nullptr);
    deleteScene(0, sceneList.data(), nullptr);
    uint8_t* noRecord = nullptr;
    deleteScene(0, sceneList.data(), &noRecord);
    EXPECT_EQ(noRecord, nullptr);
    // A sound header without a scene list; headers cut short, whose main-part length 0x0101
    // claims more than is there.
    for (const auto& [size, fill, list] : {std::tuple<size_t, uint8_t, uint8_t*>{62, 0x3C, nullptr},
                                           {1, 0x01, sceneList.data()},
                                           {16, 0x01, sceneList.data()},
                                           {61, 0x01, sceneList.data()}}) {
        auto* record = static_cast<uint8_t*>(std::malloc(size));
        std::memset(record, fill, size);
        uint8_t* slot = record;
        deleteScene(0, list, &slot);
        EXPECT_EQ(slot, record);
        EXPECT_EQ(std::vector<uint8_t>(record, record + size), std::vector<uint8_t>(size, fill))
            << size;
        std::free(record);
    }
}

}  // namespace
