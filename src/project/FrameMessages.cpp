#include "project/FrameMessages.h"

#include "platform/CMessageTarget.h"

#include <limits>

std::optional<CWorldRect> AskWorldWindow() {
    CWorldRect window{};
    if (SendToMain(kMsgGetWorldWindow, 0, reinterpret_cast<std::intptr_t>(&window)) == 0)
        return std::nullopt;
    return window;
}

std::intptr_t DispatchFrameMessage(CFrameMessageHandler& handler, unsigned message,
                                   std::uintptr_t w, std::intptr_t l) {
    switch (message) {
    case kMsgMarkersChanged:
        handler.HandleMarkersChanged();
        return 0;
    case kMsgRedrawView:
        handler.HandleRedrawView();
        return 0;
    case kMsgSelectionChanged:
        handler.HandleSelectionChanged();
        return 0;
    case kMsgScanTraceArrived:
        if (l != 0 && w <= static_cast<std::uintptr_t>(std::numeric_limits<int>::max()))
            handler.HandleTraceArrived(static_cast<int>(w),
                                       *reinterpret_cast<const std::string*>(l));
        return 0;
    case kMsgScanPollDone:
        handler.HandleScanPollDone();
        return 0;
    case kMsgScanSettingsChanged:
        handler.HandleScanSettingsChanged();
        return 0;
    case kMsgScanStartStop:
        handler.HandleScanStartStop();
        return 0;
    case kMsgOpenPath:
        if (l != 0)
            handler.HandleOpenPath(*reinterpret_cast<const std::string*>(l));
        return 0;
    case kMsgGetWorldWindow:
        if (l == 0)
            return 0;
        if (const auto window = handler.HandleWorldWindow()) {
            *reinterpret_cast<CWorldRect*>(l) = *window;
            return 1;
        }
        return 0;
    case kMsgOverviewRedraw:
        handler.HandleOverviewRedraw();
        return 0;
    default:
        return 0;
    }
}
