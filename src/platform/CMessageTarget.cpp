#include "platform/CMessageTarget.h"

#include <atomic>

namespace {
std::atomic<CMessageTarget*> mainTarget{nullptr};
}

void CMessageTarget::WaitForCouriers() {
    std::unique_lock lock(courierLock_);
    couriersGone_.wait(lock, [this] { return couriers_ == 0; });
}

void CMessageTarget::CourierStarted() {
    std::lock_guard lock(courierLock_);
    ++couriers_;
}

void CMessageTarget::CourierEnded() {
    // Notified under the lock: the waiter may destroy the target as soon as it is released.
    std::lock_guard lock(courierLock_);
    if (--couriers_ == 0)
        couriersGone_.notify_all();
}

CMessageTarget* GetMainTarget() {
    return mainTarget.load();
}

void SetMainTarget(CMessageTarget* target) {
    mainTarget.store(target);
}

void PostToMain(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (CMessageTarget* target = mainTarget.load())
        target->Post(message, w, l);
}

std::intptr_t SendToMain(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (CMessageTarget* target = mainTarget.load())
        return target->Send(message, w, l);
    return 0;
}
