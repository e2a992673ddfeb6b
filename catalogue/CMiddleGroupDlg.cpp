#include "catalogue/CMiddleGroupDlg.h"

namespace halvex {

CMiddleGroupDlg::CMiddleGroupDlg(QWidget* parent) : GroupNumberDlg(Text::MiddleGroup, parent) {
    setObjectName(QStringLiteral("CMiddleGroupDlg"));
    AddNumberField("7035", kMaxNumber);
    AddRangeLabel("7059", QStringLiteral("(0..7)"));
    UseFormLayout();
}

}  // namespace halvex
