// The Win32 dialogs of one __OpenKNXDialog call: the bus-type question and the main dialog.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "plugin/PluginEntry.h"
#include "win32/CBusTypeDlg.h"
#include "win32/CKnxDlg.h"

namespace halvex {
namespace {

class Win32DialogFrontEnd : public DialogFrontEnd {
public:
    std::optional<int> AskBusType() override {
        CBusTypeDlg dialog;
        dialog.SetChoice(0);
        if (dialog.Run(GetActiveWindow()) != CBusTypeDlg::kOk)
            return std::nullopt;
        return dialog.Choice();
    }

    bool RunMainDialog(bool listenFailed, const std::optional<StartWarning>& warning) override {
        dialog_ = std::make_unique<CKnxDlg>();
        dialog_->SetListenFailed(listenFailed);
        if (warning)
            dialog_->SetStartWarning(warning->caption, warning->text);
        dialog_->PrepareCatalogue();
        return dialog_->Run(GetActiveWindow());
    }

private:
    std::unique_ptr<CKnxDlg> dialog_;
};

}  // namespace

std::unique_ptr<DialogFrontEnd> MakeDialogFrontEnd() {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    return std::make_unique<Win32DialogFrontEnd>();
}

}  // namespace halvex
