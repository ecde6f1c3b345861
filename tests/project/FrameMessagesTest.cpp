// The main frame's messages as the models send them and as the frame's handler receives them:
// every typed call arrives at its own virtual with its payload, through the real decoder.

#include "project/FrameMessages.h"
#include "platform/CTargetSlot.h"
#include "project/ProjectTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Records each call as text and answers the window.
class CRecordingHandler : public CFrameMessageHandler {
public:
    void HandleMarkersChanged() override { calls.push_back("markers"); }
    void HandleRedrawView() override { calls.push_back("redraw"); }
    void HandleSelectionChanged() override { calls.push_back("selection"); }
    void HandleTraceArrived(int fibre, const std::string& path) override {
        calls.push_back("trace " + std::to_string(fibre) + " " + path);
    }
    void HandleScanPollDone() override { calls.push_back("poll"); }
    void HandleScanSettingsChanged() override { calls.push_back("settings"); }
    void HandleScanStartStop() override { calls.push_back("startstop"); }
    void HandleOpenPath(const std::string& path) override { calls.push_back("open " + path); }
    std::optional<CWorldRect> HandleWorldWindow() override {
        calls.push_back("window");
        return window;
    }
    void HandleOverviewRedraw() override { calls.push_back("overview"); }

    Lines calls;
    std::optional<CWorldRect> window;
};

// A main target that decodes at once, as the frame does on its own thread.
class CDecodingTarget : public CMessageTarget {
public:
    explicit CDecodingTarget(CFrameMessageHandler& handler) : handler_(handler) {}
    void Post(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        DispatchFrameMessage(handler_, message, w, l);
    }
    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        return DispatchFrameMessage(handler_, message, w, l);
    }

private:
    CFrameMessageHandler& handler_;
};

TEST(FrameMessagesTest, EveryTypedCallReachesItsHandlerWithItsPayload) {
    CRecordingHandler handler;
    CDecodingTarget target(handler);
    CTargetSlot slot;
    slot.Set(&target);
    // Without a frame nothing arrives and the questions have no answer.
    EXPECT_FALSE(AskWorldWindow());
    const CMainTargetScope scope(&target);

    const std::pair<std::function<void()>, const char*> cases[] = {
        {NotifySelectionChanged, "selection"},
        {NotifySelectionChangedNow, "selection"},
        {NotifyMarkersChanged, "markers"},
        {RequestRedraw, "redraw"},
        {RequestOverviewRedraw, "overview"},
        {NotifyScanSettingsChanged, "settings"},
        {RequestScanStartStop, "startstop"},
        {[] { OpenPath("/t/a.sor"); }, "open /t/a.sor"},
        {[] { PostOpenPath("/t/b.sor"); }, "open /t/b.sor"},
        {[&] { NotifyTraceArrived(slot, 3, "/tmp/x.sor"); }, "trace 3 /tmp/x.sor"},
        {[&] { NotifyScanPollDone(slot); }, "poll"},
    };
    for (const auto& [call, expected] : cases) {
        call();
        EXPECT_EQ(handler.calls, Lines{expected});
        handler.calls.clear();
    }

    EXPECT_FALSE(AskWorldWindow()); // the frame has no window to give
    handler.window = CWorldRect{1, 2, 3, 4};
    const auto window = AskWorldWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->right, 3);
    EXPECT_EQ(window->bottom, 4);
    handler.calls.clear();

    // Numbers without the payload they need, and unknown numbers, reach no handler.
    for (unsigned message : {kMsgTreeOperation, kMsgScanTraceArrived, kMsgOpenPath,
                             kMsgGetWorldWindow, 0x4FFu, 0x511u})
        EXPECT_EQ(DispatchFrameMessage(handler, message, 1, 0), 0) << message;
    EXPECT_EQ(handler.calls, Lines{});
}

} // namespace
