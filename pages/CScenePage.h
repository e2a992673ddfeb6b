// "Scene Out 1" / "Scene Out 2": one output per host scene.
#pragma once

#include "pages/COutputPage.h"

namespace halvex {

class CScenePage : public COutputPage {
    Q_OBJECT
public:
    // `second` selects Scene Out 2 (page code 1, outputs S..2S-1).
    explicit CScenePage(bool second);
    void InitPage() override;

private:
    bool second_;
};

}  // namespace halvex
