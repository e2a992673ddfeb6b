#include "engine/record/HostStructures.h"

#include <malloc.h>  // _msize on Windows, malloc_usable_size elsewhere

#include <algorithm>

#include "engine/Codepage.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

namespace {
constexpr size_t kSceneCountByte = 6;
constexpr size_t kFirstBlock = 7;
constexpr size_t kBlockNameEnd = 3;  // u16 inside a block: end offset of its name
constexpr size_t kSceneNameSize = 15;
constexpr uint32_t kTrailerRecordSize = 7;
}  // namespace

uint32_t HostSceneListSize(const uint8_t* sceneList) {
    if (sceneList == nullptr)
        return 0;
    const uint8_t scenes = sceneList[kSceneCountByte];
    uint32_t size = kFirstBlock;
    for (uint8_t i = 0; i < scenes; ++i) {
        size += static_cast<uint32_t>(sceneList[size] | (sceneList[size + 1] << 8));
        if (size >= kSceneListSizeCap)
            return kSceneListSizeCap;
    }
    size += 1 + kTrailerRecordSize * sceneList[size];
    return std::min(size, kSceneListSizeCap);
}

std::vector<HostScene> ReadHostScenes(ConstBytes sceneList) {
    std::vector<HostScene> scenes;
    const auto count = ReadU8(sceneList, kSceneCountByte);
    if (!count)
        return scenes;
    size_t block = kFirstBlock;
    for (uint8_t i = 0; i < *count; ++i) {
        const auto length = ReadU16(sceneList, block);
        const auto nameEnd = ReadU16(sceneList, block + kBlockNameEnd);
        if (!length || !nameEnd)
            break;
        HostScene scene;
        if (*nameEnd >= kSceneNameSize) {
            if (const auto name = Slice(sceneList, *nameEnd - kSceneNameSize, kSceneNameSize)) {
                scene.name = std::string(FieldText(name->data(), kSceneNameSize));
            }
        }
        scenes.push_back(std::move(scene));
        block += *length;
    }
    return scenes;
}

uint8_t DeviceOutputType(ConstBytes deviceTable, size_t index) {
    const auto kind =
        ReadU8(deviceTable, index * layout::kDeviceEntrySize + layout::kDeviceEntryKind);
    if (kind == 20)
        return 9;
    if (kind == 40)
        return 10;
    return 7;
}

std::string DeviceName(ConstBytes deviceTable, size_t index) {
    const auto name =
        Slice(deviceTable, index * layout::kDeviceEntrySize + layout::kDeviceEntryName,
              layout::kDeviceEntryNameSize);
    if (!name)
        return {};
    return std::string(FieldText(name->data(), layout::kDeviceEntryNameSize));
}

size_t HostAllocationSize(const void* block) {
#ifdef _WIN32
    return _msize(const_cast<void*>(block));
#else
    return malloc_usable_size(const_cast<void*>(block));
#endif
}

}  // namespace halvex
