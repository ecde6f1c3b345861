// The private messages between the models, a worker thread and the frame.

#include "AppTestSupport.h"

#include "app/CQtMessageTarget.h"
#include "app/CQtPrompts.h"
#include "platform/CMessageTarget.h"

#include <QMessageBox>
#include <QThread>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(MessageTargetTest, PostedPathIsCopiedAndASendFromAWorkerWaitsForTheAnswer) {
    std::vector<std::string> opened;
    CQtMessageTarget target([&](unsigned message, std::uintptr_t w, std::intptr_t l) {
        if (message == kMsgOpenPath)
            opened.push_back(*reinterpret_cast<const std::string*>(l));
        return static_cast<std::intptr_t>(w) * 2;
    });
    {
        const std::string path = "/traces/a.sor";
        target.Post(kMsgOpenPath, 0, reinterpret_cast<std::intptr_t>(&path));
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
