#include "host/DialogDriver.h"

#include <cstdio>
#include <cstdlib>

#include "engine/Codepage.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

// After the deadline the dialogs are rejected; this long later the watchdog ends the process.
constexpr std::chrono::seconds kGrace{10};

// One line for the console: runs of white space as one space, control characters escaped.
std::string Line(const std::string& text) {
    std::string line;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (!space)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (!line.empty() && line.back() == ' ')
        line.pop_back();
    return EscapeControls(line);
}

}  // namespace

DialogDriver::DialogDriver(std::chrono::milliseconds timeout, std::ostream& out)
    : out_(out), deadline_(std::chrono::steady_clock::now() + timeout), timeout_(timeout) {
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

void DialogDriver::Finish() {
    StopPolling();
    {
        std::lock_guard lock(watchdogLock_);
        finished_ = true;
    }
    watchdogWake_.notify_all();
}

void DialogDriver::RunWatchdog() {
    std::unique_lock lock(watchdogLock_);
    if (watchdogWake_.wait_until(lock, deadline_ + kGrace, [this] { return finished_; }))
        return;
    // The plug-in is stuck and did not give up the dialogs: nothing short of ending the
    // process helps. Record files are untouched.
    std::fputs("halvex-host: the plug-in did not return after the time-out; giving up\n", stderr);
    std::_Exit(static_cast<int>(ExitCode::Automation));
}

bool DialogDriver::Wait(std::chrono::milliseconds duration) {
    PollFor(duration, nullptr);
    return !abandoned_;
}

void DialogDriver::Fail(ExitCode code, const std::string& message) {
    if (!failureCode_) {
        failureCode_ = code;
        failureMessage_ = message;
    }
    abandoned_ = true;
}

void DialogDriver::RunScript() {
    if (script_ && !abandoned_)
        script_(*this);
}

void DialogDriver::Poll() {
    if (!abandoned_ && std::chrono::steady_clock::now() >= deadline_) {
        Fail(ExitCode::Automation,
             "timed out after " + std::to_string(timeout_.count() / 1000) + " s " + stage_);
    }
    const std::optional<Modal> modal = ActiveModal();
    if (!modal || WasAnswered(*modal))
        return;
    if (abandoned_) {
        // Close whatever is open so that the plug-in returns; Cancel leaves records alone.
        Reject(*modal);
        return;
    }
    switch (modal->kind) {
        case Kind::MessageBox:
            RememberAnswered(*modal);
            AnswerMessageBox(*modal);
            return;
        case Kind::BusType:
            RememberAnswered(*modal);
            if (busTypeScript_) {
                window_ = modal->window;
                busTypeScript_(*this);
            }
            AnswerBusType(*modal);
            return;
        case Kind::Main:
            ReportProgress();
            if (!mainSeen_) {
                mainSeen_ = true;
                window_ = modal->window;
                ScheduleScript();
            }
            return;
        case Kind::FileOpen:
            if (pendingFile_) {
                RememberAnswered(*modal);
                EnterFile(*modal, *pendingFile_);
                pendingFile_.reset();
                return;
            }
            break;
        case Kind::Other:
            break;
    }
    Unexpected(*modal);
}

void DialogDriver::Unexpected(const Modal& modal) {
    Fail(ExitCode::Automation,
         "unexpected dialog \"" + Line(modal.title) + "\" (" + Line(modal.name) + ")");
    Reject(modal);
}

void DialogDriver::AnswerMessageBox(const Modal& box) {
    const std::string text = MessageText(box);
    messages_.push_back({box.title, text});
    out_ << "message \"" << Line(box.title) << "\": " << Line(text) << std::endl;
    PressReply(box, answer_ ? answer_(text) : Reply::Ok);
}

void DialogDriver::AnswerBusType(const Modal& dialog) {
    if (busChoice_ != 0 && !PressIn(dialog, busChoice_)) {
        Fail(ExitCode::Automation,
             "the bus-type dialog has no choice \"" + std::to_string(busChoice_) + "\"");
        Reject(dialog);
        return;
    }
    if (!PressIn(dialog, ids::kBusOk)) {
        Fail(ExitCode::Automation, "the bus-type dialog has no \"OK\" button");
        Reject(dialog);
    }
}

void DialogDriver::ReportProgress() {
    if (!watchProgress_)
        return;
    const std::string text = ProgressText();
    if (text == lastProgress_)
        return;
    lastProgress_ = text;
    if (!text.empty())
        out_ << "progress: " << Line(text) << std::endl;
}

}  // namespace halvex::host
