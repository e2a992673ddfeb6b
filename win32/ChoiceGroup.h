// Radio buttons of one group whose choice may also be "none" (-1), as the bus-type and the
// group-address dialogs have them.
#pragma once

#include <windows.h>

#include <vector>

namespace halvex {

class ChoiceGroup {
public:
    // The buttons' control IDs in choice order.
    explicit ChoiceGroup(std::vector<int> buttons) : buttons_(std::move(buttons)) {}

    // -1 for no choice, 0..count-1 a button; anything else counts as no choice.
    void Set(int choice) {
        choice_ = choice >= 0 && choice < static_cast<int>(buttons_.size()) ? choice : -1;
    }
    int Choice() const { return choice_; }
    // Checks the chosen button and clears the others.
    void Show(HWND dialog) const {
        for (size_t i = 0; i < buttons_.size(); ++i)
            CheckDlgButton(dialog, buttons_[i],
                           static_cast<int>(i) == choice_ ? BST_CHECKED : BST_UNCHECKED);
    }
    // A notification of control `id`: a click that checks one of the buttons chooses it. True
    // when `id` is one of the buttons.
    bool OnCommand(HWND dialog, int id, int code) {
        for (size_t i = 0; i < buttons_.size(); ++i) {
            if (buttons_[i] != id)
                continue;
            if ((code == BN_CLICKED || code == BN_DOUBLECLICKED) &&
                IsDlgButtonChecked(dialog, id) == BST_CHECKED) {
                choice_ = static_cast<int>(i);
            }
            return true;
        }
        return false;
    }

private:
    std::vector<int> buttons_;
    int choice_ = -1;
};

}  // namespace halvex
