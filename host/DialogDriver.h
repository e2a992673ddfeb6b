// Drives the plug-in's modal dialogs without a user, from inside their own event loops.
//
// The host creates the driver before it calls __OpenKNXDialog. A timer polls
// QApplication::activeModalWidget() and finds controls by objectName: it answers the bus-type
// dialog, prints and answers every message box, and, once the main dialog "CKnxDlg" is up,
// runs the command's script on it (queued, so that the polling goes on while the script waits
// or a call it makes opens further modal widgets). A deadline ends a stuck run: first the
// open dialogs are rejected, and if the plug-in still does not return, a watchdog thread ends
// the process. No record file is written in either case.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/HostError.h"

class QAbstractButton;
class QDialog;
class QWidget;

namespace halvex::host {

class DialogDriver : public QObject {
    Q_OBJECT
public:
    using Script = std::function<void(DialogDriver&, QDialog& mainDialog)>;
    using Answer = std::function<QMessageBox::StandardButton(const QString& text)>;

    // `timeout`: how long the whole run may take before it is abandoned. Message boxes and the
    // watched label are reported on `out`.
    DialogDriver(std::chrono::milliseconds timeout, std::ostream& out);
    ~DialogDriver() override;

    // The objectName of the radio button to check in the bus-type dialog "CBusTypeDlg";
    // empty keeps the dialog's preselection. OK is pressed either way.
    void SetBusChoice(const QString& radioName) { busChoice_ = radioName; }
    // Chooses the button for a message box from its text; the default presses OK.
    void SetAnswer(Answer answer) { answer_ = std::move(answer); }
    // Runs once the main dialog is shown and initialised.
    void SetMainScript(Script script) { script_ = std::move(script); }
    // A label inside the main dialog whose text is printed whenever it changes.
    void WatchLabel(const QString& objectName) { watchedLabel_ = objectName; }

    // For scripts: the stage named in a time-out message.
    void Stage(const std::string& description) { stage_ = description; }
    // For scripts: processes events for `duration`; returns false when the run was abandoned.
    bool Wait(std::chrono::milliseconds duration);
    // Records a failure (the first one counts) and abandons the run.
    void Fail(ExitCode code, const std::string& message);
    bool Abandoned() const { return abandoned_; }

    std::optional<ExitCode> FailureCode() const { return failureCode_; }
    const std::string& FailureMessage() const { return failureMessage_; }
    bool MainDialogSeen() const { return mainSeen_; }
    // Texts of all message boxes seen so far, in order.
    const std::vector<QString>& MessageTexts() const { return messages_; }

    // The button inside `root` with this objectName, or nullptr.
    static QAbstractButton* FindButton(QWidget* root, const QString& objectName);
    // Clicks the button with this objectName; false when there is none.
    static bool Press(QWidget* root, const QString& objectName);

private:
    void Poll();
    void AnswerMessageBox(QMessageBox& box);
    void AnswerBusType(QDialog& dialog);
    void PrintWatchedLabel(QWidget& mainDialog);
    void RunWatchdog();

    std::ostream& out_;
    QTimer timer_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::milliseconds timeout_;
    QString busChoice_;
    Answer answer_;
    Script script_;
    QString watchedLabel_;
    QString lastLabelText_;
    std::string stage_ = "waiting for the plug-in's dialog";
    QPointer<QWidget> lastAnswered_;
    std::vector<QString> messages_;
    bool mainSeen_ = false;
    bool abandoned_ = false;
    std::optional<ExitCode> failureCode_;
    std::string failureMessage_;

    std::mutex watchdogLock_;
    std::condition_variable watchdogWake_;
    bool finished_ = false;
    std::thread watchdog_;
};

}  // namespace halvex::host
