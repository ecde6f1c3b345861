#pragma once
// The target of a model that notifies from a worker thread (the scanner). Unlike the main
// target it belongs to its owner, and clearing it releases a worker waiting in Send at once:
// the send is made on a courier thread, and the worker stops waiting for it when the slot is
// cleared or changed. An abandoned send may still reach the old target later (its handler
// should ignore it once the target was cleared); its text stays valid until it returns. The
// target's destructor waits for its couriers (CMessageTarget::WaitForCouriers).

#include "platform/CMessageTarget.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class CTargetSlot {
public:
    CTargetSlot() = default;
    // Clears the slot, releasing a waiting sender.
    ~CTargetSlot();
    CTargetSlot(const CTargetSlot&) = delete;
    CTargetSlot& operator=(const CTargetSlot&) = delete;

    // Any thread; null clears. No Post reaches the old target after this returns.
    void Set(CMessageTarget* target);
    bool IsSet() const;

    // Dropped when the slot is empty.
    void Post(unsigned message, std::uintptr_t w, std::intptr_t l);
    // Sends with l pointing to a std::string holding the text, and waits until the target has
    // handled it or the slot is cleared or changed. The handler's answer; none when the slot
    // was empty or the send was abandoned.
    std::optional<std::intptr_t> SendText(unsigned message, std::uintptr_t w, std::string text);

private:
    struct CCall;

    mutable std::mutex lock_;
    CMessageTarget* target_ = nullptr;
    std::shared_ptr<CCall> pending_;
};
