#include "platform/MainMessages.h"

#include "platform/CMessageTarget.h"
#include "platform/CTargetSlot.h"

#include <memory>
#include <utility>

void NotifySelectionChanged() {
    PostToMain(kMsgSelectionChanged);
}

void NotifySelectionChangedNow() {
    SendToMain(kMsgSelectionChanged);
}

void NotifyMarkersChanged() {
    SendToMain(kMsgMarkersChanged);
}

void RequestRedraw() {
    PostToMain(kMsgRedrawView);
}

void RequestOverviewRedraw() {
    SendToMain(kMsgOverviewRedraw);
}

void NotifyScanSettingsChanged() {
    PostToMain(kMsgScanSettingsChanged);
}

void RequestScanStartStop() {
    PostToMain(kMsgScanStartStop);
}

void OpenPath(const std::string& path) {
    SendToMain(kMsgOpenPath, 0, reinterpret_cast<std::intptr_t>(&path));
}

void PostOpenPath(std::string path) {
    if (CMessageTarget* target = GetMainTarget())
        target->PostOwned(kMsgOpenPath, 0, std::make_shared<const std::string>(std::move(path)));
}

void NotifyTraceArrived(CTargetSlot& slot, int fibre, std::string path) {
    slot.SendText(kMsgScanTraceArrived, static_cast<std::uintptr_t>(fibre), std::move(path));
}

void NotifyScanPollDone(CTargetSlot& slot) {
    slot.Post(kMsgScanPollDone, 0, 0);
}
