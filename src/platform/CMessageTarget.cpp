#include "platform/CMessageTarget.h"

#include <atomic>

namespace {
std::atomic<CMessageTarget*> mainTarget{nullptr};
// The living scopes, newest first through older_; guarded by scopeLock.
std::mutex scopeLock;
CMainTargetScope* newestScope = nullptr;
} // namespace

void CMessageTarget::PostOwned(unsigned message, std::uintptr_t w,
                               std::shared_ptr<const void> payload) {
    Post(message, w, reinterpret_cast<std::intptr_t>(payload.get()));
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

CMainTargetScope::CMainTargetScope(CMessageTarget* target) : target_(target) {
    std::lock_guard guard(scopeLock);
    older_ = newestScope;
    newestScope = this;
    mainTarget.store(target_);
}

CMainTargetScope::~CMainTargetScope() {
    std::lock_guard guard(scopeLock);
    if (newestScope == this) {
        newestScope = older_;
        mainTarget.store(older_ ? older_->target_ : nullptr);
        return;
    }
    // Ended before a newer scope: unlinked, so the newer one never falls back to it.
    for (CMainTargetScope* scope = newestScope; scope; scope = scope->older_) {
        if (scope->older_ == this) {
            scope->older_ = older_;
            return;
        }
    }
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
