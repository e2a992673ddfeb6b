// The exports as a host loads them (dlopen), called with null pointers and records too short to
// hold a header: each returns without touching anything.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "halvex/plugin.h"

namespace {

using DeleteSceneFn = decltype(&__DeleteScene);

class ExportsBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        // Kept loaded, as a host keeps its plug-ins: unloading would turn what Qt keeps until
        // exit into leaks.
        library_ = ::dlopen(HALVEX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        deleteScene_ = reinterpret_cast<DeleteSceneFn>(::dlsym(library_, "__DeleteScene"));
        ASSERT_NE(deleteScene_, nullptr);
    }
    void* library_ = nullptr;
    DeleteSceneFn deleteScene_ = nullptr;
};

TEST_F(ExportsBadInput, DeleteSceneWithNullPointersDoesNothing) {
    std::vector<uint8_t> sceneList(8, 0);
    deleteScene_(0, nullptr, nullptr);
    deleteScene_(0, sceneList.data(), nullptr);
    uint8_t* noRecord = nullptr;
    deleteScene_(0, sceneList.data(), &noRecord);
    EXPECT_EQ(noRecord, nullptr);
    auto* record = static_cast<uint8_t*>(std::malloc(62));
    std::memset(record, 0x3C, 62);
    uint8_t* slot = record;
    deleteScene_(0, nullptr, &slot);
    EXPECT_EQ(slot, record);
    EXPECT_EQ(std::vector<uint8_t>(record, record + 62), std::vector<uint8_t>(62, 0x3C));
    std::free(record);
}

TEST_F(ExportsBadInput, DeleteSceneLeavesARecordShorterThanItsHeaderAlone) {
    std::vector<uint8_t> sceneList(8, 0);
    for (const size_t size : {1u, 16u, 61u}) {
        auto* record = static_cast<uint8_t*>(std::malloc(size));
        std::memset(record, 0x01, size);  // main-part length 0x0101: more than is there
        uint8_t* slot = record;
        deleteScene_(0, sceneList.data(), &slot);
        EXPECT_EQ(slot, record);
        EXPECT_EQ(std::vector<uint8_t>(record, record + size), std::vector<uint8_t>(size, 0x01))
            << size;
        std::free(record);
    }
}

}  // namespace
