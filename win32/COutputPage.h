// The six output pages: child dialogs of the tab control, each one drag-and-drop tree that
// shows an OutputPage of the dialog model (its outputs at the top level, their assignments
// below). The page kinds differ only in the model's content and their templates, so each is a
// named frame around the same view.
#pragma once

#include <memory>

#include "model/DialogModel.h"
#include "win32/CDragTreeCtrl.h"
#include "win32/DialogWindow.h"
#include "win32/WinUi.h"

namespace halvex {

class COutputPage : public DialogWindow {
public:
    // Creates the page window from `templateId` inside `parent` (hidden) and shows page `slot`
    // of `model` in its tree.
    bool Create(HWND parent, int templateId, DialogModel& model, int slot);

    CDragTreeCtrl& Tree() { return tree_; }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;

private:
    DialogModel* model_ = nullptr;
    int slot_ = 0;
    std::unique_ptr<ImageList> images_;
    CDragTreeCtrl tree_;
};

// "Scene Out 1" / "Scene Out 2": one output per host scene.
class CScenePage : public COutputPage {};

// "Dimmer Out 1" / "Dimmer Out 2": the 512 DMX channels of one output.
class CDimmerPage : public COutputPage {};

// "Device 1" / "Device 2": one output per device of the host's device table.
class CDevicePage : public COutputPage {};

}  // namespace halvex
