#include "platform/CTargetSlot.h"

#include <condition_variable>
#include <thread>

// One send: shared by the sender, the courier and the slot, so whichever finishes last frees it.
struct CTargetSlot::CCall {
    CCall(unsigned message, std::uintptr_t w, std::string text)
        : message(message), w(w), text(std::move(text)) {}

    const unsigned message;
    const std::uintptr_t w;
    const std::string text;
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    bool abandoned = false;
    std::intptr_t result = 0;
};

CTargetSlot::~CTargetSlot() {
    Set(nullptr);
}

void CTargetSlot::Set(CMessageTarget* target) {
    std::lock_guard guard(lock_);
    if (target == target_)
        return;
    target_ = target;
    if (pending_) {
        {
            std::lock_guard callGuard(pending_->lock);
            pending_->abandoned = true;
        }
        pending_->changed.notify_all();
        pending_.reset();
    }
}

bool CTargetSlot::IsSet() const {
    std::lock_guard guard(lock_);
    return target_ != nullptr;
}

void CTargetSlot::Post(unsigned message, std::uintptr_t w, std::intptr_t l) {
    std::lock_guard guard(lock_);
    if (target_)
        target_->Post(message, w, l);
}

std::optional<std::intptr_t> CTargetSlot::SendText(unsigned message, std::uintptr_t w,
                                                   std::string text) {
    auto call = std::make_shared<CCall>(message, w, std::move(text));
    {
        std::lock_guard guard(lock_);
        if (!target_)
            return std::nullopt;
        pending_ = call;
        // The courier holds only the call: the slot and its owner may be gone when it returns.
        // The target is counted before the thread starts, so it cannot be destroyed under a
        // courier that has not reached Send yet.
        target_->CourierStarted();
        std::thread([call, target = target_] {
            const std::intptr_t result =
                target->Send(call->message, call->w, reinterpret_cast<std::intptr_t>(&call->text));
            target->CourierEnded();
            {
                std::lock_guard callGuard(call->lock);
                call->done = true;
                call->result = result;
            }
            call->changed.notify_all();
        }).detach();
    }
    std::unique_lock callLock(call->lock);
    call->changed.wait(callLock, [&] { return call->done || call->abandoned; });
    const bool done = call->done;
    const std::intptr_t result = call->result;
    callLock.unlock();

    std::lock_guard guard(lock_);
    if (pending_ == call)
        pending_.reset();
    return done ? std::optional<std::intptr_t>(result) : std::nullopt;
}
