#include "pages/CDimmerPage.h"

#include "pages/CDragTreeCtrl.h"
#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"

namespace halvex {

CDimmerPage::CDimmerPage(bool second)
    : COutputPage(QStringLiteral("CDimmerPage"),
                  second ? &Module().DimmerTree2 : &Module().DimmerTree1, 7014),
      second_(second) {}

void CDimmerPage::InitPage() {
    const ModuleState& m = Module();
    CreateTree();
    const ConstBytes record(m.WorkingRecord, m.WorkingRecordCapacity);
    const auto flagsB = ReadU8(record, layout::kFlagsB).value_or(0);
    if ((flagsB & layout::kFlagEnOcean) == 0) {
        for (uint32_t n = 1; n <= layout::kDmxChannels; ++n) {
            const QString number = QString::number(n);
            AppendOutput(QStringLiteral("1bit DMX Ch. ") + number, 0);
            AppendOutput(QStringLiteral("4bit DMX Ch. ") + number, 3);
            AppendOutput(QStringLiteral("1byte DMX Ch. ") + number, 7);
        }
        const uint32_t first = 2u * m.SceneCount + (second_ ? layout::kDimmerOutputs : 0);
        InsertAssignments(LoadDimmerAssignments(record, first, layout::kDimmerOutputs), 0x17);
    } else {
        for (uint32_t n = 1; n <= layout::kDmxChannels; ++n) {
            AppendOutput(QStringLiteral("DMX Ch. ") + QString::number(n), 0);
        }
        InsertAssignments(
            LoadEnOceanAssignments(record, second_ ? 3 : 2, layout::kDmxChannels,
                                   ConstBytes(m.TransmitterTable), m.TransmitterCount),
            0x10);
    }
}

}  // namespace halvex
