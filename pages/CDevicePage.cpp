#include "pages/CDevicePage.h"

#include "pages/CDragTreeCtrl.h"
#include "plugin/Codepage.h"
#include "plugin/HostStructures.h"
#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"

namespace halvex {

CDevicePage::CDevicePage(bool second)
    : COutputPage(QStringLiteral("CDevicePage"),
                  second ? &Module().DeviceTree2 : &Module().DeviceTree1, 7014),
      second_(second) {}

void CDevicePage::InitPage() {
    const ModuleState& m = Module();
    CreateTree();
    const ConstBytes devices(m.DeviceTable);
    std::vector<uint8_t> types(m.DeviceCount);
    for (size_t i = 0; i < m.DeviceCount; ++i) {
        types[i] = DeviceOutputType(devices, i);
        AppendOutput(QString::fromStdString(Cp1252ToUtf8(DeviceName(devices, i))), types[i]);
    }
    const ConstBytes record(m.WorkingRecord, m.WorkingRecordCapacity);
    const auto flagsB = ReadU8(record, layout::kFlagsB).value_or(0);
    std::vector<LoadedAssignment> loaded;
    if ((flagsB & layout::kFlagEnOcean) == 0) {
        const uint32_t first =
            2u * m.SceneCount + 2 * layout::kDimmerOutputs + (second_ ? m.DeviceCount : 0u);
        loaded = LoadDeviceAssignments(record, first, types);
    }
    InsertAssignments(loaded, 0x17);
}

}  // namespace halvex
