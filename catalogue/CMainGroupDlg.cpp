#include "catalogue/CMainGroupDlg.h"

namespace halvex {

CMainGroupDlg::CMainGroupDlg(QWidget* parent) : GroupNumberDlg(Text::MainGroup, parent) {
    setObjectName(QStringLiteral("CMainGroupDlg"));
    AddNumberField("7035", kMaxNumber);
    AddRangeLabel("", QStringLiteral("(0..31)"));
    UseFormLayout();
}

}  // namespace halvex
