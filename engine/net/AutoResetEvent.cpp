#include "engine/net/AutoResetEvent.h"

#include <algorithm>
#include <map>

#ifdef _WIN32
#include <windows.h>
#endif

namespace halvex {

std::shared_ptr<AutoResetEvent> AutoResetEvent::CreateOrOpen(const std::string& name) {
    static std::mutex registryLock;
    static std::map<std::string, std::shared_ptr<AutoResetEvent>, std::less<>> registry;
    std::lock_guard lock(registryLock);
    auto& event = registry[name];
    if (!event)
        event = std::make_shared<AutoResetEvent>(name);
    return event;
}

#ifdef _WIN32

AutoResetEvent::AutoResetEvent(const std::string& name) {
    // Event names are ASCII.
    const std::wstring wide(name.begin(), name.end());
    handle_ = ::CreateEventW(nullptr, FALSE, FALSE, wide.empty() ? nullptr : wide.c_str());
}

AutoResetEvent::~AutoResetEvent() {
    if (handle_ != nullptr)
        ::CloseHandle(handle_);
}

void AutoResetEvent::Set() {
    ::SetEvent(handle_);
}

void AutoResetEvent::Reset() {
    ::ResetEvent(handle_);
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INFINITE - 1);
    return ::WaitForSingleObject(handle_, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

bool AutoResetEvent::IsSet() const {
    // Looking consumes the signal of an auto-reset event, so it is put back.
    if (::WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0)
        return false;
    ::SetEvent(handle_);
    return true;
}

#else

AutoResetEvent::AutoResetEvent(const std::string&) {}
AutoResetEvent::~AutoResetEvent() = default;

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_one();
}

void AutoResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

bool AutoResetEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

#endif

}  // namespace halvex
