// Asks for the number, name and object type of a new group address.
//
// Three-level layout: number 0..255 in field 7035. Two-level layout: number 0..2047 in field 7064,
// which sits in the same place; the other field is hidden. The object type is one of five radio
// buttons; Choice() is -1 until one is chosen.
#pragma once

#include <cstdint>

#include "qt/GroupNumberDlg.h"

class QButtonGroup;

namespace halvex {

class CGroupAddressDlg : public GroupNumberDlg {
    Q_OBJECT
public:
    static constexpr uint32_t kMaxThreeLevel = 255;
    static constexpr uint32_t kMaxTwoLevel = 2047;

    explicit CGroupAddressDlg(bool threeLevel, QWidget* parent = nullptr);

    // -1 for no choice, 0..4 checks that button; anything else counts as no choice.
    void SetChoice(int choice);
    int Choice() const { return choice_; }

private:
    QButtonGroup* choices_;
    int choice_ = -1;
};

}  // namespace halvex
