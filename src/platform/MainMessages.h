#pragma once
// One typed call per main-frame message whose payload this layer knows; the layers below the
// project model notify through these. The world window and the frame's receiving side are in
// project/FrameMessages.h, the lowest layer that sees every payload.

#include <string>

class CTargetSlot;

// Posted: the active project, entry or trace changed; the frame refreshes its views.
void NotifySelectionChanged();
// The same, handled before it returns.
void NotifySelectionChangedNow();
// Sent by the trace view when a marker moved.
void NotifyMarkersChanged();
// Posted: the trace view repaints with the settings as they are now.
void RequestRedraw();
// Sent by the trace view when its visible window changed (never from a paint): the overview
// pane takes the new window and repaints.
void RequestOverviewRedraw();
// Posted by the scanning dialogs.
void NotifyScanSettingsChanged();
void RequestScanStartStop();
// Sent: the frame opens the file as the user would.
void OpenPath(const std::string& path);
// Posted with a copy of the path, so the caller's string need not outlive the post.
void PostOpenPath(std::string path);

// The scanner's messages to its own target. The trace's path is held until the frame has
// handled it or the slot gave up the send.
void NotifyTraceArrived(CTargetSlot& slot, int fibre, std::string path);
void NotifyScanPollDone(CTargetSlot& slot);
