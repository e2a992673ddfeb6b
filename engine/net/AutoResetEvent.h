// An auto-reset event: Set wakes one waiter, or the next one to wait, and resets itself.
//
// Events are found by name in a process-wide registry, so the parser on the receive thread
// and the upload on the dialog's thread meet at "UploadEvent" without knowing each other.
// A named event lives until the process ends, so a signal is never lost for want of an owner.
// On Windows it is the system's named auto-reset event, visible to other modules as well.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace halvex {

class AutoResetEvent {
public:
    // `name` names the system event on Windows; unnamed when empty.
    explicit AutoResetEvent(const std::string& name = {});
    ~AutoResetEvent();
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    // The event of that name, created not signalled on first use.
    static std::shared_ptr<AutoResetEvent> CreateOrOpen(const std::string& name);

    void Set();
    // Clears a pending signal without waiting.
    void Reset();
    // True when signalled within `timeout` (the signal is consumed), false on time-out.
    bool Wait(std::chrono::milliseconds timeout);
    bool IsSet() const;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
#endif
};

}  // namespace halvex
