// Radio-button groups whose choice may also be "none".
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>

namespace halvex {

// Checks button `choice` of `group`, or no button when `choice` is outside 0..count-1.
// Returns the choice now shown (-1 for none).
inline int SetGroupChoice(QButtonGroup* group, int choice, int count) {
    if (choice >= 0 && choice < count) {
        group->button(choice)->setChecked(true);
        return choice;
    }
    // An exclusive group cannot uncheck its last button; lift the rule for a moment.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
    return -1;
}

}  // namespace halvex
