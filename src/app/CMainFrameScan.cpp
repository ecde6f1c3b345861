// The main frame's control of remote scanning: starting and stopping the scanner and its
// notifications.

#include "app/CMainFrame.h"

#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"

#include <QAction>
#include <QTimer>

namespace {

// Between a poll and the next: the unit drops files every few seconds, so this costs nothing
// in latency and keeps an idle scan from spinning a core on an always-ready share.
constexpr int kPollPauseMs = 20;
constexpr int kCloseWaitMs = 5000;

} // namespace

void CMainFrame::OnStartStopScan() {
    if (scanner_.IsRunning()) {
        scanner_.RequestStop();
        UpdateScanCommand();
        return;
    }
    // The record holds the unit's name in Windows-1251; the tree shows UTF-8.
    workspace_.BeginScanningProject(
        TextCodec::Cp1251ToUtf8(settings_.GetScanSettings().GetRtuName()));
    if (scanner_.BeginScan() && scanWatch_)
        scanWatch_->start();
    UpdateScanCommand();
}

void CMainFrame::OnScannedTrace(int fiber, const std::string& path) {
    // Refreshes the views itself; an arrival for a closed scanning project makes a new one.
    workspace_.LoadScannedTrace(fiber, path);
}

void CMainFrame::OnScanPollDone() {
    QTimer::singleShot(kPollPauseMs, this, [this] {
        if (scanner_.IsRunning())
            scanner_.RequestPoll();
    });
}

void CMainFrame::UpdateScanCommand() {
    if (QAction* action = Action(kCmdStartStopScan))
        action->setText(QString::fromUtf8(scanner_.IsRunning() ? kStopScanText : kStartScanText));
    if (scanWatch_ && !scanner_.IsRunning())
        scanWatch_->stop();
}

void CMainFrame::StopScanForClose() {
    // No arrival may reach a frame that is closing; a worker blocked on one is let go.
    scanner_.SetTargetWindow(nullptr);
    if (scanner_.IsRunning())
        scanner_.RequestStop();
    scanner_.WaitForThread(kCloseWaitMs);
    UpdateScanCommand();
}
