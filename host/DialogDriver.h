// Drives the plug-in's modal dialogs without a user, the way a user would: through the dialogs'
// controls, found by their control IDs.
//
// The host creates the driver before it calls __OpenKNXDialog. The driver polls the modal
// dialog in front: it answers the bus-type dialog, prints and answers every message box, and,
// once the main dialog "CKnxDlg" is up, runs the command's script on it, which uses the actions
// below. A deadline ends a stuck run: first the open dialogs are rejected, and if the plug-in
// still does not return, a watchdog thread ends the process. No record file is written in
// either case.
//
// What to do is decided here, once; how a dialog is found, read and pressed is the toolkit's
// part: Qt (objectNames are control IDs) on Linux, Win32 windows on Windows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/HostError.h"

namespace halvex::host {

// The button that answers a message box.
enum class Reply { Ok, Cancel };

// A message box the driver answered; texts in UTF-8.
struct MessageSeen {
    std::string title;
    std::string text;
};

class DialogDriver {
public:
    using Script = std::function<void(DialogDriver&)>;
    using Answer = std::function<Reply(const std::string& text)>;

    // The driver of this platform's toolkit. `timeout`: how long the whole run may take before
    // it is abandoned. Message boxes and the upload's progress are reported on `out`.
    static std::unique_ptr<DialogDriver> Create(std::chrono::milliseconds timeout,
                                                std::ostream& out);
    virtual ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // The control ID of the radio button to check in the bus-type dialog "CBusTypeDlg"; 0 keeps
    // the dialog's preselection. OK is pressed either way.
    void SetBusChoice(int radioId) { busChoice_ = radioId; }
    // Chooses the button for a message box from its text; the default presses OK.
    void SetAnswer(Answer answer) { answer_ = std::move(answer); }
    // Runs once the main dialog is shown and initialised.
    void SetMainScript(Script script) { script_ = std::move(script); }
    // Runs when the bus-type dialog is up, before the driver answers it.
    void SetBusTypeScript(Script script) { busTypeScript_ = std::move(script); }
    // For scripts that look at more than the actions below: the toolkit's window of the dialog
    // the script runs on (an HWND on Windows, the QDialog with Qt).
    void* Window() const { return window_; }
    // Prints the upload's progress line whenever it changes.
    void WatchProgress() { watchProgress_ = true; }
    // Prints the progress line now if it changed since it was last printed.
    void ReportProgress();
    // The plug-in has returned: polling ends. Call before reading the findings below.
    void Finish();

    // For scripts: the stage named in a time-out message.
    void Stage(const std::string& description) { stage_ = description; }
    // For scripts: keeps the dialogs answered for `duration`; false when the run was abandoned.
    bool Wait(std::chrono::milliseconds duration);
    // Records a failure (the first one counts) and abandons the run.
    void Fail(ExitCode code, const std::string& message);
    bool Abandoned() const { return abandoned_; }

    std::optional<ExitCode> FailureCode() const { return failureCode_; }
    const std::string& FailureMessage() const { return failureMessage_; }
    bool MainDialogSeen() const { return mainSeen_; }
    // The message boxes seen so far, in order.
    const std::vector<MessageSeen>& Messages() const { return messages_; }

    // What a script does in the main dialog.

    // Clicks the button with this control ID in the main dialog or on its shown page, and
    // returns once the dialog has handled the click; false when there is no such button.
    virtual bool Press(int controlId) = 0;

    // The actions below record an Automation failure naming what the dialog lacks, and then
    // return false or nullopt.

    // "Import ESF" with this file; true when the dialog imported it, false when it refused
    // (its message box says why).
    virtual std::optional<bool> ImportFile(const std::filesystem::path& file) = 0;
    // Drags catalogue entry `entry` onto output `output` (0-based) of the page in tab slot
    // `slot`; true when dropped, false when refused.
    virtual std::optional<bool> AssignEntry(int slot, int output, int entry) = 0;
    // The tab labels of the page tab control, left to right.
    virtual std::vector<std::string> TabTexts() = 0;
    // Clicks tab `index` and lets the page show.
    virtual bool SelectTab(int index) = 0;
    // Brings the network page to the front.
    virtual bool ShowNetworkPage() = 0;
    // Saves a picture of the main dialog; `path` without its extension. Returns the file
    // written, empty when it could not be saved.
    virtual std::string SaveScreenshot(const std::string& path) = 0;
    // The lines of the network page's gateway list.
    virtual std::optional<std::vector<std::string>> GatewayLines() = 0;
    // Selects line `row` of the gateway list as a click would.
    virtual bool SelectGateway(int row) = 0;
    // The upload's progress line; empty when there is none.
    virtual std::string ProgressText() = 0;

protected:
    DialogDriver(std::chrono::milliseconds timeout, std::ostream& out);

    // The kinds of modal dialog the driver tells apart.
    enum class Kind { MessageBox, BusType, Main, FileOpen, Other };
    struct Modal {
        void* window = nullptr;  // the toolkit's dialog, valid during the poll that found it
        Kind kind = Kind::Other;
        std::string title;
        std::string name;  // how the toolkit names it, for messages
    };

    // One look at the dialogs: answers what is in front, starts the script once.
    void Poll();
    // Runs the main script (the implementation calls it after a poll asked for it).
    void RunScript();
    // The file a script is importing: typed into the next file-open dialog.
    void ExpectFileDialog(const std::filesystem::path& file) { pendingFile_ = file; }
    bool FileDialogPending() const { return pendingFile_.has_value(); }

    // The toolkit's part of a poll.
    virtual std::optional<Modal> ActiveModal() = 0;
    // Remembers the dialog just answered, which may stay in front a little while it closes;
    // whether `modal` is that dialog, still shown.
    virtual void RememberAnswered(const Modal& modal) = 0;
    virtual bool WasAnswered(const Modal& modal) = 0;
    virtual void Reject(const Modal& modal) = 0;
    virtual std::string MessageText(const Modal& modal) = 0;
    // Presses the reply's button of a message box, or the one nearest to it.
    virtual void PressReply(const Modal& modal, Reply reply) = 0;
    // Clicks the button or radio button `id` of a dialog other than the main one.
    virtual bool PressIn(const Modal& modal, int id) = 0;
    virtual void EnterFile(const Modal& modal, const std::filesystem::path& file) = 0;
    // Asks for RunScript to be called after this poll, while polling goes on.
    virtual void ScheduleScript() = 0;
    // Keeps polling for `duration`, or until `done` (if given) holds or the run is abandoned.
    virtual void PollFor(std::chrono::milliseconds duration, const std::function<bool()>& done) = 0;
    // Ends the polling for good (Finish, and the implementation's destructor).
    virtual void StopPolling() = 0;

private:
    void AnswerMessageBox(const Modal& box);
    void AnswerBusType(const Modal& dialog);
    void RunWatchdog();
    void Unexpected(const Modal& modal);

    std::ostream& out_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::milliseconds timeout_;
    int busChoice_ = 0;
    Answer answer_;
    Script script_;
    Script busTypeScript_;
    void* window_ = nullptr;
    bool watchProgress_ = false;
    std::string lastProgress_;
    std::string stage_ = "waiting for the plug-in's dialog";
    std::optional<std::filesystem::path> pendingFile_;
    std::vector<MessageSeen> messages_;
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
