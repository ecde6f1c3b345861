#pragma once
// Auto-reset events shared between the user-interface thread and the scanning worker.
// A wait consumes the event it returns; setting an event that is already set does nothing.

#include <chrono>
#include <initializer_list>

class CAutoResetEvent {
public:
    CAutoResetEvent() = default;
    CAutoResetEvent(const CAutoResetEvent&) = delete;
    CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

    void Set();
    void Reset();
    // Waits until set (and resets it); false on time-out.
    bool Wait(std::chrono::milliseconds timeout);
    bool IsSet() const;

private:
    friend int WaitForAny(std::initializer_list<CAutoResetEvent*>, std::chrono::milliseconds);
    bool set_ = false;
};

inline constexpr int kWaitTimeout = -1;

// Waits until one of the events is set; returns the index of the first set one in the given
// order (resetting only that one), or kWaitTimeout.
int WaitForAny(std::initializer_list<CAutoResetEvent*> events, std::chrono::milliseconds timeout);
