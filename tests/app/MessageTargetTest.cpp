// The private messages between the models, a worker thread and the frame.

#include "AppTestSupport.h"

#include "app/CQtMessageTarget.h"
#include "app/CQtPrompts.h"
#include "platform/CMessageTarget.h"
#include "platform/CTargetSlot.h"
#include "platform/MainMessages.h"

#include <QMessageBox>
#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

TEST(MessageTargetTest, PostedPathIsCopiedAndASendFromAWorkerWaitsForTheAnswer) {
    std::vector<std::string> opened;
    CQtMessageTarget target([&](unsigned message, std::uintptr_t w, std::intptr_t l) {
        if (message == kMsgOpenPath)
            opened.push_back(*reinterpret_cast<const std::string*>(l));
        return static_cast<std::intptr_t>(w) * 2;
    });
    {
        const CMainTargetScope scope(&target);
        const std::string path = "/traces/a.sor";
        PostOpenPath(path);
    }
    EXPECT_TRUE(opened.empty());
    Settle();
    EXPECT_EQ(opened, std::vector<std::string>{"/traces/a.sor"});

    // On the UI thread a send is a call.
    EXPECT_EQ(target.Send(kMsgScanTraceArrived, 5, 0), 10);
    std::atomic<std::intptr_t> answer{0};
    std::thread worker([&] { answer = target.Send(kMsgScanTraceArrived, 21, 0); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer != 0; }));
    worker.join();
    EXPECT_EQ(answer, 42);
}

TEST(MessageTargetTest, ClosingFreesAWorkerBlockedInSendAndItsMessageIsNeverHandled) {
    int handled = 0;
    CQtMessageTarget target([&](unsigned, std::uintptr_t, std::intptr_t) {
        ++handled;
        return 7;
    });
    std::atomic<bool> returned{false};
    std::intptr_t answer = -1;
    std::thread worker([&] {
        answer = target.Send(kMsgScanTraceArrived, 0, 0);
        returned = true;
    });
    // The UI thread runs no events, so the worker stays blocked...
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned);
    // ...until the frame closes.
    target.Close();
    worker.join();
    EXPECT_EQ(answer, 0);

    target.Post(kMsgRedrawView, 0, 0);
    EXPECT_EQ(target.Send(kMsgRedrawView, 0, 0), 0);
    target.Reopen();
    Settle();
    EXPECT_EQ(handled, 0);
}

TEST(MessageTargetTest, ATargetDestroyedRightAfterItsSlotIsClearedOutlivesEveryCourier) {
    // The slot is cleared from another thread as soon as a send starts, and the target goes at
    // once: a courier that has not reached Send yet must still find it whole. The storage of
    // each target is kept, so a late courier finds a destroyed object rather than freed memory.
    std::vector<std::unique_ptr<unsigned char[]>> storage;
    for (int round = 0; round < 400; ++round) {
        storage.push_back(std::make_unique<unsigned char[]>(sizeof(CQtMessageTarget)));
        auto* target = new (storage.back().get())
            CQtMessageTarget([](unsigned, std::uintptr_t, std::intptr_t) { return 1; });
        CTargetSlot slot;
        slot.Set(target);
        std::atomic<bool> sending{false};
        std::thread clearer([&] {
            while (!sending.load())
                std::this_thread::yield();
            slot.Set(nullptr);
        });
        sending = true;
        // Nobody runs the target's events: the send ends only when the slot is cleared.
        EXPECT_FALSE(slot.SendText(kMsgScanTraceArrived, 0, "x").has_value());
        clearer.join();
        target->~CQtMessageTarget();
    }
    // A courier that still called a destroyed target would have crashed by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

TEST(MessageTargetTest, AWorkersErrorBoxOpensOnTheInterfaceThreadWithoutHoldingTheWorker) {
    CQtPrompts prompts;
    bool askedAnswer = true;
    std::thread worker([&] {
        prompts.Show("Сеть недоступна", "", CPrompts::Icon::Error);
        askedAnswer = prompts.AskYesNo("?", "", CPrompts::Icon::Question);
    });
    worker.join(); // returned without anyone closing a box
    EXPECT_FALSE(askedAnswer);

    QString shown;
    QThread* shownOn = nullptr;
    WhenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            shownOn = box->thread();
        }
        modal->close();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 5000));
    EXPECT_EQ(shown, QStringLiteral("Сеть недоступна"));
    EXPECT_EQ(shownOn, QCoreApplication::instance()->thread());
}

} // namespace
