// Asks for the number, name and object type of a new group address (template 7020).
//
// Three-level layout: number 0..255 in field 7035. Two-level layout: number 0..2047 in field 7064,
// which sits in the same place; the other field is hidden. The object type is one of five radio
// buttons; Choice() is -1 until one is chosen.
#pragma once

#include "win32/ChoiceGroup.h"
#include "win32/GroupNumberDlg.h"

namespace halvex {

class CGroupAddressDlg : public GroupNumberDlg {
public:
    static constexpr uint32_t kMaxThreeLevel = 255;
    static constexpr uint32_t kMaxTwoLevel = 2047;

    explicit CGroupAddressDlg(bool threeLevel);

    // -1 for no choice, 0..4 checks that button; anything else counts as no choice.
    void SetChoice(int choice) { choices_.Set(choice); }
    int Choice() const { return choices_.Choice(); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    bool threeLevel_;
    ChoiceGroup choices_;
};

}  // namespace halvex
