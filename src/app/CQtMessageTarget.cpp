#include "app/CQtMessageTarget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <memory>

namespace {

// A send queued from another thread; guarded by the target's mutex.
struct PendingSend {
    bool done = false;
    bool abandoned = false; // the sender returned without an answer
    std::intptr_t result = 0;
};

class CPrivateMessageEvent : public QEvent {
public:
    CPrivateMessageEvent(unsigned message, std::uintptr_t w, std::intptr_t l)
        : QEvent(EventType()), message(message), w(w), l(l) {}

    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    unsigned message;
    std::uintptr_t w;
    std::intptr_t l;
    std::shared_ptr<const void> payload; // l points into it
    std::shared_ptr<PendingSend> pending;
};

} // namespace

CQtMessageTarget::CQtMessageTarget(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

CQtMessageTarget::~CQtMessageTarget() {
    Close();
    WaitForCouriers();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_ == 0; });
}

void CQtMessageTarget::Post(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (IsClosed())
        return;
    QCoreApplication::postEvent(this, new CPrivateMessageEvent(message, w, l));
}

void CQtMessageTarget::PostOwned(unsigned message, std::uintptr_t w,
                                 std::shared_ptr<const void> payload) {
    if (IsClosed())
        return;
    auto event = std::make_unique<CPrivateMessageEvent>(
        message, w, reinterpret_cast<std::intptr_t>(payload.get()));
    event->payload = std::move(payload);
    QCoreApplication::postEvent(this, event.release());
}

std::intptr_t CQtMessageTarget::Send(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (QThread::currentThread() == thread())
        return IsClosed() ? 0 : handler_(message, w, l);

    auto pending = std::make_shared<PendingSend>();
    std::unique_lock lock(mutex_);
    if (closed_)
        return 0;
    auto event = std::make_unique<CPrivateMessageEvent>(message, w, l);
    event->pending = pending;
    QCoreApplication::postEvent(this, event.release());
    ++waiting_;
    changed_.wait(lock, [&] { return pending->done || closed_; });
    --waiting_;
    if (!pending->done)
        pending->abandoned = true;
    const std::intptr_t result = pending->done ? pending->result : 0;
    lock.unlock();
    changed_.notify_all();
    return result;
}

void CQtMessageTarget::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

void CQtMessageTarget::Reopen() {
    std::lock_guard lock(mutex_);
    closed_ = false;
}

bool CQtMessageTarget::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void CQtMessageTarget::customEvent(QEvent* event) {
    if (event->type() != CPrivateMessageEvent::EventType()) {
        QObject::customEvent(event);
        return;
    }
    auto& message = static_cast<CPrivateMessageEvent&>(*event);
    {
        std::lock_guard lock(mutex_);
        // An abandoned send's pointers may be gone already.
        if (closed_ || (message.pending && message.pending->abandoned))
            return;
    }
    const std::intptr_t result = handler_(message.message, message.w, message.l);
    if (message.pending) {
        {
            std::lock_guard lock(mutex_);
            message.pending->done = true;
            message.pending->result = result;
        }
        changed_.notify_all();
    }
}
