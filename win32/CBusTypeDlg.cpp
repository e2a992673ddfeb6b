#include "win32/CBusTypeDlg.h"

#include "engine/UiText.h"
#include "model/ControlIds.h"
#include "win32/WinUi.h"
#include "win32/resource.h"

namespace halvex {

// The radio buttons in choice order.
CBusTypeDlg::CBusTypeDlg()
    : choices_({ids::kBusKnx, ids::kBusKnxMasterSlave, ids::kBusEnOcean, ids::kBusWlan,
                ids::kBusWlanMasterSlave}) {}

int CBusTypeDlg::Run(HWND owner) {
    return RunModal(IDD_BUS_TYPE, owner) == kOk ? kOk : kCancel;
}

BOOL CBusTypeDlg::OnInitDialog() {
    SetWindowTextW(hwnd_, WideText(Text::Selection).c_str());
    SetControlText(hwnd_, ids::kBusTypeBox, UiText(Text::BusType));
    choices_.Show(hwnd_);
    return TRUE;
}

bool CBusTypeDlg::OnCommand(int id, int code, HWND) {
    if (choices_.OnCommand(hwnd_, id, code))
        return true;
    if (id == ids::kBusOk || id == ids::kBusCancel) {
        EndModal(id == ids::kBusOk ? kOk : kCancel);
        return true;
    }
    return false;
}

}  // namespace halvex
