#include "qt/CMiddleGroupDlg.h"

#include "model/ControlIds.h"
#include "qt/QtText.h"

namespace halvex {

CMiddleGroupDlg::CMiddleGroupDlg(QWidget* parent) : GroupNumberDlg(Text::MiddleGroup, parent) {
    setObjectName(QStringLiteral("CMiddleGroupDlg"));
    AddNumberField(ids::kGroupNumber, kMaxNumber);
    AddRangeLabel(ids::kMiddleRange, QStringLiteral("(0..7)"));
    UseFormLayout();
}

}  // namespace halvex
