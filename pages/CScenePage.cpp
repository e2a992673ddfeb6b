#include "pages/CScenePage.h"

#include "pages/CDragTreeCtrl.h"
#include "plugin/Codepage.h"
#include "plugin/HostStructures.h"
#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"

namespace halvex {

CScenePage::CScenePage(bool second)
    : COutputPage(QStringLiteral("CScenePage"),
                  second ? &Module().SceneTree2 : &Module().SceneTree1, 7008),
      second_(second) {}

void CScenePage::InitPage() {
    const ModuleState& m = Module();
    CreateTree();
    std::vector<HostScene> scenes;
    if (m.SceneList != nullptr)
        scenes = ReadHostScenes(ConstBytes(m.SceneList, m.SceneListSize));
    for (const HostScene& scene : scenes) {
        AppendOutput(QString::fromStdString(Cp1252ToUtf8(scene.name)), 0);
    }

    const ConstBytes record(m.WorkingRecord, m.WorkingRecordCapacity);
    const auto flagsB = ReadU8(record, layout::kFlagsB).value_or(0);
    std::vector<LoadedAssignment> loaded;
    if ((flagsB & layout::kFlagEnOcean) == 0) {
        const uint32_t sceneCount = m.SceneCount & 0xFF;
        loaded = LoadSceneAssignments(record, second_ ? sceneCount : 0, sceneCount);
        InsertAssignments(loaded, 0x10);
    } else {
        loaded =
            LoadEnOceanAssignments(record, second_ ? 1 : 0, static_cast<uint32_t>(scenes.size()),
                                   ConstBytes(m.TransmitterTable), m.TransmitterCount);
        InsertAssignments(loaded, 0x10);
    }
}

}  // namespace halvex
