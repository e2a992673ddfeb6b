// Asks for the number (0..7) and name of a new middle group.
#pragma once

#include "qt/GroupNumberDlg.h"

namespace halvex {

class CMiddleGroupDlg : public GroupNumberDlg {
    Q_OBJECT
public:
    static constexpr uint32_t kMaxNumber = 7;

    explicit CMiddleGroupDlg(QWidget* parent = nullptr);
};

}  // namespace halvex
