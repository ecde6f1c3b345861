#pragma once
// The main frame's private messages as Qt events. Post queues an event for the thread that
// owns the target (the UI thread). Send runs the handler at once when called on that thread;
// from any other thread it queues the message and blocks until the handler has run, or until
// the target closes, so a worker never waits on a frame that is going away.

#include "platform/CMessageTarget.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CQtMessageTarget : public QObject, public CMessageTarget {
public:
    using Handler =
        std::function<std::intptr_t(unsigned message, std::uintptr_t w, std::intptr_t l)>;

    explicit CQtMessageTarget(Handler handler, QObject* parent = nullptr);
    // Closes, then waits for blocked senders and for every courier started towards it.
    ~CQtMessageTarget() override;
    CQtMessageTarget(const CQtMessageTarget&) = delete;
    CQtMessageTarget& operator=(const CQtMessageTarget&) = delete;

    // A plain post's l must stay valid until it is handled; an owned payload is kept with the
    // queued message, whatever its type.
    void Post(unsigned message, std::uintptr_t w, std::intptr_t l) override;
    void PostOwned(unsigned message, std::uintptr_t w,
                   std::shared_ptr<const void> payload) override;
    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) override;

    // Drops every message from now on (answer 0); blocked senders return 0 at once and the
    // messages they queued are never handled.
    void Close();
    // Takes messages again, after a close that was called off.
    void Reopen();
    bool IsClosed() const;

protected:
    void customEvent(QEvent* event) override;

private:
    Handler handler_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
    int waiting_ = 0; // senders blocked on another thread
};
