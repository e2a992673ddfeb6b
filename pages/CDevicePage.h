// "Device 1" / "Device 2": one output per device of the host's device table.
#pragma once

#include "pages/COutputPage.h"

namespace halvex {

class CDevicePage : public COutputPage {
    Q_OBJECT
public:
    // `second` selects Device 2 (outputs from 2S + 3072 + D).
    explicit CDevicePage(bool second);
    void InitPage() override;

private:
    bool second_;
};

}  // namespace halvex
