// The main frame's control of remote scanning: starting and stopping the scanner and its
// notifications.

#include "app/CMainFrame.h"

#include "platform/TextCodec.h"
#include "project/CProject.h"
#include "project/CSignalEntry.h"
#include "scan/CAppSettings.h"

#include <QAction>
#include <QTimer>

#include <filesystem>
#include <set>
#include <string>

#include <fnmatch.h>

namespace {

// Between a poll and the next: the unit drops files every few seconds, so this costs nothing
// in latency and keeps an idle scan from spinning a core on an always-ready share.
constexpr int kPollPauseMs = 20;
constexpr int kCloseWaitMs = 5000;

// Every arrival is a new file in the scanner's temporary folder: the traces no open entry
// shows any more go, so a long scan does not fill the disk. Only the scanner's trace files are
// touched.
void ClearScanTemporaries(CWorkspace& workspace, const std::string& startupFolder) {
    namespace fs = std::filesystem;
    std::set<fs::path> shown;
    for (int p = 0; p < workspace.GetProjectCount(); ++p) {
        const CProject& project = workspace.GetProject(p);
        for (int e = 0; e < project.GetEntryCount(); ++e)
            shown.insert(fs::path(project.GetEntry(e).GetTracePath()).lexically_normal());
    }
    const fs::path folder = fs::path(startupFolder) / CScanner::kTemporaryFolder;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code unreadable; // such an entry is left, and the others still looked at
        if (it->is_regular_file(unreadable) && !it->is_symlink(unreadable) &&
            ::fnmatch(CScanner::kTracePattern, name.c_str(), FNM_CASEFOLD) == 0 &&
            !shown.count(it->path().lexically_normal())) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

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
    ClearScanTemporaries(workspace_, settings_.StartupFolder());
    if (scanner_.BeginScan() && scanWatch_)
        scanWatch_->start();
    UpdateScanCommand();
}

void CMainFrame::OnScannedTrace(int fiber, const std::string& path) {
    // Refreshes the views itself; an arrival for a closed scanning project makes a new one.
    workspace_.LoadScannedTrace(fiber, path);
    AnalyseArrival(fiber);
    ClearScanTemporaries(workspace_, settings_.StartupFolder());
}

void CMainFrame::OnScanPollDone() {
    QTimer::singleShot(kPollPauseMs, this, [this] {
        if (scanner_.IsRunning())
            scanner_.RequestPoll();
    });
}

void CMainFrame::UpdateScanCommand() {
    if (QAction* action = Action(kCmdStartStopScan))
        action->setText(tr(scanner_.IsRunning() ? kStopScanText : kStartScanText));
    if (scanWatch_ && !scanner_.IsRunning())
        scanWatch_->stop();
}

void CMainFrame::StopScanForClose() {
    // No arrival may reach a frame that is closing; a worker blocked on one is let go.
    scanner_.StopForClose(kCloseWaitMs);
    UpdateScanCommand();
}
