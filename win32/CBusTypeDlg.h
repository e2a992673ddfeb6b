// Asks which kind of gateway a new scene object configures (template 7015).
//
// Five radio buttons in one group: 0 KNX, 1 KNX master/slave, 2 EnOcean, 3 WLAN,
// 4 WLAN master/slave. OK (1) ends with 1, "Abbrechen" (2) and Escape with 2.
#pragma once

#include "win32/ChoiceGroup.h"
#include "win32/DialogWindow.h"

namespace halvex {

class CBusTypeDlg : public DialogWindow {
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    static constexpr int kChoices = 5;

    // Runs the dialog modally above `owner`: kOk or kCancel.
    int Run(HWND owner);

    CBusTypeDlg();

    // -1 for no choice, 0..4 checks that button; anything else counts as no choice.
    void SetChoice(int choice) { choices_.Set(choice); }
    int Choice() const { return choices_.Choice(); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    ChoiceGroup choices_;
};

}  // namespace halvex
