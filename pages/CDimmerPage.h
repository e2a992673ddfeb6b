// "Dimmer Out 1" / "Dimmer Out 2": the 512 DMX channels of one output.
#pragma once

#include "pages/COutputPage.h"

namespace halvex {

class CDimmerPage : public COutputPage {
    Q_OBJECT
public:
    // `second` selects Dimmer Out 2 (page code 3, outputs from 2S + 1536).
    explicit CDimmerPage(bool second);
    void InitPage() override;

private:
    bool second_;
};

}  // namespace halvex
