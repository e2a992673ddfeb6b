// The Qt dialogs of one __OpenKNXDialog call: the bus-type question and the main dialog.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <memory>

#include "plugin/PluginEntry.h"
#include "qt/CBusTypeDlg.h"
#include "qt/CKnxDlg.h"
#include "qt/Images.h"
#include "qt/QtText.h"

namespace halvex {
namespace {

// The application object the library made itself, kept until the library is unloaded.
std::unique_ptr<QApplication>& OwnApplication() {
    static std::unique_ptr<QApplication> app;
    return app;
}

// Makes sure a QApplication exists on this thread; false when none can be had (no display,
// or a host that runs a non-widget Qt application).
bool EnsureApplication() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        return qobject_cast<QApplication*>(app) != nullptr;
    }
    // Without a display Qt would end the process; a plug-in must never end its host.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return false;
    }
    static int argc = 1;
    static char name[] = "halvex";
    static char* argv[] = {name, nullptr};
    OwnApplication() = std::make_unique<QApplication>(argc, argv);
    return true;
}

class QtDialogFrontEnd : public DialogFrontEnd {
public:
    std::optional<int> AskBusType() override {
        CBusTypeDlg busDialog;
        busDialog.SetChoice(0);
        if (busDialog.exec() != CBusTypeDlg::kOk)
            return std::nullopt;
        return busDialog.Choice();
    }

    bool RunMainDialog(bool listenFailed, const std::optional<StartWarning>& warning) override {
        dialog_ = std::make_unique<CKnxDlg>();
        dialog_->SetListenFailed(listenFailed);
        dialog_->PrepareCatalogue();
        dialog_->OnInitDialog();
        if (warning) {
            QTimer::singleShot(0, dialog_.get(), [d = dialog_.get(), w = *warning] {
                QMessageBox box(QMessageBox::Warning, ToQString(w.caption), ToQString(w.text),
                                QMessageBox::Ok, d);
                box.exec();
            });
        }
        return dialog_->exec() == QDialog::Accepted;
    }

private:
    std::unique_ptr<CKnxDlg> dialog_;
};

}  // namespace

std::unique_ptr<DialogFrontEnd> MakeDialogFrontEnd() {
    if (!EnsureApplication())
        return nullptr;
    InitResources();
    return std::make_unique<QtDialogFrontEnd>();
}

}  // namespace halvex
