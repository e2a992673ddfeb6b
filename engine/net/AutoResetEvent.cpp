#include "engine/net/AutoResetEvent.h"

#include <map>

namespace halvex {

std::shared_ptr<AutoResetEvent> AutoResetEvent::CreateOrOpen(const std::string& name) {
    static std::mutex registryLock;
    static std::map<std::string, std::shared_ptr<AutoResetEvent>, std::less<>> registry;
    std::lock_guard lock(registryLock);
    auto& event = registry[name];
    if (!event)
        event = std::make_shared<AutoResetEvent>();
    return event;
}

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

}  // namespace halvex
