// The Qt side of the host's user interface: the QApplication the plug-in's dialogs run in and
// the dialog driver, which finds widgets by objectName (the control ID) and polls
// QApplication::activeModalWidget() from a timer of the dialogs' own event loops.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>

#include <cstdlib>

#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

const QString kNetworkPage = QStringLiteral("CDeviceSettingsPage");
const QString kUploadProgress = QStringLiteral("uploadProgress");

bool HasDisplay() {
    return std::getenv("QT_QPA_PLATFORM") != nullptr || std::getenv("DISPLAY") != nullptr ||
           std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// Notices of the platform plug-in about window-system features it lacks (the offscreen one has
// no window manager: "This plugin does not support propagateSizeHints()") and about the
// runtime folder Qt falls back to when XDG_RUNTIME_DIR is unset: nothing a user of the host can
// act on. Every other message goes to the handler that was there before.
QtMessageHandler previousMessageHandler = nullptr;

void DropPlatformNotices(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (type == QtWarningMsg &&
        (message.startsWith(QLatin1String("This plugin does not support ")) ||
         message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))))
        return;
    previousMessageHandler(type, context, message);
}

// Puts the filter in front of the current handler (once: installing it again keeps its own).
void QuietPlatformNotices() {
    const QtMessageHandler current = qInstallMessageHandler(DropPlatformNotices);
    if (current != DropPlatformNotices)
        previousMessageHandler = current;
}

QString ControlName(int id) {
    return QString::number(id);
}

class QtUiSession : public UiSession {
public:
    QtUiSession() : application_(argc_, argv_) {}

private:
    // QApplication keeps references to argc and argv for its whole life.
    static inline int argc_ = 1;
    static inline char name_[] = "halvex-host";
    static inline char* argv_[] = {name_, nullptr};
    QApplication application_;
};

// A left click on tab `index`, the only way the dialog switches pages.
void ClickTab(QTabBar* bar, int index) {
    const QPointF at = bar->tabRect(index).center();
    const QPointF global = bar->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
}

class QtDialogDriver : public DialogDriver {
public:
    QtDialogDriver(std::chrono::milliseconds timeout, std::ostream& out)
        : DialogDriver(timeout, out) {
        timer_.setInterval(kPollInterval);
        QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Poll(); });
        timer_.start();
    }
    ~QtDialogDriver() override { StopPolling(); }

    bool Press(int controlId) override {
        auto* button = main_ ? main_->findChild<QAbstractButton*>(ControlName(controlId)) : nullptr;
        if (button == nullptr)
            return false;
        button->click();
        return true;
    }

    std::optional<bool> ImportFile(const std::filesystem::path& file) override {
        bool imported = false;
        if (!main_ ||
            !QMetaObject::invokeMethod(main_, "ImportEsfFile", Q_RETURN_ARG(bool, imported),
                                       Q_ARG(QString, QString::fromStdString(file)))) {
            Fail(ExitCode::Automation, "the main dialog has no ImportEsfFile method");
            return std::nullopt;
        }
        return imported;
    }

    std::optional<bool> AssignEntry(int slot, int output, int entry) override {
        bool dropped = false;
        if (!main_ ||
            !QMetaObject::invokeMethod(main_, "AssignEntry", Q_RETURN_ARG(bool, dropped),
                                       Q_ARG(int, slot), Q_ARG(int, output), Q_ARG(int, entry))) {
            Fail(ExitCode::Automation, "the main dialog has no AssignEntry method");
            return std::nullopt;
        }
        return dropped;
    }

    std::vector<std::string> TabTexts() override {
        std::vector<std::string> texts;
        if (QTabBar* bar = main_ ? main_->findChild<QTabBar*>() : nullptr) {
            for (int tab = 0; tab < bar->count(); ++tab)
                texts.push_back(bar->tabText(tab).toStdString());
        }
        return texts;
    }

    bool SelectTab(int index) override {
        QTabBar* bar = main_ ? main_->findChild<QTabBar*>() : nullptr;
        if (bar == nullptr || index >= bar->count()) {
            Fail(ExitCode::Automation, "the main dialog has no tab " + std::to_string(index + 1));
            return false;
        }
        ClickTab(bar, index);
        QApplication::processEvents();
        return true;
    }

    // Clicks the last tab (the network page is the last tab in every layout) and, if the page
    // is still hidden, brings it to the front of its stacked widget.
    bool ShowNetworkPage() override {
        QWidget* page = main_ ? main_->findChild<QWidget*>(kNetworkPage) : nullptr;
        if (page == nullptr) {
            Fail(ExitCode::Automation, "the dialog has no network page (CDeviceSettingsPage)");
            return false;
        }
        for (QTabBar* bar : main_->findChildren<QTabBar*>()) {
            if (!page->isVisible() && bar->count() > 0)
                ClickTab(bar, bar->count() - 1);
        }
        for (QWidget* child = page; !page->isVisible() && child->parentWidget() != nullptr;
             child = child->parentWidget()) {
            if (auto* stack = qobject_cast<QStackedWidget*>(child->parentWidget()))
                stack->setCurrentWidget(child);
        }
        return true;
    }

    std::string SaveScreenshot(const std::string& path) override {
        const QString file = QString::fromStdString(path + ".png");
        if (!main_)
            return {};
        main_->resize(1200, 720);
        return main_->grab().save(file) ? file.toStdString() : std::string();
    }

    std::optional<std::vector<std::string>> GatewayLines() override {
        QAbstractItemView* view = GatewayView();
        if (view == nullptr) {
            Fail(ExitCode::Automation, "the network page has no gateway list (control 7039)");
            return std::nullopt;
        }
        std::vector<std::string> lines;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            lines.push_back(view->model()->index(row, 0).data().toString().toStdString());
        return lines;
    }

    bool SelectGateway(int row) override {
        QAbstractItemView* view = GatewayView();
        if (view == nullptr || row >= view->model()->rowCount()) {
            Fail(ExitCode::Automation, "the gateway list has no line " + std::to_string(row + 1));
            return false;
        }
        const QModelIndex index = view->model()->index(row, 0);
        view->setCurrentIndex(index);
        view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        return true;
    }

    std::string ProgressText() override {
        auto* label = main_ ? main_->findChild<QLabel*>(kUploadProgress) : nullptr;
        return label != nullptr ? label->text().toStdString() : std::string();
    }

protected:
    std::optional<Modal> ActiveModal() override {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return std::nullopt;
        Modal found{modal, Kind::Other, modal->windowTitle().toStdString(),
                    "objectName \"" + modal->objectName().toStdString() + "\""};
        const bool dialog = qobject_cast<QDialog*>(modal) != nullptr;
        if (qobject_cast<QMessageBox*>(modal) != nullptr) {
            found.kind = Kind::MessageBox;
        } else if (qobject_cast<QFileDialog*>(modal) != nullptr) {
            found.kind = Kind::FileOpen;
        } else if (dialog && modal->objectName() == QLatin1String("CBusTypeDlg")) {
            found.kind = Kind::BusType;
        } else if (dialog && modal->objectName() == QLatin1String("CKnxDlg")) {
            found.kind = Kind::Main;
            main_ = static_cast<QDialog*>(modal);
        }
        return found;
    }

    void RememberAnswered(const Modal& modal) override { answered_ = Widget(modal); }
    bool WasAnswered(const Modal& modal) override {
        return answered_ && answered_ == Widget(modal) && answered_->isVisible();
    }

    void Reject(const Modal& modal) override {
        if (auto* dialog = qobject_cast<QDialog*>(Widget(modal)))
            dialog->reject();
    }

    std::string MessageText(const Modal& modal) override {
        return static_cast<QMessageBox*>(Widget(modal))->text().toStdString();
    }

    void PressReply(const Modal& modal, Reply reply) override {
        auto& box = *static_cast<QMessageBox*>(Widget(modal));
        QAbstractButton* button =
            box.button(reply == Reply::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
        if (button == nullptr)
            button = box.button(QMessageBox::Ok);
        if (button == nullptr)
            button = box.defaultButton();
        if (button == nullptr && !box.buttons().isEmpty())
            button = box.buttons().first();
        if (button != nullptr) {
            button->click();
        } else {
            box.accept();
        }
    }

    bool PressIn(const Modal& modal, int id) override {
        auto* button = Widget(modal)->findChild<QAbstractButton*>(ControlName(id));
        if (button == nullptr)
            return false;
        button->click();
        return true;
    }

    void EnterFile(const Modal& modal, const std::filesystem::path& file) override {
        auto& dialog = *static_cast<QFileDialog*>(Widget(modal));
        dialog.selectFile(QString::fromStdString(file.string()));
        static_cast<QDialog&>(dialog).accept();
    }

    void ScheduleScript() override {
        // Queued, so that this poll returns and polling goes on while the script waits.
        QTimer::singleShot(0, &context_, [this] { RunScript(); });
    }

    void PollFor(std::chrono::milliseconds duration, const std::function<bool()>& done) override {
        const auto end = std::chrono::steady_clock::now() + duration;
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(kPollInterval);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (Abandoned() || (done && done()) || std::chrono::steady_clock::now() >= end)
                loop.quit();
        });
        tick.start();
        loop.exec();
    }

    void StopPolling() override { timer_.stop(); }

private:
    static QWidget* Widget(const Modal& modal) { return static_cast<QWidget*>(modal.window); }
    QAbstractItemView* GatewayView() const {
        auto* view =
            main_ ? main_->findChild<QAbstractItemView*>(ControlName(ids::kGatewayList)) : nullptr;
        return view != nullptr && view->model() != nullptr ? view : nullptr;
    }

    QObject context_;
    QTimer timer_;
    QPointer<QDialog> main_;
    QPointer<QWidget> answered_;
};

}  // namespace

std::unique_ptr<DialogDriver> DialogDriver::Create(std::chrono::milliseconds timeout,
                                                   std::ostream& out) {
    return std::make_unique<QtDialogDriver>(timeout, out);
}

std::unique_ptr<UiSession> StartUi(bool automated) {
    QuietPlatformNotices();
    if (automated && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!HasDisplay()) {
        throw HostError(ExitCode::Usage,
                        "there is no display to show the dialog on (DISPLAY is not set); use "
                        "--accept, or set QT_QPA_PLATFORM");
    }
    return std::make_unique<QtUiSession>();
}

void PrepareForCallsWithoutDialog() {
    QuietPlatformNotices();
    if (!HasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace halvex::host
