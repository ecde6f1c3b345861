#include "platform/CAutoResetEvent.h"

#include <condition_variable>
#include <mutex>

namespace {
// One lock for every event: waits on several events need a common condition, and events are
// set a few times a second at most.
std::mutex eventLock;
std::condition_variable eventChanged;
} // namespace

void CAutoResetEvent::Set() {
    {
        std::lock_guard lock(eventLock);
        set_ = true;
    }
    eventChanged.notify_all();
}

void CAutoResetEvent::Reset() {
    std::lock_guard lock(eventLock);
    set_ = false;
}

bool CAutoResetEvent::IsSet() const {
    std::lock_guard lock(eventLock);
    return set_;
}

bool CAutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    return WaitForAny({this}, timeout) == 0;
}

int WaitForAny(std::initializer_list<CAutoResetEvent*> events, std::chrono::milliseconds timeout) {
    std::unique_lock lock(eventLock);
    int found = kWaitTimeout;
    auto firstSet = [&] {
        int index = 0;
        for (CAutoResetEvent* event : events) {
            if (event->set_) {
                found = index;
                event->set_ = false;
                return true;
            }
            ++index;
        }
        return false;
    };
    eventChanged.wait_for(lock, timeout, firstSet);
    return found;
}
