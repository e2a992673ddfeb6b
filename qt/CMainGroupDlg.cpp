#include "qt/CMainGroupDlg.h"

#include "model/ControlIds.h"
#include "qt/QtText.h"

namespace halvex {

CMainGroupDlg::CMainGroupDlg(QWidget* parent) : GroupNumberDlg(Text::MainGroup, parent) {
    setObjectName(QStringLiteral("CMainGroupDlg"));
    AddNumberField(ids::kGroupNumber, kMaxNumber);
    AddRangeLabel(0, QStringLiteral("(0..31)"));
    UseFormLayout();
}

}  // namespace halvex
