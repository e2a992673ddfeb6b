// Asks for the number (0..31) and name of a new main group.
#pragma once

#include "qt/GroupNumberDlg.h"

namespace halvex {

class CMainGroupDlg : public GroupNumberDlg {
    Q_OBJECT
public:
    static constexpr uint32_t kMaxNumber = 31;

    explicit CMainGroupDlg(QWidget* parent = nullptr);
};

}  // namespace halvex
