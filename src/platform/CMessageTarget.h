#pragma once
// The main frame's private notifications. Models post or send these numbers to the target
// installed as the main target; with none installed they are dropped.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

// Message numbers of the main frame.
inline constexpr unsigned kMsgTreeOperation = 0x500;       // kept free: the tree observes
inline constexpr unsigned kMsgMarkersChanged = 0x501;      // sent by the trace view
inline constexpr unsigned kMsgRedrawView = 0x502;          // posted
inline constexpr unsigned kMsgSelectionChanged = 0x503;    // posted (sent by signal entries)
inline constexpr unsigned kMsgScanTraceArrived = 0x504;    // sent: w fibre, l std::string* path
inline constexpr unsigned kMsgScanPollDone = 0x505;        // posted by the scanner
inline constexpr unsigned kMsgScanSettingsChanged = 0x506; // posted by the scanning dialogs
inline constexpr unsigned kMsgOpenPath = 0x507;            // l: path
inline constexpr unsigned kMsgScanStartStop = 0x508;       // posted by the scanning dialog
inline constexpr unsigned kMsgGetWorldWindow = 0x509;      // sent, l: CWorldRect* answer
inline constexpr unsigned kMsgOverviewRedraw = 0x510;      // sent by the trace view, not in paint

class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
    // Queued; returns at once.
    virtual void Post(unsigned message, std::uintptr_t w, std::intptr_t l) = 0;
    // Handled before it returns; the handler's answer.
    virtual std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) = 0;
    // Queued with l pointing to the payload, which the target keeps until the message is
    // handled or dropped, whatever its type. This default suits targets that handle or record
    // a post before returning.
    virtual void PostOwned(unsigned message, std::uintptr_t w, std::shared_ptr<const void> payload);

protected:
    // Waits until every courier thread a slot started towards this target has returned from
    // it, whether or not it has called Send yet. A target that a slot may hold calls this in
    // its destructor, once its Send returns at once.
    void WaitForCouriers();

private:
    friend class CTargetSlot;
    void CourierStarted();
    void CourierEnded();

    std::mutex courierLock_;
    std::condition_variable couriersGone_;
    int couriers_ = 0;
};

// The application's main window, or null. Read from any thread.
CMessageTarget* GetMainTarget();

// Installs a main target for its lifetime. Scopes may end in any order: the newest living one
// is the main target, none leaves it null.
class CMainTargetScope {
public:
    explicit CMainTargetScope(CMessageTarget* target);
    ~CMainTargetScope();
    CMainTargetScope(const CMainTargetScope&) = delete;
    CMainTargetScope& operator=(const CMainTargetScope&) = delete;

private:
    CMessageTarget* const target_;
    CMainTargetScope* older_ = nullptr;
};

// Post or send to the main target; dropped (answer 0) when there is none.
void PostToMain(unsigned message, std::uintptr_t w = 0, std::intptr_t l = 0);
std::intptr_t SendToMain(unsigned message, std::uintptr_t w = 0, std::intptr_t l = 0);
