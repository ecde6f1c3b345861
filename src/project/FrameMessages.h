#pragma once
// The main frame's messages whose payloads belong to the models (the world window), and the
// frame's receiving side: one virtual per message, decoded from the number and its parameters
// in DispatchFrameMessage alone. The messages the lower layers send are in
// platform/MainMessages.h. A new message: its number, its typed call, its virtual and its case.

#include "core/CTraceData.h"
#include "platform/MainMessages.h"

#include <cstdint>
#include <optional>
#include <string>

// The trace view's visible window, as the frame knows it; none without a frame.
std::optional<CWorldRect> AskWorldWindow();

class CFrameMessageHandler {
public:
    virtual ~CFrameMessageHandler() = default;

    virtual void HandleMarkersChanged() = 0;
    virtual void HandleRedrawView() = 0;
    virtual void HandleSelectionChanged() = 0;
    // The fibre as sent, not yet checked against the unit's fibres.
    virtual void HandleTraceArrived(int fibre, const std::string& path) = 0;
    virtual void HandleScanPollDone() = 0;
    virtual void HandleScanSettingsChanged() = 0;
    virtual void HandleScanStartStop() = 0;
    virtual void HandleOpenPath(const std::string& path) = 0;
    virtual std::optional<CWorldRect> HandleWorldWindow() = 0;
    virtual void HandleOverviewRedraw() = 0;
};

// Calls the handler's virtual for the message; the answer the sender gets. Messages without
// the payload they need, and unknown numbers, are dropped with 0.
std::intptr_t DispatchFrameMessage(CFrameMessageHandler& handler, unsigned message,
                                   std::uintptr_t w, std::intptr_t l);
