#pragma once
// One scan run against the remote test unit, on a worker thread. The run connects to the share,
// keeps a copy of the unit's request file, writes the request built from the scanning
// properties, and collects the trace files the unit drops into SCAN: each is copied into the
// local temporary folder, deleted from the share and announced to the target. A file is taken
// as soon as it loads, or once its size and time have stood still for a second even when it
// does not load (the frame then reports it); one over the size cap is reported once and left.
// When the run ends the unit's request file is put back, told to stay idle, and the connection
// let go.
//
// The frame drives it from the user-interface thread:
//   - BeginScan when IsRunning is false; RequestStop to end the run;
//   - on 0x505 (NotifyScanPollDone, posted after every poll) RequestPoll: the next poll follows
//     as soon as the frame has answered;
//   - on 0x506 (the scanning dialogs accepted new values) RequestSend;
//   - 0x504 (NotifyTraceArrived) is sent from another thread with w the fibre index 0..3 and
//     l a const std::string* holding the UTF-8 local path (valid during the call); the worker
//     waits until it is handled;
//   - when closing: StopForClose, which waits at most its time over all calls; a worker still
//     busy when the scanner goes is left to end by itself, touching nothing of the scanner's.
// Errors are shown with the scanner's prompts from the worker thread; the run then ends.

#include "platform/CTargetSlot.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <thread>

class CAppSettings;
class CPrompts;

class CScanner {
public:
    // Share paths and the local folder, relative to the share's root and the start-up folder.
    static constexpr const char* kRequestFile = "OPTREFL.PAR";
    static constexpr const char* kScanFolder = "SCAN";
    static constexpr const char* kTracePattern = "SCAN*.SOR";
    static constexpr const char* kTemporaryFolder = "temp";
    static constexpr const char* kLocalRequestCopy = "optrefl.par";
    // Larger files are refused rather than read into memory.
    static constexpr std::size_t kMaxRequestBytes = 1 << 20;
    static constexpr std::size_t kMaxTraceBytes = 64 << 20;

    // Reads the scanning properties and the start-up folder when a run begins and when a new
    // request is asked for. The prompts show the runs' errors and must outlive the scanner.
    CScanner(const CAppSettings& settings, CPrompts& prompts);
    // Stops a run; a worker that has not ended yet is left to end by itself, silently.
    ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // Starts a run; false, with nothing changed, while one is active.
    bool BeginScan();
    void RequestStop();
    // Takes the current properties; an active run writes them as its new request.
    void RequestSend();
    void RequestPoll();
    bool IsRunning() const;
    // True when no worker is left or it ended within the time.
    bool WaitForThread(int milliseconds);
    // Clears the target, stops the run and waits for it: the first call after a start allows
    // the time, later ones only what is left of it.
    bool StopForClose(int milliseconds);
    // Receiver of 0x504 and 0x505; null clears it.
    void SetTargetWindow(CMessageTarget* target) { target_->Set(target); }

    // How the last run ended: 0 after a stop or an error while running, -1 when it could not
    // start.
    int GetExitCode() const;

private:
    // All a run's worker touches, shared with it, so that a worker given up on at exit
    // outlives the scanner safely.
    struct CRun;

    const CAppSettings& appSettings_;
    CPrompts& prompts_;
    const std::shared_ptr<CTargetSlot> target_ = std::make_shared<CTargetSlot>();
    std::shared_ptr<CRun> run_;
    std::thread thread_;
    std::optional<std::chrono::steady_clock::time_point> closeDeadline_;
};
