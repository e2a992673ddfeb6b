#include "host/DialogDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>

#include "engine/Codepage.h"

namespace halvex::host {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};
// After the deadline the dialogs are rejected; this long later the watchdog ends the process.
constexpr std::chrono::seconds kGrace{10};

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

std::string Line(const QString& text) {
    return EscapeControls(text.simplified().toStdString());
}

}  // namespace

DialogDriver::DialogDriver(std::chrono::milliseconds timeout, std::ostream& out)
    : out_(out), deadline_(std::chrono::steady_clock::now() + timeout), timeout_(timeout) {
    timer_.setInterval(kPollInterval);
    connect(&timer_, &QTimer::timeout, this, &DialogDriver::Poll);
    timer_.start();
    watchdog_ = std::thread([this] { RunWatchdog(); });
}

DialogDriver::~DialogDriver() {
    {
        std::lock_guard lock(watchdogLock_);
        finished_ = true;
    }
    watchdogWake_.notify_all();
    watchdog_.join();
}

void DialogDriver::RunWatchdog() {
    std::unique_lock lock(watchdogLock_);
    if (watchdogWake_.wait_until(lock, deadline_ + kGrace, [this] { return finished_; }))
        return;
    // The plug-in is stuck and did not give up the dialogs: no event loop runs any more, so
    // nothing short of ending the process helps. Record files are untouched.
    std::fputs("halvex-host: the plug-in did not return after the time-out; giving up\n", stderr);
    std::_Exit(static_cast<int>(ExitCode::Automation));
}

bool DialogDriver::Wait(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kPollInterval);
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (abandoned_ || std::chrono::steady_clock::now() >= end)
            loop.quit();
    });
    tick.start();
    loop.exec();
    return !abandoned_;
}

void DialogDriver::Fail(ExitCode code, const std::string& message) {
    if (!failureCode_) {
        failureCode_ = code;
        failureMessage_ = message;
    }
    abandoned_ = true;
}

QAbstractButton* DialogDriver::FindButton(QWidget* root, const QString& objectName) {
    return root != nullptr ? root->findChild<QAbstractButton*>(objectName) : nullptr;
}

bool DialogDriver::Press(QWidget* root, const QString& objectName) {
    QAbstractButton* button = FindButton(root, objectName);
    if (button == nullptr)
        return false;
    button->click();
    return true;
}

void DialogDriver::Poll() {
    if (!abandoned_ && std::chrono::steady_clock::now() >= deadline_) {
        Fail(ExitCode::Automation,
             "timed out after " + std::to_string(timeout_.count() / 1000) + " s " + stage_);
    }
    if (lastAnswered_ && !lastAnswered_->isVisible())
        lastAnswered_ = nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == lastAnswered_)
        return;
    auto* dialog = qobject_cast<QDialog*>(modal);

    if (abandoned_) {
        // Close whatever is open so that the plug-in returns; Cancel leaves records alone.
        if (dialog != nullptr)
            dialog->reject();
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        lastAnswered_ = box;
        AnswerMessageBox(*box);
        return;
    }
    if (modal->objectName() == QLatin1String("CBusTypeDlg") && dialog != nullptr) {
        lastAnswered_ = dialog;
        AnswerBusType(*dialog);
        return;
    }
    if (modal->objectName() == QLatin1String("CKnxDlg") && dialog != nullptr) {
        PrintWatchedLabel(*dialog);
        if (mainSeen_)
            return;
        mainSeen_ = true;
        QPointer<QDialog> main(dialog);
        // Queued, so that this poll returns and keeps running while the script waits.
        QTimer::singleShot(0, this, [this, main] {
            if (main && script_ && !abandoned_)
                script_(*this, *main);
        });
        return;
    }
    Fail(ExitCode::Automation, "unexpected dialog \"" + modal->windowTitle().toStdString() +
                                   "\" (objectName \"" + modal->objectName().toStdString() + "\")");
    if (dialog != nullptr)
        dialog->reject();
}

void DialogDriver::AnswerMessageBox(QMessageBox& box) {
    const QString text = box.text();
    messages_.push_back(text);
    out_ << "message \"" << Line(box.windowTitle()) << "\": " << Line(text) << std::endl;
    const QMessageBox::StandardButton wanted = answer_ ? answer_(text) : QMessageBox::Ok;
    QAbstractButton* button = box.button(wanted);
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

void DialogDriver::AnswerBusType(QDialog& dialog) {
    if (!busChoice_.isEmpty()) {
        auto* choice = dialog.findChild<QRadioButton*>(busChoice_);
        if (choice == nullptr) {
            Fail(ExitCode::Automation,
                 "the bus-type dialog has no choice \"" + busChoice_.toStdString() + "\"");
            dialog.reject();
            return;
        }
        choice->click();
    }
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (qobject_cast<QRadioButton*>(button) == nullptr &&
            Plain(button->text()) == QLatin1String("OK")) {
            button->click();
            return;
        }
    }
    Fail(ExitCode::Automation, "the bus-type dialog has no \"OK\" button");
    dialog.reject();
}

void DialogDriver::PrintWatchedLabel(QWidget& mainDialog) {
    if (watchedLabel_.isEmpty())
        return;
    auto* label = mainDialog.findChild<QLabel*>(watchedLabel_);
    if (label == nullptr || label->text() == lastLabelText_)
        return;
    lastLabelText_ = label->text();
    if (!lastLabelText_.isEmpty())
        out_ << "progress: " << Line(lastLabelText_) << std::endl;
}

}  // namespace halvex::host
