#include "model/OutputPage.h"

#include <string>
#include <vector>

#include "engine/Codepage.h"
#include "engine/ModuleState.h"
#include "engine/record/HostStructures.h"
#include "engine/record/PageLoader.h"
#include "model/Catalogue.h"
#include "model/ItemData.h"

namespace halvex {

void OutputPage::Load(const Catalogue& catalogue) {
    const ModuleState& m = Module();
    const ConstBytes record(m.WorkingRecord, m.WorkingRecordCapacity);
    const bool enocean = (ReadU8(record, layout::kFlagsB).value_or(0) & layout::kFlagEnOcean) != 0;
    std::vector<LoadedAssignment> loaded;
    uint32_t lowByte = 0x10;
    std::vector<TreeNode*> outputs;

    tree.Reset([&] {
        auto output = [&](std::string label, uint32_t type) {
            outputs.push_back(tree.Insert(nullptr, std::move(label), InsertAt::Last, 0, 0, type));
        };
        switch (kind_) {
            case PageKind::Scene: {
                std::vector<HostScene> scenes;
                if (m.SceneList != nullptr)
                    scenes = ReadHostScenes(ConstBytes(m.SceneList, m.SceneListSize));
                for (const HostScene& scene : scenes)
                    output(AnsiToUtf8(scene.name), 0);
                if (!enocean) {
                    const uint32_t sceneCount = m.SceneCount & 0xFF;
                    loaded = LoadSceneAssignments(record, second_ ? sceneCount : 0, sceneCount);
                } else {
                    loaded = LoadEnOceanAssignments(
                        record, second_ ? 1 : 0, static_cast<uint32_t>(scenes.size()),
                        ConstBytes(m.TransmitterTable), m.TransmitterCount);
                }
                break;
            }
            case PageKind::Dimmer:
                if (!enocean) {
                    for (uint32_t n = 1; n <= layout::kDmxChannels; ++n) {
                        const std::string number = std::to_string(n);
                        output("1bit DMX Ch. " + number, 0);
                        output("4bit DMX Ch. " + number, 3);
                        output("1byte DMX Ch. " + number, 7);
                    }
                    const uint32_t first =
                        2u * m.SceneCount + (second_ ? layout::kDimmerOutputs : 0);
                    loaded = LoadDimmerAssignments(record, first, layout::kDimmerOutputs);
                    lowByte = 0x17;
                } else {
                    for (uint32_t n = 1; n <= layout::kDmxChannels; ++n)
                        output("DMX Ch. " + std::to_string(n), 0);
                    loaded =
                        LoadEnOceanAssignments(record, second_ ? 3 : 2, layout::kDmxChannels,
                                               ConstBytes(m.TransmitterTable), m.TransmitterCount);
                }
                break;
            case PageKind::Device: {
                const ConstBytes devices(m.DeviceTable);
                std::vector<uint8_t> types(m.DeviceCount);
                for (size_t i = 0; i < m.DeviceCount; ++i) {
                    types[i] = DeviceOutputType(devices, i);
                    output(AnsiToUtf8(DeviceName(devices, i)), types[i]);
                }
                if (!enocean) {
                    const uint32_t first = 2u * m.SceneCount + 2 * layout::kDimmerOutputs +
                                           (second_ ? m.DeviceCount : 0u);
                    loaded = LoadDeviceAssignments(record, first, types);
                }
                lowByte = 0x17;
                break;
            }
        }
        for (const LoadedAssignment& a : loaded) {
            if (a.slot >= outputs.size())
                continue;
            const CatalogueSlot& entry = catalogue.GroupAddressTable[a.number];
            tree.Insert(outputs[a.slot], entry.label, InsertAt::Last, entry.image, entry.image,
                        (static_cast<uint32_t>(a.number) << 16) | lowByte);
        }
    });
}

void OutputPage::ReadContent(PageContent& page) const {
    for (size_t i = 0; i < tree.TopLevelCount(); ++i) {
        const TreeNode* output = tree.TopLevel(i);
        page.AddOutput(static_cast<uint8_t>(output->data & kObjectTypeMask));
        for (const auto& child : output->children)
            page.AddChild(ItemNumber(child->data));
    }
}

}  // namespace halvex
