#include "win32/CGroupAddressDlg.h"

#include "model/ControlIds.h"
#include "win32/WinUi.h"
#include "win32/resource.h"

namespace halvex {

CGroupAddressDlg::CGroupAddressDlg(bool threeLevel)
    : GroupNumberDlg(IDD_GROUP_ADDRESS, Text::GroupAddress),
      threeLevel_(threeLevel),
      // In choice order (see ObjectTypeOfChoice).
      choices_({ids::kOneBit, ids::kOneByte, ids::kThreeBytes, ids::kFourBytes, ids::kFourBits}) {
    AddNumberField(ids::kGroupNumber, kMaxThreeLevel);
    AddNumberField(ids::kGroupNumberTwoLevel, kMaxTwoLevel);
    SetActiveNumberField(threeLevel ? ids::kGroupNumber : ids::kGroupNumberTwoLevel);
}

BOOL CGroupAddressDlg::OnInitDialog() {
    SetControlText(hwnd_, ids::kNameLabel, UiText(Text::Name));
    SetControlText(hwnd_, ids::kObjectTypeBox, UiText(Text::ObjectType));
    // The two-level hint really lacks its closing parenthesis.
    SetControlText(hwnd_, ids::kAddressRange, threeLevel_ ? "(0..255)" : "(0..2047");
    ShowControl(hwnd_, threeLevel_ ? ids::kGroupNumberTwoLevel : ids::kGroupNumber, false);
    choices_.Show(hwnd_);
    return GroupNumberDlg::OnInitDialog();
}

bool CGroupAddressDlg::OnCommand(int id, int code, HWND control) {
    return choices_.OnCommand(hwnd_, id, code) || GroupNumberDlg::OnCommand(id, code, control);
}

}  // namespace halvex
